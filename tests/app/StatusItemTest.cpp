// The tray item's life and pictures, and where a hidden window goes.
#include "TestSupport.h"

#include "app/MainWindow.h"
#include "app/StatusItem.h"
#include "core/Preferences.h"

#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(StatusItem, FollowsThePreferenceAndShowsWhatWaits)
{
    QTemporaryDir home;
    testsupport::pointXdgFoldersAt(home.path());
    MainWindow window;
    QMenu menu;
    StatusItem item(&window, &menu);
    item.toggleStatusItem();
    EXPECT_FALSE(item.exists()) << "off unless asked for";

    Preferences::standard().setValue(prefs::prefsShowStatusItem, true);
    item.toggleStatusItem();
    ASSERT_TRUE(item.exists());
    EXPECT_EQ(item.pictureName(), QStringLiteral("status_off"));
    item.setNewMentionsWaiting(true);
    EXPECT_EQ(item.pictureName(), QStringLiteral("status_off_blue"));
    Q_EMIT menu.aboutToShow();
    EXPECT_EQ(item.pictureName(), QStringLiteral("status_on"));
    Q_EMIT menu.aboutToHide();
    EXPECT_EQ(item.pictureName(), QStringLiteral("status_off_blue"));

    Preferences::standard().setValue(prefs::prefsShowStatusItem, false);
    item.toggleStatusItem();
    EXPECT_FALSE(item.exists());
    // Counters still change without the item; no picture is set.
    item.setNewMentionsWaiting(false);
    EXPECT_TRUE(item.pictureName().isEmpty());
    Preferences::resetStandard();
}

TEST(StatusItem, AHiddenWindowIsMinimisedUnlessATrayCanBringItBack)
{
    MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.hideApplication();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());

    window.showNormal();
    window.setHideToTray(true);
    window.hideApplication();
    EXPECT_FALSE(window.isVisible());
}

} // namespace
