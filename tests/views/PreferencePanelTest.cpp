// The preferences window: its panes and their sizes, and every control used
// as a user uses it in the program's own window.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/MainWindow.h"
#include "app/PreferencesController.h"
#include "app/RefreshScheduler.h"
#include "app/StatusItem.h"
#include "app/Swipes.h"
#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "platform/Relaunch.h"
#include "service/PostPictures.h"
#include "service/StreamLoader.h"
#include "text/LinedTextView.h"
#include "views/HotKeyBox.h"
#include "views/PreferencePanel.h"
#include "views/PreferencePanes.h"
#include "views/RefreshScrollView.h"
#include "views/SRRecorderControl.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QToolBar>

#include <algorithm>

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
    QTemporaryDir home;
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
    EXPECT_EQ(panel.currentPane(), general);
    EXPECT_EQ(panel.frameGeometry().height(), 300 + PreferencePanel::chromeHeight);
    const QPoint screenCentre = QApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((panel.geometry().center() - screenCentre).manhattanLength(), 2);

    const int top = panel.geometry().top();
    panel.changePanes(1);
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("Advanced"));
    EXPECT_EQ(panel.frameGeometry().height(), 120 + PreferencePanel::chromeHeight);
    EXPECT_EQ(panel.geometry().top(), top);
    EXPECT_TRUE(advanced->isVisible() && !general->isVisible());
    panel.changePanes(7);
    EXPECT_EQ(panel.selectedTag(), 1) << "an unknown tag selects nothing";

    // The toolbar's buttons switch panes too; the toolbar stays where it is.
    panel.toolbar()->actions().at(3)->trigger();
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("Update"));
    EXPECT_EQ(panel.frameGeometry().height(), 90 + PreferencePanel::chromeHeight);
    EXPECT_EQ(panel.geometry().top(), top);
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
    EXPECT_TRUE(testsupport::waitUntil([&] { return panel.frameGeometry().height() == 178; }));
    EXPECT_EQ(panel.geometry().top(), top);
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

// The controls of the preferences window in the program's own window, used
// as a user uses them, and what the part that owns each setting makes of it.

QWidget *controlNamed(QWidget *pane, const QString &name)
{
    for (auto *button : pane->findChildren<QAbstractButton *>())
        if (button->text() == name)
            return button;
    for (auto *label : pane->findChildren<QLabel *>())
        if (label->text() == name)
            return label->buddy();
    return nullptr;
}

using Use = std::function<void(QWidget *)>;

Use keys(Qt::Key key, int times = 1)
{
    return [=](QWidget *control) {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(control, key);
    };
}

Use typed(const QString &text)
{
    return [=](QWidget *control) {
        QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(control, Qt::Key_Delete);
        QTest::keyClicks(control, text);
        QTest::keyClick(control, Qt::Key_Return);
    };
}

// The value as the file holds it, past the typed accessors.
QString stored(const char *key)
{
    return QSettings(Preferences::standardFilePath(), QSettings::IniFormat)
        .value(QString::fromLatin1(key))
        .toString();
}

class PreferenceControls : public ProgramTest { };

