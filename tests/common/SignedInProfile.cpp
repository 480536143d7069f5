#include "SignedInProfile.h"

#include "SandboxServer.h"

#include "app/AppDelegate.h"
#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "service/StreamLoader.h"

#include <QSignalSpy>

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

bool awakeAndWaitForFirstPage(AppDelegate &delegate)
{
    QSignalSpy loaded(&delegate.streams(), &StreamLoader::streamLoadFinished);
    delegate.awakeFromNib();
    return loaded.wait(15000) && loaded.first().at(0).toBool();
}

} // namespace testsupport
