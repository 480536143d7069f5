// What happens as the user writes: pasted links shortened in the background,
// names offered after "@", and a draft that outlives the program.
#include "ComposerFixture.h"

#include "app/WindowCommands.h"

#include "service/Account.h"
#include "service/LinkShortener.h"
#include "support/CompletionWords.h"
#include "text/CompletionRules.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

class ComposerTypingTest : public ComposerFixture {
protected:
    // Whether the list of names opens within the pause after the last change.
    bool completionOpensAfterThePause()
    {
        return testsupport::waitUntil([&] { return view().isCompletionVisible(); },
            std::chrono::milliseconds(CompletionRules::delayMs + 250));
    }
};

const QString longLink = QStringLiteral("https://example.org/a/rather/long/path?x=1&y=2");

TEST_F(ComposerTypingTest, APastedLinkBecomesItsShortLinkWhereItWasPasted)
{
    ASSERT_TRUE(sandbox.setLatency(500));
    delegate->newPost();
    type(QStringLiteral("look "));
    QApplication::clipboard()->setText(longLink);
    view().paste();
    // The paste is there at once, with its space; the window goes on.
    EXPECT_EQ(view().text(), QStringLiteral("look ") + longLink + QLatin1Char(' '));
    type(QStringLiteral("now"));
    view().moveCursor(QTextCursor::Start);
    type(QStringLiteral(">> "));

    ASSERT_TRUE(testsupport::waitUntil([&] { return view().pendingPastedLinks() == 0; }, 10s));
    const QString shortLink = sandbox.baseUrl().toString() + QStringLiteral("/s/1000");
    EXPECT_EQ(view().text(), QStringLiteral(">> look ") + shortLink + QStringLiteral(" now"));
    bool asked = false;
    for (const QJsonValue &request : sandbox.requests()) {
        if (request.toObject().value(QStringLiteral("path")).toString() == u"/create.php") {
            asked = true;
            EXPECT_EQ(request.toObject().value(QStringLiteral("query")).toString(),
                QStringLiteral("format=simple&url=") + longLink);
        }
    }
    EXPECT_TRUE(asked);

    // A short paste or a sentence goes nowhere.
    ASSERT_TRUE(sandbox.clearRequests());
    view().pasteText(QStringLiteral("http://a.io"));
    view().pasteText(QStringLiteral("read ") + longLink + QStringLiteral(" today"));
    EXPECT_EQ(view().pendingPastedLinks(), 0);
}

TEST_F(ComposerTypingTest, AShortenerThatFailsLeavesThePasteAsItWas)
{
    delegate->newPost();
    composer().shortener().setTimeout(800ms);
    const std::function<bool()> failures[] = {
        [&] { return sandbox.injectFault(QStringLiteral("/create.php"), 500); },
        [&] {
            return sandbox.injectAnswer(QStringLiteral("/create.php"),
                "<html><body>Service unavailable</body></html>", "text/html");
        },
        [&] { return sandbox.injectFault(QStringLiteral("/create.php"), 0, 0, false, true, 3); },
        [&] { return sandbox.injectFault(QStringLiteral("/create.php"), 200, 5000); },
    };
    for (const auto &failure : failures) {
        ASSERT_TRUE(failure());
        view().clear();
        view().pasteText(longLink);
        ASSERT_TRUE(testsupport::waitUntil([&] { return view().pendingPastedLinks() == 0; }, 10s));
        EXPECT_EQ(view().text(), longLink + QLatin1Char(' '));
        ASSERT_TRUE(sandbox.clearFaults());
    }
    EXPECT_TRUE(alerts.shown().isEmpty());
}

TEST_F(ComposerTypingTest, AtSignAndAPauseOfferTheNamesTheUserFollows)
{
    // The word list fills from the following list once the user is known.
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return delegate->account().completionWords().words().size() > 1; }, 10s));
    const QStringList words = delegate->account().completionWords().words();
    ASSERT_TRUE(words.contains(QStringLiteral("alice")));
    ASSERT_EQ(words.count(QStringLiteral("alice")), 1);

    delegate->newPost();
    window().show();
    QApplication::setActiveWindow(&window());
    view().setFocus();
    // Typing on before the pause is over puts the list off: with keys 100 ms
    // apart for longer than the pause, it opens only a pause after the last.
    bool openedWhileTyping = false;
    QElapsedTimer sinceChange;
    QObject watching; // ends the watch with this test
    QObject::connect(&view(), &QPlainTextEdit::textChanged, &watching, [&] {
        openedWhileTyping |= view().isCompletionVisible();
        sinceChange.start();
    });
    QTest::keyClicks(&view(), QStringLiteral("hi @ali"), Qt::NoModifier, 100);
    EXPECT_FALSE(openedWhileTyping);
    ASSERT_TRUE(testsupport::waitUntil([&] { return view().isCompletionVisible(); }, 2s));
    EXPECT_GE(sinceChange.elapsed(), CompletionRules::delayMs - 50);
    QAbstractItemView *list = view().completer()->popup();
    ASSERT_GE(list->model()->rowCount(), 1);
    EXPECT_EQ(list->model()->index(0, 0).data().toString(), QStringLiteral("alice"));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(view().text(), QStringLiteral("hi @alice"));
    // A name typed out in full is not offered again.
    EXPECT_FALSE(completionOpensAfterThePause());

    // Escape closes the list and leaves the window's close command alone.
    QTest::keyClicks(&view(), QStringLiteral(" @b"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return view().isCompletionVisible(); }, 2s));
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(view().isCompletionVisible());
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_EQ(view().text(), QStringLiteral("hi @alice @b"));
    // Ctrl+Return sends, list or no list.
    QTest::keyClicks(&view(), QStringLiteral("o"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return view().isCompletionVisible(); }, 2s));
    EXPECT_TRUE(sendAndWait([&] { QTest::keyClick(list, Qt::Key_Return, Qt::ControlModifier); }));
    EXPECT_EQ(postRequests().size(), 1);
    EXPECT_FALSE(view().isCompletionVisible());

    // Not inside a word, not with a selection, not for a hashtag.
    view().setPlainText(QStringLiteral("@alxyz"));
    QTextCursor inside = view().textCursor();
    inside.setPosition(3);
    view().setTextCursor(inside);
    EXPECT_FALSE(completionOpensAfterThePause());
    view().setPlainText(QStringLiteral("#al"));
    view().moveCursor(QTextCursor::End);
    EXPECT_FALSE(completionOpensAfterThePause());
}

