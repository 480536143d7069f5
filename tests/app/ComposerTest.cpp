// Writing against the sandbox: starting a new post, a reply and a quote by
// every route, the counter, sending once and what follows success and
// failure; what happens as the user writes: pasted links shortened in the
// background, names offered after "@", and a draft that outlives the program.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/ComposerController.h"
#include "app/ComposerPane.h"
#include "app/MainWindow.h"
#include "app/PostCommands.h"
#include "app/WindowCommands.h"
#include "core/AppPaths.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "platform/SystemBeep.h"
#include "service/Account.h"
#include "service/PostSender.h"
#include "service/PostsArrayController.h"
#include "service/StreamLoader.h"
#include "support/CompletionWords.h"
#include "support/DataFiles.h"
#include "text/CompletionRules.h"
#include "text/ComposerRules.h"
#include "text/LinedTextView.h"
#include "text/ReadableColors.h"
#include "views/NoticeBar.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

using namespace std::chrono_literals;

namespace {

class ComposerTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        SystemBeep::setPlayer([this] { ++beeps; });
        startProgram();
    }
    void TearDown() override
    {
        SystemBeep::setPlayer({});
        ProgramTest::TearDown();
    }

    void startProgram()
    {
        start();
        QApplication::setActiveWindow(delegate->window());
    }

    ComposerController &composer() { return delegate->composer(); }
    LinedTextView &view() { return *window().composer(); }
    ComposerPane &pane() { return *window().composerPane(); }

    // Types into the composer as a user would.
    void type(const QString &text)
    {
        view().setFocus();
        QTest::keyClicks(&view(), text);
    }

    // The POST requests to the posts endpoint the sandbox has seen.
    QList<QJsonObject> postRequests() { return requestsTo(u"POST"_qs, u"/stream/0/posts"_qs); }

    // Sends what the composer holds and waits for the answer.
    bool sendAndWait(const std::function<void()> &send)
    {
        QSignalSpy finished(&composer(), &ComposerController::postFinished);
        send();
        if (!finished.wait(15000))
            return false;
        return finished.first().at(0).toBool();
    }

    QString draftPath() const
    {
        return AppPaths::supportFolder() + QLatin1Char('/') + DataFiles::draftFileName;
    }
    // The text of the draft on disk; none when there is no draft.
    std::optional<QString> draftText() const
    {
        DraftFile file;
        file.open(draftPath());
        return file.draft() ? std::optional(file.draft()->text) : std::nullopt;
    }

    int beeps = 0;
};

TEST_F(ComposerTest, NewPostOpensClearsOrClosesTheComposerAndTheCounterFollowsTheText)
{
    ASSERT_FALSE(window().isComposerOpen());
    delegate->newPost();
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_TRUE(view().hasFocus());
    type(u"draft"_qs);
    composer().setCurrentPostType(ComposerRules::Quote);

    delegate->newPost();
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_TRUE(view().text().isEmpty());
    EXPECT_EQ(composer().currentPostType(), 0u);
    EXPECT_EQ(window().postButtonImage(), u"postTemplate"_qs);

    delegate->newPost();
    EXPECT_FALSE(window().isComposerOpen());
    // The bus and the swipe reach the same command.
    NotificationBus::defaultCenter().post(nf::gestureRight);
    EXPECT_TRUE(window().isComposerOpen());

    // The counter follows the text, and a key past the limit beeps.
    QLabel *counter = pane().counter();
    EXPECT_FALSE(counter->isVisibleTo(&pane()));
    EXPECT_FALSE(pane().postButton()->isEnabled());
    type(u"a"_qs);
    EXPECT_TRUE(counter->isVisibleTo(&pane()));
    EXPECT_EQ(counter->text(), u"254"_qs);
    EXPECT_TRUE(pane().postButton()->isEnabled());

    view().setPlainText(QString(300, u'x'));
    EXPECT_EQ(counter->text(), u"-45"_qs);
    // Past the limit a key beeps and is dropped; sending stays possible.
    view().moveCursor(QTextCursor::End);
    type(u"y"_qs);
    EXPECT_EQ(view().text().size(), 300);
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(composer().isPostingAllowed());
    view().clear();
    EXPECT_FALSE(counter->isVisibleTo(&pane()));
    EXPECT_FALSE(composer().isPostingAllowed());
}

