#include "app/FirstStart.h"

#include "app/WindowPlacement.h"
#include "core/Preferences.h"
#include "platform/AlertPresenter.h"

namespace FirstStart {

namespace {

const QString welcomeTitle = QStringLiteral("Velto Alpha");
const QString welcomeText = QStringLiteral(
    "Thank you for trying Velto. This is an early version: it is stable, but not "
    "everything is there yet, and its speed is still being improved. Please report any "
    "problem you find.");
const QString alphaTitle = QStringLiteral("What Alpha Means");
const QString alphaText = QStringLiteral(
    "Velto is at an early stage. The Help menu has the manual, the known problems and "
    "the plans. Tell us what you think from the Help menu, or in a post with the hashtag "
    "#Velto.");

} // namespace

void runNoticesAndMigrations(QWidget *window)
{
    Preferences &p = Preferences::standard();
    // The store was rewritten from what could be read; the copy is the user's
    // to look at, and the message comes once because the new file reads whole.
    if (const auto copy = p.damagedFileCopy()) {
        alerts::show(QStringLiteral("Preferences Damaged"),
            alerts::localized(QStringLiteral("The preferences file could not be read whole. "
                                             "What could be read was kept; the file as it was "
                                             "is in %1."))
                .arg(*copy));
    }
    // A file that cannot be read or written is no first start: the user
    // hears why their settings and sign-in are gone, or will not be kept.
    const bool usable = p.access() == Preferences::Access::Usable;
    if (!usable) {
        const QString meaning = p.access() == Preferences::Access::Unreadable
            ? QStringLiteral("The preferences file %1 cannot be read, so Velto runs with its "
                             "default settings and without your sign-in. Nothing you change, "
                             "sign-in included, can be kept until the file can be read and "
                             "written again: check its owner and permissions.")
            : QStringLiteral("The preferences file %1 cannot be written. Nothing you change, "
                             "sign-in included, can be kept until it can: check the file's and "
                             "its folder's owner and permissions.");
        alerts::show(QStringLiteral("Preferences Unavailable"),
            alerts::localized(meaning).arg(p.filePath()));
    }
    if (usable && !p.value(prefs::firstStartEver)) {
        WindowPlacement::centreOnScreen(window);
        p.setValue(prefs::prefsRefreshInterval, 1);
        alerts::show(welcomeTitle, welcomeText);
        p.setValue(prefs::firstStartEver, true);
    }
    if (!p.value(prefs::update042)) {
        p.setValue(prefs::prefsOnStartLoadStream, 0);
        p.setValue(prefs::prefsEnableGestures, true);
        p.setValue(prefs::update042, true);
    }
    if (!p.value(prefs::update060)) {
        p.setValue(prefs::prefsRefreshThreshold, 1);
        p.setValue(prefs::prefsRestoreSelection, true);
        p.setValue(prefs::update060, true);
    }
}

void showEarlyVersionNoticeOnce()
{
    Preferences &p = Preferences::standard();
    if (!p.value(prefs::alphHint20)) {
        alerts::show(alphaTitle, alphaText);
        p.setValue(prefs::alphHint20, true);
    }
}

} // namespace FirstStart
