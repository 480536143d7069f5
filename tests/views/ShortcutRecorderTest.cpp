// Recording shortcuts: the recorder's states and keys, the flags it keeps,
// what the validator refuses and how, and what the recorder stores.
#include "TestSupport.h"

#include "core/Preferences.h"
#include "desktop/ModifierFlags.h"
#include "views/SRRecorderControl.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct RecordingDelegate : SRRecorderCellDelegate {
    QList<SRKeyCombo> changes;
    bool refuse = false;
    void shortcutRecorderCellKeyComboDidChange(SRRecorderCell *, SRKeyCombo combo) override
    {
        changes << combo;
    }
    bool shortcutRecorderCellIsKeyCodeAndFlagsTaken(
        SRRecorderCell *, int, quint32, QString *reason) override
    {
        if (refuse)
            *reason = QStringLiteral("it opens the door");
        return refuse;
    }
};

RecorderKeyEvent key(int code, quint32 flags, const QString &characters)
{
    return { code, flags, characters, characters };
}

struct ShortcutRecorderTest : ::testing::Test {
    void SetUp() override
    {
        testsupport::pointXdgFoldersAt(home.path());
        cell.setDelegate(&delegate);
        // Nothing is held system-wide unless a test says so.
        cell.validator().setSystemShortcuts([this](int, quint32) { return systemWide; });
        QMenu *file = menuBar.addMenu(QStringLiteral("&File"));
        QAction *quit = file->addAction(QStringLiteral("&Quit Velto"));
        quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
        QMenu *more = file->addMenu(QStringLiteral("More"));
        more->addAction(QStringLiteral("Attach Image…"))
            ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
        cell.validator().setMainMenu(&menuBar);
    }
    void TearDown() override { Preferences::resetStandard(); }
    void startRecording()
    {
        ASSERT_TRUE(cell.performKeyEquivalent(key(49, 0, QStringLiteral(" "))));
    }

    QTemporaryDir home;
    testsupport::ScriptedAlerts alerts;
    QMenuBar menuBar;
    RecordingDelegate delegate;
    SRRecorderCell cell;
    std::optional<bool> systemWide = false;
};

TEST_F(ShortcutRecorderTest, SpaceStartsACombinationEndsAndEscapeOrDeleteAloneCancel)
{
    EXPECT_EQ(cell.displayText(), QStringLiteral("Click to record shortcut"));
    EXPECT_FALSE(cell.performKeyEquivalent(key(0, toolkit::control, QStringLiteral("a"))))
        << "an idle recorder lets other keys go on";
    cell.setAllowedFlags(toolkit::control | toolkit::option);
    startRecording();
    EXPECT_EQ(cell.displayText(), QStringLiteral("Type shortcut"));
    cell.flagsChanged(toolkit::control | toolkit::shift);
    EXPECT_EQ(cell.displayText(), QStringLiteral("⌃"));
    // A letter alone is not a shortcut: the recorder keeps waiting.
    EXPECT_FALSE(cell.performKeyEquivalent(key(4, 0, QStringLiteral("h"))));
    EXPECT_TRUE(cell.isRecording());
    // Flags not allowed are dropped.
    EXPECT_TRUE(cell.performKeyEquivalent(
        key(4, toolkit::control | toolkit::option | toolkit::shift, QStringLiteral("h"))));
    EXPECT_FALSE(cell.isRecording());
    ASSERT_EQ(delegate.changes.size(), 1);
    EXPECT_EQ(delegate.changes.at(0), (SRKeyCombo { toolkit::control | toolkit::option, 4 }));
    EXPECT_EQ(cell.keyComboString(), QStringLiteral("⌃⌥H"));

    for (int cancelKey : { 53, 51, 117 }) {
        startRecording();
        EXPECT_TRUE(cell.performKeyEquivalent(key(cancelKey, 0, QStringLiteral("\x1b"))));
        EXPECT_FALSE(cell.isRecording()) << cancelKey;
    }
    startRecording();
    EXPECT_TRUE(cell.performKeyEquivalent(key(51, toolkit::option, QStringLiteral("\x7f"))));
    EXPECT_EQ(cell.keyCombo(), (SRKeyCombo { toolkit::option, 51 }));
    EXPECT_EQ(delegate.changes.size(), 2);
    EXPECT_TRUE(alerts.shown().isEmpty());
}

