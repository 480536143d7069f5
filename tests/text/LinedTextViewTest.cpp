#include "text/LinedTextView.h"

#include "platform/SystemBeep.h"
#include "text/ComposerRules.h"
#include "text/EntityMarking.h"
#include "text/ReadableColors.h"
#include "text/TextChangeRefused.h"
#include "text/TextDocumentStyling.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class LinedTextViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SystemBeep::setPlayer([this] { ++beeps; });
        view.resize(400, 120);
        view.show();
        QApplication::setActiveWindow(&view);
        view.setFocus();
    }
    void TearDown() override { SystemBeep::setPlayer({}); }

    void fill(int length)
    {
        view.setPlainText(QString(length, u'a'));
        view.moveCursor(QTextCursor::End);
    }
    int length() const { return int(view.text().size()); }

    LinedTextView view;
    int beeps = 0;
};

TEST_F(LinedTextViewTest, TypingStopsAtTheLimitWithABeepAndDeletingStillWorks)
{
    fill(254);
    QTest::keyClicks(&view, QStringLiteral("bc"));
    QTest::keyClick(&view, Qt::Key_Return);
    // An input method's commit is held to the same limit.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("é"));
    QApplication::sendEvent(&view, &commit);
    EXPECT_EQ(length(), 255);
    EXPECT_EQ(beeps, 3);

    QTest::keyClick(&view, Qt::Key_Backspace);
    view.moveCursor(QTextCursor::Start);
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(length(), 253);
    QTest::keyClicks(&view, QStringLiteral("x"));
    EXPECT_EQ(length(), 254);
    EXPECT_EQ(beeps, 3);

    // An emoji is two units; one unit short of the limit both halves still go in.
    view.moveCursor(QTextCursor::End);
    QKeyEvent emoji(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("\U0001F600"));
    for (int i = 0; i < 2; ++i)
        QApplication::sendEvent(&view, &emoji);
    EXPECT_EQ(length(), 256);
    EXPECT_TRUE(view.text().endsWith(QString::fromUtf8("a\U0001F600")));
    EXPECT_EQ(beeps, 4);
}

TEST_F(LinedTextViewTest, AHugePasteIsTakenAndMarkedWithoutStallingTheView)
{
    QString huge;
    while (huge.size() < 10000)
        huge += QStringLiteral("#tag @amy x.org ");
    huge.truncate(10000);
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(view.pasteText(huge), TextChangeRefused);
    view.scanTextView();
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(&view, Qt::Key_Backspace);
        view.scanTextView();
    }
    EXPECT_EQ(length(), 9990);
    EXPECT_EQ(TextDocumentStyling::attributesAt(view.document(), 6).user, u"@amy");
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST_F(LinedTextViewTest, ALongPasteIntoAShortTextIsTakenAndTheSpaceAfterItRefused)
{
    fill(200);
    // The refusal of the space ends the paste quietly: it never reaches the toolkit.
    QApplication::clipboard()->setText(QString(100, u'p'));
    view.paste();
    EXPECT_EQ(length(), 300);
    EXPECT_FALSE(view.text().endsWith(u' '));
    EXPECT_EQ(beeps, 1);
    EXPECT_THROW(view.pasteText(QStringLiteral("more")), TextChangeRefused);
    EXPECT_EQ(length(), 300);

    // A paste below the limit is followed by one space.
    fill(10);
    view.pasteText(QStringLiteral("hello"));
    EXPECT_EQ(view.text(), QString(10, u'a') + QStringLiteral("hello "));
    // Undo takes the paste and its space back in one step.
    view.undo();
    EXPECT_EQ(view.text(), QString(10, u'a'));
}

TEST_F(LinedTextViewTest, AnEditedPastedLinkStaysAsTheUserLeftItAndOneRefusedIsNotAnnounced)
{
    QSignalSpy pasted(&view, &LinedTextView::linkPasted);
    view.pasteText(QStringLiteral("https://example.org/a/long/path"));
    ASSERT_EQ(pasted.count(), 1);
    view.moveCursor(QTextCursor::Start);
    view.moveCursor(QTextCursor::Right);
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_FALSE(view.replacePastedLink(pasted.at(0).at(0).toInt(), QStringLiteral("http://s/1")));
    EXPECT_EQ(view.text(), QStringLiteral("htps://example.org/a/long/path "));
    fill(255);
    EXPECT_THROW(
        view.pasteText(QStringLiteral("https://example.org/other/path")), TextChangeRefused);
    EXPECT_EQ(pasted.count(), 1);
}