TEST_F(ComposerTypingTest, TheDraftComesBackWhenTheProgramEndedWithoutQuitting)
{
    select(QStringLiteral("773"));
    delegate->composer().doTheReply();
    // Steady typing for over a second: the draft is written meanwhile, not
    // only after the typing stops.
    view().setFocus();
    QTest::keyClicks(&view(), QStringLiteral("unsent words"), Qt::NoModifier, 100);
    DraftFile written;
    written.open(draftPath());
    ASSERT_TRUE(written.draft().has_value());
    EXPECT_TRUE(written.draft()->text.startsWith(u"@noah @mei unsent"));
    ASSERT_TRUE(testsupport::waitUntil([&] {
        written.open(draftPath());
        return written.draft() && written.draft()->text.endsWith(u"words");
    }));

    // Gone without its quit steps, as after a crash.
    delegate.reset();
    startProgram();
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_EQ(view().text(), QStringLiteral("@noah @mei unsent words"));
    EXPECT_EQ(composer().currentPostType(), 1u);
    EXPECT_EQ(composer().replyOrQuoteID(), QStringLiteral("773"));
    EXPECT_EQ(window().postButtonImage(), QStringLiteral("replyTemplate"));

    // A quit right after a change writes it at once; an emptied composer leaves none.
    type(QStringLiteral("!"));
    delegate->applicationWillTerminate();
    DraftFile file;
    file.open(draftPath());
    ASSERT_TRUE(file.draft().has_value());
    EXPECT_EQ(file.draft()->text, QStringLiteral("@noah @mei unsent words!"));
    delegate->windowCommands().closeWindow();
    delegate->applicationWillTerminate();
    EXPECT_FALSE(QFile::exists(draftPath()));
}

TEST_F(ComposerTypingTest, AnUnreadableDraftIsLeftAloneAndTheComposerStartsEmpty)
{
    delegate.reset();
    QFile broken(draftPath());
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{ not json");
    broken.close();
    startProgram();
    EXPECT_FALSE(window().isComposerOpen());
    delegate->newPost();
    type(QStringLiteral("new text"));
    delegate->applicationWillTerminate();
    ASSERT_TRUE(broken.open(QIODevice::ReadOnly));
    EXPECT_EQ(broken.readAll(), QByteArrayLiteral("{ not json"));
}

// The real program, typed into through the X server, then killed.
TEST_F(ComposerTypingTest, ADraftSurvivesAKillOfTheProgram)
{
    // The test command runs under xvfb-run; the setup installs xdotool.
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY"));
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty());
    delegate.reset();
    Preferences::standard().sync();

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VELTO_BINARY));
    ASSERT_TRUE(program.waitForStarted(10000));
    const auto xdotool = [](const QStringList &arguments) {
        QProcess tool;
        tool.start(QStringLiteral("xdotool"), arguments);
        return tool.waitForFinished(15000) && tool.exitCode() == 0
            ? QString::fromUtf8(tool.readAllStandardOutput()).trimmed()
            : QString();
    };
    const QString windowId
        = xdotool({ QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--pid"),
                      QString::number(program.processId()), QStringLiteral("--name"),
                      QStringLiteral("^Velto$") })
              .section(QLatin1Char('\n'), 0, 0);
    ASSERT_FALSE(windowId.isEmpty());
    // Let the first page arrive, then open the composer and write.
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return sandbox.requestCount(u"GET"_qs, u"/stream/0/posts/stream"_qs) > 0; }, 10s));
    // No window manager runs: the focus is given straight.
    xdotool({ QStringLiteral("windowfocus"), QStringLiteral("--sync"), windowId });
    xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+n") });
    xdotool({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
        QStringLiteral("kept through a kill") });

    const bool written = testsupport::waitUntil(
        [&] {
            DraftFile file;
            file.open(draftPath());
            return file.draft() && file.draft()->text == u"kept through a kill";
        },
        10s);
    program.kill();
    program.waitForFinished(5000);
    if (!written)
        ADD_FAILURE() << program.readAllStandardError().toStdString();
    ASSERT_TRUE(written);

    startProgram();
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_EQ(view().text(), QStringLiteral("kept through a kill"));
}

} // namespace