TEST_F(ComposerTest, ReplyAndQuoteStartFromTheSelectedPostByEveryRouteBeforeTheUsersOwnText)
{
    // noah's post mentions the signed-in user and mei.
    selectPost(u"773"_qs);
    NotificationBus::defaultCenter().post(nf::reply);
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_TRUE(view().hasFocus());
    EXPECT_EQ(view().text(), u"@noah @mei "_qs);
    EXPECT_EQ(view().textCursor().position(), 11);
    EXPECT_EQ(composer().currentPostType(), 1u);
    EXPECT_EQ(composer().replyOrQuoteID(), u"773"_qs);
    EXPECT_EQ(window().postButtonImage(), u"replyTemplate"_qs);

    NotificationBus::defaultCenter().post(nf::quote);
    EXPECT_EQ(view().text(), QString::fromUtf8("» @noah  @demo @mei lunch on Friday? "));
    EXPECT_EQ(composer().currentPostType(), 2u);
    EXPECT_EQ(window().postButtonImage(), u"quoteTemplate"_qs);

    // The menus' commands; one's own post starts with one's own name.
    selectPost(u"786"_qs);
    delegate->commands().trigger(u"reply"_qs);
    EXPECT_EQ(view().text(), u"@demo @xavier "_qs);
    delegate->commands().trigger(u"quote"_qs);
    EXPECT_TRUE(view().text().startsWith(QString::fromUtf8("» @demo  Anyone want")));

    // Emptying a reply makes it a new post.
    view().selectAll();
    QTest::keyClick(&view(), Qt::Key_Backspace);
    EXPECT_EQ(composer().currentPostType(), 0u);
    EXPECT_EQ(window().postButtonImage(), u"postTemplate"_qs);

    // A reply puts its names before what the user had written.
    type(u"my own words"_qs);
    selectPost(u"782"_qs);
    delegate->postCommands().doubleClickAction();
    EXPECT_EQ(view().text(), u"@farid my own words"_qs);
    EXPECT_EQ(composer().replyOrQuoteID(), u"782"_qs);
    EXPECT_TRUE(testsupport::waitUntil([&] { return draftText() == u"@farid my own words"; }));
    // Taking the names away takes the reply away: it would go out as one.
    view().undo();
    EXPECT_EQ(view().text(), u"my own words"_qs);
    EXPECT_EQ(composer().currentPostType(), 0u);
    EXPECT_EQ(window().postButtonImage(), u"postTemplate"_qs);
}

TEST_F(ComposerTest, OneSendMakesOnePostTheShownStreamShowsItAndTextWrittenMeanwhileStays)
{
    ASSERT_TRUE(sandbox.setLatency(400));
    delegate->newPost();
    type(u"Hello #world & friends"_qs);
    ASSERT_TRUE(sandbox.clearRequests());

    QSignalSpy loads(&delegate->streams(), &StreamLoader::streamLoadFinished);
    ASSERT_TRUE(sendAndWait([&] {
        // Clicked twice and the keys as well: still one post.
        QTest::mouseClick(pane().postButton(), Qt::LeftButton);
        EXPECT_FALSE(pane().postButton()->isEnabled());
        QTest::mouseClick(pane().postButton(), Qt::LeftButton);
        QTest::keyClick(&view(), Qt::Key_Return, Qt::ControlModifier);
        delegate->composer().post();
        // Typing while the post is on its way does not allow another send.
        type(u"!"_qs);
        view().textCursor().deletePreviousChar();
        EXPECT_FALSE(composer().isPostingAllowed());
        delegate->composer().post();
    }));
    const QList<QJsonObject> sent = postRequests();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(
        sent.first().value(u"body"_qs).toString(), u"text=Hello%20%23world%20%26%20friends"_qs);

    EXPECT_FALSE(window().isComposerOpen());
    EXPECT_TRUE(view().text().isEmpty());
    EXPECT_EQ(composer().currentPostType(), 0u);
    ASSERT_TRUE(loads.wait(15000));
    EXPECT_TRUE(loads.last().at(0).toBool());
    ASSERT_GT(posts().count(), 0);
    EXPECT_EQ(
        posts().arrangedObject(0)->post.value(u"text"_qs).toString(), u"Hello #world & friends"_qs);
    EXPECT_TRUE(alerts.shown().isEmpty());

    // Text written while the post was on its way stays, without the part
    // that went out; where that part was changed meanwhile, all of it stays.
    const struct {
        QString typed;
        std::function<void()> meanwhile;
        QString kept;
    } sends[] = {
        { u"first"_qs, [&] { type(u" and more"_qs); }, u"and more"_qs },
        { u"second"_qs,
            [&] {
                view().moveCursor(QTextCursor::Start);
                type(u"my "_qs);
            },
            u"my second"_qs },
    };
    for (const auto &send : sends) {
        SCOPED_TRACE(send.typed.toStdString());
        delegate->newPost();
        type(send.typed);
        ASSERT_TRUE(sendAndWait([&] {
            delegate->composer().post();
            send.meanwhile();
        }));
        EXPECT_EQ(postRequests().last().value(u"body"_qs).toString(), u"text="_qs + send.typed);
        EXPECT_TRUE(window().isComposerOpen());
        EXPECT_EQ(view().text(), send.kept);
        EXPECT_TRUE(composer().isPostingAllowed());
    }
}

