#include "SignedInProfile.h"

#include "SandboxServer.h"

#include "core/OutsideAddresses.h"
#include "core/Preferences.h"

namespace testsupport {

void prepareSignedInProfile(const SandboxServer &sandbox)
{
    sandbox.setEnvironment();
    OutsideAddresses::setCurrent(OutsideAddresses::load());
    Preferences &p = Preferences::standard();
    for (auto key : { prefs::firstStartEver, prefs::update042, prefs::update060, prefs::alphHint20,
             prefs::followVeltoAsked, prefs::isUserAuthDone })
        p.setValue(key, true);
    p.setValue(prefs::accessToken, sandbox.token());
    // The program started as a process would otherwise meet the sandbox's
    // newer version in an alert at its first start.
    p.setValue(prefs::firstUpdateCheck, true);
    p.setValue(prefs::updateCheckAtStartup, false);
}

} // namespace testsupport
