// Writing against the sandbox: starting a new post, a reply and a quote by
// every route, the counter, sending once and what follows success and failure.
#include "ComposerFixture.h"

#include "app/ComposerPane.h"
#include "app/PostCommands.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "service/PostSender.h"
#include "service/SelectedPost.h"
#include "service/StreamLoader.h"
#include "text/ComposerRules.h"
#include "text/ReadableColors.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

namespace {

using ComposerTest = ComposerFixture;

QAction *menuAction(MainWindow &window, const QString &title)
{
    for (QAction *menu : window.menuBar()->actions()) {
        for (QAction *action : menu->menu()->actions()) {
            if (action->text() == title)
                return action;
        }
    }
    return nullptr;
}

TEST_F(ComposerTest, NewPostOpensAnEmptyComposerClearsAFullOneAndClosesAnEmptyOne)
{
    ASSERT_FALSE(window().isComposerOpen());
    delegate->newPost();
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_TRUE(view().hasFocus());
    type(QStringLiteral("draft"));
    composer().setCurrentPostType(ComposerRules::Quote);

    delegate->newPost();
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_TRUE(view().text().isEmpty());
    EXPECT_EQ(composer().currentPostType(), 0u);
    EXPECT_EQ(window().postButtonImage(), QStringLiteral("postTemplate"));

    delegate->newPost();
    EXPECT_FALSE(window().isComposerOpen());
    // The bus and the swipe reach the same command.
    NotificationBus::defaultCenter().post(nf::gestureRight);
    EXPECT_TRUE(window().isComposerOpen());
}

TEST_F(ComposerTest, TheCounterFollowsTheTextInItsColours)
{
    delegate->newPost();
    QLabel *counter = pane().counter();
    EXPECT_FALSE(counter->isVisibleTo(&pane()));
    EXPECT_FALSE(pane().postButton()->isEnabled());
    type(QStringLiteral("a"));
    EXPECT_TRUE(counter->isVisibleTo(&pane()));
    EXPECT_EQ(counter->text(), QStringLiteral("254"));
    EXPECT_TRUE(pane().postButton()->isEnabled());

    view().setPlainText(QString(300, u'x'));
    EXPECT_EQ(counter->text(), QStringLiteral("-45"));
    EXPECT_EQ(counter->palette().color(QPalette::WindowText), ComposerRules::counterFor(300).color);
    // Past the limit a key beeps and is dropped; sending stays possible.
    view().moveCursor(QTextCursor::End);
    type(QStringLiteral("y"));
    EXPECT_EQ(view().text().size(), 300);
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(composer().isPostingAllowed());
    view().clear();
    EXPECT_FALSE(counter->isVisibleTo(&pane()));
    EXPECT_FALSE(composer().isPostingAllowed());
}

TEST_F(ComposerTest, ReplyAndQuoteStartFromTheSelectedPostByEveryRoute)
{
    // noah's post mentions the signed-in user and mei.
    select(QStringLiteral("773"));
    NotificationBus::defaultCenter().post(nf::reply);
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_TRUE(view().hasFocus());
    EXPECT_EQ(view().text(), QStringLiteral("@noah @mei "));
    EXPECT_EQ(view().textCursor().position(), 11);
    EXPECT_EQ(composer().currentPostType(), 1u);
    EXPECT_EQ(composer().replyOrQuoteID(), QStringLiteral("773"));
    EXPECT_EQ(window().postButtonImage(), QStringLiteral("replyTemplate"));

    NotificationBus::defaultCenter().post(nf::quote);
    EXPECT_EQ(view().text(), QString::fromUtf8("» @noah  @demo @mei lunch on Friday? "));
    EXPECT_EQ(composer().currentPostType(), 2u);
    EXPECT_EQ(window().postButtonImage(), QStringLiteral("quoteTemplate"));

    // The main menu's commands; one's own post starts with one's own name.
    select(QStringLiteral("786"));
    ASSERT_NE(menuAction(window(), QStringLiteral("Reply")), nullptr);
    menuAction(window(), QStringLiteral("Reply"))->trigger();
    EXPECT_EQ(view().text(), QStringLiteral("@demo @xavier "));
    menuAction(window(), QStringLiteral("Quote"))->trigger();
    EXPECT_TRUE(view().text().startsWith(QString::fromUtf8("» @demo  Anyone want")));

    // A double click on a post in no conversation starts a reply to it.
    window().setComposerOpen(false);
    select(QStringLiteral("782"));
    delegate->postCommands().doubleClickAction();
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_EQ(view().text(), QStringLiteral("@farid "));
    EXPECT_EQ(composer().replyOrQuoteID(), QStringLiteral("782"));

    // Emptying a reply makes it a new post.
    view().selectAll();
    QTest::keyClick(&view(), Qt::Key_Backspace);
    EXPECT_EQ(composer().currentPostType(), 0u);
    EXPECT_EQ(window().postButtonImage(), QStringLiteral("postTemplate"));
}

TEST_F(ComposerTest, AReplyPutsItsNamesBeforeWhatTheUserHadWritten)
{
    delegate->newPost();
    type(QStringLiteral("my own words"));
    select(QStringLiteral("782"));
    delegate->postCommands().doubleClickAction();
    EXPECT_EQ(view().text(), QStringLiteral("@farid my own words"));
    EXPECT_EQ(composer().replyOrQuoteID(), QStringLiteral("782"));
    EXPECT_TRUE(testsupport::waitUntil([&] {
        DraftFile file;
        file.open(draftPath());
        return file.draft() && file.draft()->text == u"@farid my own words";
    }));
    view().undo();
    EXPECT_EQ(view().text(), QStringLiteral("my own words"));
}

TEST_F(ComposerTest, OneSendMakesOnePostAndTheShownStreamShowsIt)
{
    ASSERT_TRUE(sandbox.setLatency(400));
    delegate->newPost();
    type(QStringLiteral("Hello #world & friends"));
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
        type(QStringLiteral("!"));
        view().textCursor().deletePreviousChar();
        EXPECT_FALSE(composer().isPostingAllowed());
        delegate->composer().post();
    }));
    const QList<QJsonObject> sent = postRequests();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent.first().value(QStringLiteral("body")).toString(),
        QStringLiteral("text=Hello%20%23world%20%26%20friends"));

    EXPECT_FALSE(window().isComposerOpen());
    EXPECT_TRUE(view().text().isEmpty());
    EXPECT_EQ(composer().currentPostType(), 0u);
    ASSERT_TRUE(loads.wait(15000));
    EXPECT_TRUE(loads.last().at(0).toBool());
    ASSERT_GT(posts().count(), 0);
    EXPECT_EQ(posts().arrangedObject(0)->post.value(QStringLiteral("text")).toString(),
        QStringLiteral("Hello #world & friends"));
    EXPECT_TRUE(alerts.shown().isEmpty());
}