TEST_F(ComposerTest, AFailedSendKeepsTextKindAndDraftAndTheReplyGoesToThePostItWasStartedOn)
{
    selectPost(u"773"_qs);
    delegate->composer().doTheReply();
    type(u"see you"_qs);
    const QString text = view().text();
    // Another post selected meanwhile does not redirect the reply.
    selectPost(u"782"_qs);
    ASSERT_TRUE(sandbox.setLatency(200));

    const QString path = u"/stream/0/posts"_qs;
    // With the service or the connection down the alert says the text is kept.
    const QString down = PostSender::offlineMessage();
    const std::pair<std::function<bool()>, QString> faults[] = {
        { [&] { return sandbox.injectFault(path, 500); }, down },
        { [&] { return sandbox.injectAnswer(path, R"({"id":"1"})", "application/json", 201); },
            u"Unable to post."_qs },
        { [&] { return sandbox.injectFault(path, 0, 0, false, true); }, down },
    };
    qsizetype alertsSoFar = 0;
    for (const auto &[fault, message] : faults) {
        ASSERT_TRUE(fault());
        ASSERT_TRUE(sandbox.clearRequests());
        EXPECT_FALSE(sendAndWait([&] { delegate->composer().post(); }));
        ASSERT_TRUE(testsupport::waitUntil([&] { return alerts.shown().size() > alertsSoFar; }));
        alertsSoFar = alerts.shown().size();
        EXPECT_EQ(alerts.shown().last().message, message);
        // A broken connection is not sent again: it could post twice.
        EXPECT_EQ(postRequests().size(), 1);
        EXPECT_TRUE(window().isComposerOpen());
        EXPECT_EQ(view().text(), text);
        EXPECT_EQ(composer().currentPostType(), 1u);
        EXPECT_TRUE(composer().isPostingAllowed());
        EXPECT_TRUE(pane().postButton()->isEnabled());
    }
    ASSERT_TRUE(sandbox.clearFaults());

    // The service's own refusal: a text past its limit.
    view().setPlainText(QString(300, u'x'));
    EXPECT_FALSE(sendAndWait([&] { delegate->composer().post(); }));
    EXPECT_EQ(view().text().size(), 300);
    ASSERT_TRUE(testsupport::waitUntil([&] { return alerts.shown().size() > alertsSoFar; }));

    // The draft is there all along, and goes with the successful send.
    view().setPlainText(text);
    ASSERT_TRUE(testsupport::waitUntil([&] { return QFile::exists(draftPath()); }));
    EXPECT_TRUE(sendAndWait([&] { delegate->composer().post(); }));
    EXPECT_EQ(postRequests().last().value(u"body"_qs).toString(),
        u"text=%40noah%20%40mei%20see%20you&reply_to=773"_qs);
    EXPECT_FALSE(QFile::exists(draftPath()));
    EXPECT_FALSE(window().isComposerOpen());

    // A quote goes to the post it quotes.
    delegate->composer().quote();
    ASSERT_TRUE(sendAndWait([&] { delegate->composer().post(); }));
    EXPECT_TRUE(postRequests().last().value(u"body"_qs).toString().endsWith(u"&reply_to=782"_qs));
}

