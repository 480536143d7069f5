#pragma once

class SandboxServer;

namespace testsupport {

// Points the program at `sandbox` and writes a profile that is signed in as
// its demo user and past every first-start notice.
void prepareSignedInProfile(const SandboxServer &sandbox);

} // namespace testsupport
