// The preferences window: its panes and their sizes, and that every control
// writes its preference with the right type at once.
#include "TestSupport.h"

#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "views/HotKeyBox.h"
#include "views/PreferencePanel.h"
#include "views/PreferencePanes.h"
#include "views/SRRecorderControl.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

QWidget *paneOfHeight(int height)
{
    auto *pane = new QWidget;
    pane->setFixedSize(400, height);
    return pane;
}

struct PreferencePanelTest : ::testing::Test {
    void SetUp() override { testsupport::pointXdgFoldersAt(home.path()); }
    void TearDown() override { Preferences::resetStandard(); }
    // The type the store holds under a key, read past the typed accessors.
    QVariant stored(const char *key)
    {
        QSettings settings(Preferences::standardFilePath(), QSettings::IniFormat);
        return settings.value(QString::fromLatin1(key));
    }

    QTemporaryDir home;
    testsupport::ScriptedAlerts alerts;
};

TEST_F(PreferencePanelTest, OpensOnGeneralCentredAndKeepsItsTopEdgeWhileResizing)
{
    PreferencePanel panel;
    panel.setAnimatesResize(false);
    QWidget *general = paneOfHeight(300);
    QWidget *advanced = paneOfHeight(120);
    panel.setPanes(general, advanced, paneOfHeight(200), paneOfHeight(90));
    panel.awakeFromNib();
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));

    EXPECT_EQ(panel.windowTitle(), QStringLiteral("General"));
    EXPECT_EQ(panel.selectedTag(), 0);
    EXPECT_EQ(panel.currentPane(), general);
    EXPECT_EQ(panel.frameGeometry().height(), 300 + PreferencePanel::chromeHeight);
    const QPoint screenCentre = QApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((panel.geometry().center() - screenCentre).manhattanLength(), 2);

    const int top = panel.geometry().top();
    panel.changePanes(1);
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("Advanced"));
    EXPECT_EQ(panel.frameGeometry().height(), 120 + PreferencePanel::chromeHeight);
    EXPECT_EQ(panel.geometry().top(), top);
    EXPECT_TRUE(advanced->isVisible());
    EXPECT_FALSE(general->isVisible());
    EXPECT_EQ(panel.selectedTag(), 1);

    panel.changePanes(7);
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("Advanced")) << "an unknown tag selects nothing";

    // The toolbar's buttons switch panes too; the toolbar stays where it is.
    panel.toolbar()->actions().at(3)->trigger();
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("Update"));
    EXPECT_EQ(panel.frameGeometry().height(), 90 + PreferencePanel::chromeHeight);
    EXPECT_EQ(panel.geometry().top(), top);
    EXPECT_FALSE(panel.toolbar()->isMovable());
    EXPECT_FALSE(panel.toolbar()->toggleViewAction()->isVisible());
    EXPECT_EQ(panel.contextMenuPolicy(), Qt::PreventContextMenu);
    EXPECT_EQ(PreferencePanel::itemIdentifiers(),
        QStringList({ QStringLiteral("View1ItemIdentifier"), QStringLiteral("View2ItemIdentifier"),
            QStringLiteral("View3ItemIdentifier"), QStringLiteral("View4ItemIdentifier") }));
}

TEST_F(PreferencePanelTest, TheAnimatedResizeEndsAtThePanesSize)
{
    PreferencePanel panel;
    panel.setPanes(paneOfHeight(300), paneOfHeight(100), paneOfHeight(200), paneOfHeight(90));
    panel.awakeFromNib();
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    const int top = panel.geometry().top();
    panel.changePanes(1);
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return panel.frameGeometry().height() == 178; }, std::chrono::milliseconds(2000)));
    EXPECT_EQ(panel.geometry().top(), top);
}