TEST(ComposerCounter, EachOfItsColoursReadsOnTheDarkPaneAndKeepsItsHue)
{
    ComposerPane pane;
    QPalette dark(QColor(0x2b, 0x2b, 0x2b));
    pane.setPalette(dark);
    for (const QColor &color : { ComposerRules::counterGreen(), ComposerRules::counterOrange(),
             ComposerRules::counterRed() }) {
        pane.showCounter({ true, 5, color });
        const QPalette shown = pane.counter()->palette();
        const QColor ink = shown.color(QPalette::WindowText);
        EXPECT_GE(ReadableColors::contrastRatio(ink, shown.color(QPalette::Window)),
            ReadableColors::minimumTextContrast)
            << color.name().toStdString();
        EXPECT_NEAR(ink.hslHueF(), color.hslHueF(), 0.03);
    }
}

const QString longLink = u"https://example.org/a/rather/long/path?x=1&y=2"_qs;

TEST_F(ComposerTest, APastedLinkBecomesItsShortLinkWhereItWasPasted)
{
    ASSERT_TRUE(sandbox.setLatency(500));
    delegate->newPost();
    type(u"look "_qs);
    QApplication::clipboard()->setText(longLink);
    view().paste();
    // The paste is there at once, with its space; the window goes on.
    EXPECT_EQ(view().text(), u"look "_qs + longLink + QLatin1Char(' '));
    type(u"now"_qs);
    view().moveCursor(QTextCursor::Start);
    type(u">> "_qs);

    ASSERT_TRUE(testsupport::waitUntil([&] { return view().pendingPastedLinks() == 0; }, 10s));
    const QString shortLink = sandbox.baseUrl().toString() + u"/s/1000"_qs;
    EXPECT_EQ(view().text(), u">> look "_qs + shortLink + u" now"_qs);
    bool asked = false;
    for (const QJsonValue &request : sandbox.requests()) {
        if (request.toObject().value(u"path"_qs).toString() == u"/create.php") {
            asked = true;
            EXPECT_EQ(request.toObject().value(u"query"_qs).toString(),
                u"format=simple&url="_qs + longLink);
        }
    }
    EXPECT_TRUE(asked);

    // A short paste or a sentence goes nowhere.
    view().pasteText(u"http://a.io"_qs);
    view().pasteText(u"read "_qs + longLink + u" today"_qs);
    EXPECT_EQ(view().pendingPastedLinks(), 0);

    // A shortener that fails leaves the paste as it was, without a word.
    ASSERT_TRUE(sandbox.injectFault(u"/create.php"_qs, 500));
    view().clear();
    view().pasteText(longLink);
    ASSERT_TRUE(testsupport::waitUntil([&] { return view().pendingPastedLinks() == 0; }, 10s));
    EXPECT_EQ(view().text(), longLink + QLatin1Char(' '));
    EXPECT_TRUE(alerts.shown().isEmpty());
}

TEST_F(ComposerTest, AtSignAndAPauseOfferTheNamesTheUserFollows)
{
    // The word list fills from the following list once the user is known.
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return delegate->account().completionWords().words().size() > 1; }, 10s));
    const QStringList words = delegate->account().completionWords().words();
    ASSERT_TRUE(words.contains(u"alice"_qs));
    ASSERT_EQ(words.count(u"alice"_qs), 1);

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
    QTest::keyClicks(&view(), u"hi @ali"_qs, Qt::NoModifier, 100);
    EXPECT_FALSE(openedWhileTyping);
    ASSERT_TRUE(testsupport::waitUntil([&] { return view().isCompletionVisible(); }, 2s));
    EXPECT_GE(sinceChange.elapsed(), CompletionRules::delayMs - 50);
    QAbstractItemView *list = view().completer()->popup();
    ASSERT_GE(list->model()->rowCount(), 1);
    EXPECT_EQ(list->model()->index(0, 0).data().toString(), u"alice"_qs);
    // Tab chooses, as Return does, rather than moving on in the window.
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(view().text(), u"hi @alice"_qs);
    EXPECT_TRUE(view().hasFocus());
    // A name typed out in full is not offered again within the pause.
    EXPECT_FALSE(testsupport::waitUntil([&] { return view().isCompletionVisible(); },
        std::chrono::milliseconds(CompletionRules::delayMs + 250)));

    // Escape closes the list and leaves the window's close command alone.
    QTest::keyClicks(&view(), u" @b"_qs);
    ASSERT_TRUE(testsupport::waitUntil([&] { return view().isCompletionVisible(); }, 2s));
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(view().isCompletionVisible());
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_EQ(view().text(), u"hi @alice @b"_qs);
    // Ctrl+Return sends, list or no list.
    QTest::keyClicks(&view(), u"o"_qs);
    ASSERT_TRUE(testsupport::waitUntil([&] { return view().isCompletionVisible(); }, 2s));
    EXPECT_TRUE(sendAndWait([&] { QTest::keyClick(list, Qt::Key_Return, Qt::ControlModifier); }));
    EXPECT_EQ(postRequests().size(), 1);
    EXPECT_FALSE(view().isCompletionVisible());
}