TEST_F(ComposerTest, AReplyAndAQuoteGoToThePostTheyWereStartedOn)
{
    select(QStringLiteral("773"));
    delegate->composer().doTheReply();
    type(QStringLiteral("yes!"));
    // Another post selected meanwhile does not redirect the reply.
    select(QStringLiteral("782"));
    ASSERT_TRUE(sandbox.clearRequests());
    ASSERT_TRUE(sendAndWait([&] { delegate->composer().post(); }));
    ASSERT_EQ(postRequests().size(), 1);
    EXPECT_EQ(postRequests().first().value(QStringLiteral("body")).toString(),
        QStringLiteral("text=%40noah%20%40mei%20yes%21&reply_to=773"));

    delegate->composer().quote();
    ASSERT_TRUE(sendAndWait([&] { delegate->composer().post(); }));
    ASSERT_EQ(postRequests().size(), 2);
    EXPECT_TRUE(postRequests()
                    .last()
                    .value(QStringLiteral("body"))
                    .toString()
                    .endsWith(QStringLiteral("&reply_to=782")));
}

TEST_F(ComposerTest, AFailedSendKeepsTextKindAndDraftAndAllowsSendingAgain)
{
    select(QStringLiteral("773"));
    delegate->composer().doTheReply();
    type(QStringLiteral("see you"));
    const QString text = view().text();
    ASSERT_TRUE(sandbox.setLatency(200));

    const QString path = QStringLiteral("/stream/0/posts");
    // With the service or the connection down the alert says the text is kept.
    const QString down = PostSender::offlineMessage();
    const std::pair<std::function<bool()>, QString> faults[] = {
        { [&] { return sandbox.injectFault(path, 500); }, down },
        { [&] { return sandbox.injectAnswer(path, R"({"id":"1"})", "application/json", 201); },
            u"Unable to post."_qs },
        { [&] { return sandbox.injectFault(path, 0, 0, false, true); }, down },
        { [&] { return sandbox.injectFault(path, 0, 0, false, true, 2); }, down },
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
    EXPECT_FALSE(QFile::exists(draftPath()));
    EXPECT_FALSE(window().isComposerOpen());
}

TEST_F(ComposerTest, TextWrittenWhileThePostWasOnItsWayStays)
{
    ASSERT_TRUE(sandbox.setLatency(500));
    delegate->newPost();
    type(QStringLiteral("first"));
    ASSERT_TRUE(sendAndWait([&] {
        delegate->composer().post();
        type(QStringLiteral(" and more"));
    }));
    EXPECT_EQ(postRequests().last().value(QStringLiteral("body")).toString(),
        QStringLiteral("text=first"));
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_EQ(view().text(), QStringLiteral("first and more"));
    EXPECT_TRUE(composer().isPostingAllowed());
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

} // namespace