TEST_F(LinedTextViewTest, ScanningMarksAndAPasteClearsTheMarks)
{
    view.setPlainText(QStringLiteral("hi @amy #tag"));
    view.scanTextView();
    EXPECT_EQ(TextDocumentStyling::attributesAt(view.document(), 4).user, u"@amy");
    view.moveCursor(QTextCursor::End);
    view.pasteText(QStringLiteral("!"));
    EXPECT_FALSE(TextDocumentStyling::attributesAt(view.document(), 4).isEntity());
    view.scanTextView();
    EXPECT_EQ(TextDocumentStyling::attributesAt(view.document(), 9).hash, u"#tag");
}

TEST_F(LinedTextViewTest, TheCompletionListNarrowsAsTheUserTypesAndTabChooses)
{
    view.setWordSource([] {
        return QStringList { QStringLiteral("adam"), QStringLiteral("bob"),
            QStringLiteral("bobby") };
    });
    QTest::keyClicks(&view, QStringLiteral("hi @bo"));
    view.complete();
    ASSERT_TRUE(view.isCompletionVisible());
    QAbstractItemView *list = view.completer()->popup();
    EXPECT_EQ(list->model()->rowCount(), 2);
    QTest::keyClicks(list, QStringLiteral("bb"));
    EXPECT_EQ(view.text(), QStringLiteral("hi @bobb"));
    ASSERT_TRUE(view.isCompletionVisible());
    EXPECT_EQ(list->model()->rowCount(), 1);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(view.isCompletionVisible());
    QTest::keyClicks(&view, QStringLiteral(" @b"));
    view.complete();
    ASSERT_TRUE(view.isCompletionVisible());
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(view.text(), QStringLiteral("hi @bobb @bobby"));
}

TEST_F(LinedTextViewTest, ControlReturnAsksToSendAndInsertsNothing)
{
    QSignalSpy send(&view, &LinedTextView::sendRequested);
    QTest::keyClicks(&view, QStringLiteral("hi"));
    QTest::keyClick(&view, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(send.count(), 2);
    EXPECT_EQ(view.text(), QStringLiteral("hi"));
}

TEST(LinedTextViewPalette, TheComposersTextReadsUnderALightAndADarkPalette)
{
    const auto reads = [](const QColor &ink, const QColor &ground) {
        return ReadableColors::contrastRatio(ink, ground) >= ReadableColors::minimumTextContrast;
    };
    const QPalette before = QApplication::palette();
    EXPECT_EQ(
        LinedTextView().palette().color(QPalette::Text), ComposerRules::composerTextStyle(0).color)
        << "the composer keeps its own grey on a light palette";
    QPalette dark(QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    {
        // Made and written in under the light palette; the desktop then turns dark.
        LinedTextView view;
        view.setPlainText(QStringLiteral("@amy see www.example.com #tag"));
        view.scanTextView();
        EXPECT_EQ(TextDocumentStyling::attributesAt(view.document(), 1).color,
            EntityMarking::mentionColor());
        QApplication::setPalette(dark);
        QApplication::processEvents(); // the change reaches widgets as an event
        const QPalette shown = view.palette();
        EXPECT_EQ(shown.color(QPalette::Text), QColor(0xee, 0xee, 0xee));

        // The marks are drawn in their own hues, made readable on the dark base.
        const QColor base = shown.color(QPalette::Base);
        for (const auto &[position, own] : { std::pair { 1, EntityMarking::mentionColor() },
                 std::pair { 12, EntityMarking::linkColor() },
                 std::pair { 27, EntityMarking::hashtagColor() } }) {
            const QColor drawn = TextDocumentStyling::attributesAt(view.document(), position).color;
            EXPECT_TRUE(reads(drawn, base)) << drawn.name().toStdString();
            EXPECT_FALSE(reads(own, base)) << "the mark's own colour would not read here";
            EXPECT_NEAR(drawn.hslHueF(), own.hslHueF(), 0.02);
        }
    }
    QApplication::setPalette(before);

    // A window of a dark palette of its own darkens the composer in it too.
    QWidget window;
    auto *inWindow = new LinedTextView(&window);
    window.setPalette(dark);
    const QPalette shown = inWindow->palette();
    EXPECT_EQ(shown.color(QPalette::Base), QColor(0x20, 0x20, 0x20));
    EXPECT_TRUE(reads(shown.color(QPalette::Text), shown.color(QPalette::Base)));
}

} // namespace