TEST_F(ComposerTest, TheDraftComesBackWhenTheProgramEndedWithoutQuittingOrWasKilled)
{
    selectPost(u"773"_qs);
    delegate->composer().doTheReply();
    // Steady typing for over a second: the draft is written meanwhile, not
    // only after the typing stops.
    view().setFocus();
    QTest::keyClicks(&view(), u"unsent words"_qs, Qt::NoModifier, 100);
    EXPECT_TRUE(draftText().value_or(QString()).startsWith(u"@noah @mei unsent"));
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return draftText().value_or(QString()).endsWith(u"words"); }));

    // Gone without its quit steps, as after a crash.
    delegate.reset();
    startProgram();
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_EQ(view().text(), u"@noah @mei unsent words"_qs);
    EXPECT_EQ(composer().currentPostType(), 1u);
    EXPECT_EQ(composer().replyOrQuoteID(), u"773"_qs);
    EXPECT_EQ(window().postButtonImage(), u"replyTemplate"_qs);

    // A quit right after a change writes it at once; an emptied composer leaves none.
    type(u"!"_qs);
    delegate->applicationWillTerminate();
    EXPECT_EQ(draftText(), u"@noah @mei unsent words!"_qs);
    // A draft that cannot be written is said, and written at quit once it can.
    ASSERT_TRUE(QFile::remove(draftPath()) && QDir().mkpath(draftPath()));
    type(u"?"_qs);
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return window().noticeBar()->text().contains(draftPath()); }));
    ASSERT_TRUE(QDir(draftPath()).removeRecursively());
    delegate->applicationWillTerminate();
    EXPECT_EQ(draftText(), u"@noah @mei unsent words!?"_qs);
    delegate->windowCommands().closeWindow();
    delegate->applicationWillTerminate();
    EXPECT_FALSE(QFile::exists(draftPath()));

    // The real program, typed into through the X server, then killed.
    // The test command runs under xvfb-run; the setup installs xdotool.
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY"));
    ASSERT_FALSE(QStandardPaths::findExecutable(u"xdotool"_qs).isEmpty());
    delegate.reset();
    Preferences::standard().sync();

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VELTO_BINARY));
    ASSERT_TRUE(program.waitForStarted(10000));
    const auto xdotool = [](const QStringList &arguments) {
        QProcess tool;
        tool.start(u"xdotool"_qs, arguments);
        return tool.waitForFinished(15000) && tool.exitCode() == 0
            ? QString::fromUtf8(tool.readAllStandardOutput()).trimmed()
            : QString();
    };
    const QString windowId
        = xdotool({ u"search"_qs, u"--sync"_qs, u"--pid"_qs, QString::number(program.processId()),
                      u"--name"_qs, u"^Velto$"_qs })
              .section(QLatin1Char('\n'), 0, 0);
    ASSERT_FALSE(windowId.isEmpty());
    // Let the first page arrive, then open the composer and write.
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return sandbox.requestCount(u"GET"_qs, u"/stream/0/posts/stream"_qs) > 0; }, 10s));
    // No window manager runs: the focus is given straight.
    xdotool({ u"windowfocus"_qs, u"--sync"_qs, windowId });
    xdotool({ u"key"_qs, u"ctrl+n"_qs });
    xdotool({ u"type"_qs, u"--delay"_qs, u"30"_qs, u"kept through a kill"_qs });

    const bool written
        = testsupport::waitUntil([&] { return draftText() == u"kept through a kill"; }, 10s);
    program.kill();
    program.waitForFinished(5000);
    ASSERT_TRUE(written) << program.readAllStandardError().toStdString();

    startProgram();
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_EQ(view().text(), u"kept through a kill"_qs);
}

} // namespace
