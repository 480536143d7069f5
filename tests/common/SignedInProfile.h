#pragma once

class AppDelegate;
class SandboxServer;

namespace testsupport {

// Points the program at `sandbox` and writes a profile that is signed in as
// its demo user and past every first-start notice, with no update check at
// start-up.
void prepareSignedInProfile(const SandboxServer &sandbox);

// Runs the start-up of `delegate` and waits up to 15 s for its first page;
// false when it did not come or did not load.
bool awakeAndWaitForFirstPage(AppDelegate &delegate);

} // namespace testsupport