TEST_F(PreferencePanelTest, EachControlWritesItsKeyWithItsType)
{
    int trayToggles = 0;
    PreferencePaneActions actions;
    actions.toggleStatusItem = [&trayToggles] { ++trayToggles; };
    Preferences::standard().setValue(prefs::prefsRefreshInterval, 9);
    // The pane owns the recorders it is given.
    std::unique_ptr<QWidget> general(PreferencePanes::general(
        new HotKeyBox(new SRRecorderControl, new SRRecorderControl), actions));
    std::unique_ptr<QWidget> gestures(PreferencePanes::gestures());
    std::unique_ptr<QWidget> update(PreferencePanes::update(actions));

    // Choices, in the order of the General pane: start stream, page size,
    // refresh interval, text size; then the pull distance.
    QList<QComboBox *> choices = general->findChildren<QComboBox *>();
    choices << gestures->findChildren<QComboBox *>();
    ASSERT_EQ(choices.size(), 5);
    EXPECT_EQ(choices.at(2)->currentIndex(), 1) << "an unknown refresh interval means a minute";
    const char *choiceKeys[] = { "prefsOnStartLoadStream", "prefsStreamCount",
        "prefsRefreshInterval", "prefsFontSize", "prefsRefreshThreshold" };
    for (int i = 0; i < choices.size(); ++i) {
        // The third entry, chosen with the arrow key as a user would.
        QComboBox *choice = choices.at(i);
        choice->setCurrentIndex(1);
        QTest::keyClick(choice, Qt::Key_Down);
        EXPECT_EQ(stored(choiceKeys[i]), QVariant(2).toString()) << choiceKeys[i];
    }
    EXPECT_EQ(Preferences::standard().value(prefs::prefsStreamCount), 2);

    QList<QCheckBox *> boxes = general->findChildren<QCheckBox *>();
    boxes << gestures->findChildren<QCheckBox *>() << update->findChildren<QCheckBox *>();
    // "Show pictures from other sites" is on by default; turned off, it
    // writes the key that hides them.
    const char *boxKeys[] = { "prefsRestoreSelection", "prefsHideOtherSitePictures",
        "prefsShowInNC", "prefsUseNCSound", "prefsRemoveAllNotifications", "prefsShowStatusItem",
        "prefsAutoHide", "LaunchAsAgentApp", "prefsEnableGestures",
        "RWUpdateChecker:CheckAtStartup" };
    ASSERT_EQ(boxes.size(), int(std::size(boxKeys)));
    for (int i = 0; i < boxes.size(); ++i) {
        if (QLatin1String(boxKeys[i]) == QLatin1String("LaunchAsAgentApp"))
            continue; // restarts the program; its command is tested with the window
        boxes.at(i)->click();
        EXPECT_EQ(stored(boxKeys[i]).toString(), QStringLiteral("true")) << boxKeys[i];
    }
    EXPECT_EQ(trayToggles, 1) << "the tray checkbox shows or hides the tray item at once";
    EXPECT_TRUE(Preferences::standard().value(prefs::updateCheckAtStartup));

    // Something else writing a key moves its control.
    Preferences::standard().setValue(prefs::prefsShowStatusItem, false);
    EXPECT_FALSE(boxes.at(5)->isChecked());
    Preferences::standard().setValue(prefs::prefsHideOtherSitePictures, false);
    EXPECT_TRUE(boxes.at(1)->isChecked());
    Preferences::standard().setValue(prefs::prefsFontSize, 1);
    EXPECT_EQ(choices.at(3)->currentIndex(), 1);
}

TEST_F(PreferencePanelTest, TheHotKeyGroupOffersTheDesktopsSettingsOnlyWhereItHasThem)
{
    auto *showHide = new SRRecorderControl;
    auto *box = new HotKeyBox(showHide, new SRRecorderControl);
    std::unique_ptr<QWidget> general(PreferencePanes::general(box, {}));
    general->show();
    EXPECT_EQ(showHide->accessibleName(), QStringLiteral("Show or hide Velto"));
    for (const bool canConfigure : { true, false }) {
        box->showDesktopKeys(QStringLiteral("Ctrl+Alt+H"), QString(), canConfigure);
        EXPECT_EQ(box->configureButton()->isVisible(), canConfigure);
    }
    box->showRecorders();
    EXPECT_TRUE(showHide->isVisible() && showHide->isEnabled());
    EXPECT_FALSE(box->desktopKeys(false)->isVisible() || box->configureButton()->isVisible());
}

TEST_F(PreferencePanelTest, AMalformedAddressIsRefusedAndNeverStored)
{
    std::unique_ptr<QWidget> advanced(PreferencePanes::advanced());
    auto *api = advanced->findChild<QLineEdit *>(QStringLiteral("VELTO_SHORTENER_BASE"));
    ASSERT_TRUE(api);
    const QString key = OutsideAddresses::storedKey(QStringLiteral("VELTO_SHORTENER_BASE"));

    for (const QString &bad : { QStringLiteral("ftp://short.example"), QStringLiteral("http://"),
             QStringLiteral("short example"), QStringLiteral("http://short.example/?q=1") }) {
        QTest::keyClicks(api, bad);
        QTest::keyClick(api, Qt::Key_Return);
        EXPECT_FALSE(Preferences::standard().rawString(key).has_value()) << bad.toStdString();
        EXPECT_TRUE(api->text().isEmpty()) << "the field goes back to what is stored";
    }
    ASSERT_EQ(alerts.shown().size(), 4);
    EXPECT_EQ(alerts.shown().at(0).title, QStringLiteral("Address Not Saved"));
    EXPECT_EQ(alerts.shown().at(0).message,
        QStringLiteral("An address must begin with http:// or https://."));

    QTest::keyClicks(api, QStringLiteral("https://short.example/base"));
    QTest::keyClick(api, Qt::Key_Return);
    EXPECT_EQ(Preferences::standard().rawString(key), QStringLiteral("https://short.example/base"));
    api->selectAll();
    QTest::keyClick(api, Qt::Key_Delete);
    QTest::keyClick(api, Qt::Key_Return);
    EXPECT_FALSE(Preferences::standard().rawString(key).has_value()) << "empty means the default";
    EXPECT_EQ(alerts.shown().size(), 4);
}

} // namespace