TEST_F(ShortcutRecorderTest, TheRemoveButtonClearsAndTheSnapBackKeepsTheOldOne)
{
    cell.setKeyCombo({ toolkit::control, 4 });
    delegate.changes.clear();
    cell.mouseUp(false);
    EXPECT_TRUE(cell.isRecording());
    cell.mouseUp(true); // "Use old shortcut"
    EXPECT_FALSE(cell.isRecording());
    EXPECT_EQ(cell.keyCombo(), (SRKeyCombo { toolkit::control, 4 }));
    EXPECT_TRUE(delegate.changes.isEmpty());

    cell.mouseUp(true);
    ASSERT_EQ(delegate.changes.size(), 1);
    EXPECT_EQ(delegate.changes.at(0), (SRKeyCombo { 0, -1 }));
    EXPECT_EQ(cell.displayText(), QStringLiteral("Click to record shortcut"));
    cell.mouseUp(false, false);
    EXPECT_FALSE(cell.isRecording()) << "a disabled recorder does not start";
}

TEST_F(ShortcutRecorderTest, AMenuItemsCombinationIsRefusedAndTheAlertNamesIt)
{
    startRecording();
    EXPECT_TRUE(cell.performKeyEquivalent(key(12, toolkit::control, QStringLiteral("q"))));
    EXPECT_TRUE(cell.isRecording()) << "recording goes on after a refusal";
    ASSERT_EQ(alerts.shown().size(), 1);
    const Alert alert = alerts.shown().at(0);
    EXPECT_EQ(alert.title, QStringLiteral("The key combination ⌃Q can't be used!"));
    EXPECT_EQ(alert.message,
        QStringLiteral("The key combination \"Control + Q\" can't be used because it's already "
                       "used by the menu item \"Quit Velto\"."));
    EXPECT_EQ(alert.style, AlertStyle::Critical);
    EXPECT_EQ(alert.buttons, QStringList { QStringLiteral("OK") });

    // Items of submenus count; another modifier set does not match.
    EXPECT_TRUE(
        cell.performKeyEquivalent(key(0, toolkit::control | toolkit::shift, QStringLiteral("a"))));
    ASSERT_EQ(alerts.shown().size(), 2);
    EXPECT_TRUE(alerts.shown().at(1).message.contains(QStringLiteral("\"Attach Image…\"")));
    EXPECT_TRUE(cell.performKeyEquivalent(
        key(12, toolkit::control | toolkit::option, QStringLiteral("q"))));
    EXPECT_FALSE(cell.isRecording());
    EXPECT_EQ(alerts.shown().size(), 2);
}

TEST_F(ShortcutRecorderTest, AnUnknownSystemWideStateRefusesSilentlyAndTheDelegateGivesItsReason)
{
    // When the desktop cannot tell, every combination counts as taken, silently.
    systemWide = std::nullopt;
    startRecording();
    cell.performKeyEquivalent(key(4, toolkit::control | toolkit::option, QStringLiteral("h")));
    EXPECT_TRUE(alerts.shown().isEmpty());
    EXPECT_TRUE(cell.isRecording());

    systemWide = false;
    delegate.refuse = true;
    cell.performKeyEquivalent(key(4, toolkit::control | toolkit::option, QStringLiteral("h")));
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().at(0).message,
        QStringLiteral("The key combination \"Option + Control + H\" can't be used because it "
                       "opens the door."));
    EXPECT_TRUE(delegate.changes.isEmpty());
}

} // namespace