TEST_F(PreferenceControls, EachReachesThePartThatOwnsItsSetting)
{
    // An address set in the environment makes its field read-only.
    const QByteArray shortener = qgetenv("VELTO_SHORTENER_BASE");
    qunsetenv("VELTO_SHORTENER_BASE");
    start();
    delegate->preferencesWindow().showPreferences();
    qputenv("VELTO_SHORTENER_BASE", shortener);
    PreferencePanel *panel = delegate->preferencesWindow().panel();
    // Keys go to the window in front, as they do for the user.
    QApplication::setActiveWindow(panel);
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    testsupport::RecordingOpener opener;
    int restarts = 0;
    Relaunch::setRestartHandler([&restarts] { ++restarts; });
    QWidget *current = nullptr;
    qsizetype alertsBefore = 0;
    const auto alerted = [&](const char *title) {
        return alerts.shown().size() > alertsBefore
            && alerts.shown().last().title == QLatin1String(title);
    };
    const auto on
        = [](BoolKey key) { return [key] { return Preferences::standard().value(key); }; };
    const auto link = [] {
        return Preferences::standard().rawString(
            OutsideAddresses::storedKey(QStringLiteral("VELTO_SHORTENER_BASE")));
    };
    const auto refused = [&] {
        return alerted("Address Not Saved") && !link()
            && static_cast<QLineEdit *>(current)->text().isEmpty();
    };
    const Use space = keys(Qt::Key_Space);
    const struct {
        int pane;
        const char *control;
        Use use;
        std::function<bool()> seen;
    } rows[] = {
        { 0, "Open at start:", keys(Qt::Key_Down, 3),
            [] { return stored("prefsOnStartLoadStream") == QLatin1String("3"); } },
        { 0, "Posts per page:", keys(Qt::Key_Down, 2),
            [] { return StreamLoader::streamCountString() == QLatin1String("100"); } },
        { 0, "Refresh every:", keys(Qt::Key_Down, 2),
            [this] { return delegate->scheduler().refreshInterval() == 300; } },
        { 0, "Text size:", keys(Qt::Key_Down),
            [this] { return window().composer()->font().pixelSize() == 15; } },
        { 0, "Keep the selected post selected when refreshing", space,
            [] { return stored("prefsRestoreSelection") == QLatin1String("true"); } },
        { 0, "Show pictures from other sites", space,
            [] { return !PostPictures::otherSitesAllowed(); } },
        { 0, "Show them while Velto is in front", space, on(prefs::prefsShowInNC) },
        { 0, "Play a sound", space, on(prefs::prefsUseNCSound) },
        { 0, "Clicking one removes all of them", space, on(prefs::prefsRemoveAllNotifications) },
        { 0, "Show Velto in the tray", space,
            [this] {
                return delegate->statusItem().exists()
                    && delegate->commands().action(QStringLiteral("showInTray"))->isChecked();
            } },
        { 0, "Hide Velto when another program comes forward", space, on(prefs::prefsAutoHide) },
        // The warning answered Cancel, then OK, which restarts the program.
        { 0, "Run without a task bar entry (tray agent)",
            [&](QWidget *box) {
                alerts.answerNext(1);
                space(box);
            },
            [&] {
                return alerted("Warning!") && !on(prefs::launchAsAgentApp)() && restarts == 0
                    && !static_cast<QCheckBox *>(current)->isChecked();
            } },
        { 0, "Run without a task bar entry (tray agent)", space,
            [&] { return on(prefs::launchAsAgentApp)() && restarts == 1; } },
        { 2, "Act on swipes: right for a new post, left to go back", space,
            [] { return SwipeWatcher::swipeWithDeltas(1.0, 1.0); } },
        { 2, "Pull down to refresh by:", keys(Qt::Key_Down, 2),
            [this] { return window().refreshScrollView()->refreshThreshold() == 60; } },
        { 3, "Check for updates when Velto starts", space,
            [] {
                return Preferences::standard().value(prefs::updateCheckAtStartup)
                    && Preferences::standard().value(prefs::updateLastCheckDate)
                    == QLatin1String("0");
            } },
        { 3, "Check Now",
            [&](QWidget *button) {
                alerts.answerNext(1);
                QTest::mouseClick(button, Qt::LeftButton);
            },
            [&] {
                const QList<QLabel *> labels = panel->currentPane()->findChildren<QLabel *>();
                return alerts.shown().size() > alertsBefore
                    && std::any_of(labels.begin(), labels.end(), [](QLabel *label) {
                           return label->text().startsWith(QLatin1String("Last checked:"));
                       });
            } },
        // A malformed address is refused and the field shows what is stored;
        // an empty field goes back to the built-in address.
        { 1, "Link shortener:", typed(QStringLiteral("ftp://short.example")), refused },
        { 1, "Link shortener:", typed(QStringLiteral("http://")), refused },
        { 1, "Link shortener:", typed(QStringLiteral("short example")), refused },
        { 1, "Link shortener:", typed(QStringLiteral("http://short.example/?q=1")), refused },
        { 1, "Link shortener:", typed(QStringLiteral("https://short.example/base")),
            [&] { return link() == QLatin1String("https://short.example/base"); } },
        { 1, "Link shortener:", typed(QString()), [&] { return !link(); } },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.control);
        panel->toolbar()->actions().at(row.pane)->trigger();
        current = controlNamed(panel->currentPane(), QString::fromLatin1(row.control));
        ASSERT_TRUE(current && current->isVisible());
        alertsBefore = alerts.shown().size();
        row.use(current);
        EXPECT_TRUE(testsupport::waitUntil(row.seen));
    }
    Relaunch::setRestartHandler({});
}

} // namespace
