#pragma once

class SandboxServer;

namespace testsupport {

// Points the program at `sandbox` and writes a profile that is signed in as
// its demo user and past every first-start notice, with no update check at
// start-up.
void prepareSignedInProfile(const SandboxServer &sandbox);

} // namespace testsupport
