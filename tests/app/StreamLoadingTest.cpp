// Loading, refreshing, paging and stepping through streams against the
// sandbox service.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/ComposerController.h"
#include "app/MainWindow.h"
#include "app/PostCommands.h"
#include "app/UserPanel.h"
#include "app/UserPanelController.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "service/Account.h"
#include "service/MentionCounter.h"
#include "service/PostsArrayController.h"
#include "service/SelectedPost.h"
#include "service/StreamLoader.h"
#include "service/UserLookup.h"
#include "support/cache/SDURLCache.h"
#include "views/NoticeBar.h"
#include "views/SideBar.h"
#include "views/TimelineListView.h"

#include <QNetworkRequest>
#include <QSignalSpy>
#include <QTest>

namespace {

class StreamLoadingTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        Preferences::standard().setValue(prefs::prefsRestoreSelection, true);
    }

    // A post of the demo user and its reply mentioning @alice, newest of
    // all; the reply's id.
    QString postThread()
    {
        const SandboxServer::Reply first = sandbox.api("POST", "posts", "text=Who%20reads%3F");
        const QString firstId = first.json()[u"id"_qs].toString();
        const SandboxServer::Reply reply
            = sandbox.api("POST", "posts", "text=%40alice%20you%20do&reply_to=" + firstId.toUtf8());
        EXPECT_EQ(reply.status, 200) << reply.body.constData();
        return reply.json()[u"id"_qs].toString();
    }
};

TEST_F(StreamLoadingTest, StartUpShowsTheFirstPageBeforeItsAvatarsAndPutsEachInWhenItArrives)
{
    // A slow picture host: the page's answer is read long before any avatar.
    ASSERT_TRUE(sandbox.injectFault(u"/avatars/*"_qs, 0, 1500, false, false, 0));
    start();
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Personal);
    ASSERT_EQ(posts().count(), 20);
    for (int i = 0; i < posts().count(); ++i) {
        const PostRecord *r = posts().arrangedObject(i);
        if (i > 0) {
            EXPECT_GE(posts().arrangedObject(i - 1)->createdAt(), r->createdAt());
        }
        EXPECT_TRUE(r->theAvatarImage.isNull()) << "the page waited for avatar " << i;
        EXPECT_EQ(r->attributedString.text(), r->text());
    }
    EXPECT_FALSE(delegate->streams().isCurrentlyLoading());
    EXPECT_TRUE(alerts.shown().isEmpty());

    // A refresh is taken while the avatars are on their way.
    TimelineListView *list = window().listView();
    ASSERT_TRUE(testsupport::waitUntil([&] { return list->isVisible(); }));
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().doTheRefreshVoid(); }));
    const QRect thirdRow = list->visualRect(list->model()->index(2, 0));

    const auto withAvatar = [&] {
        int n = 0;
        for (int i = 0; i < posts().count(); ++i)
            n += posts().arrangedObject(i)->theAvatarImage.isNull() ? 0 : 1;
        return n;
    };
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return withAvatar() == 20; }, std::chrono::seconds(15)));
    EXPECT_EQ(posts().arrangedObject(0)->theAvatarImage.size(), QSize(48, 48));
    EXPECT_EQ(list->visualRect(list->model()->index(2, 0)), thirdRow) << "the rows stay put";
    // The signed-in user is known once its record arrives.
    ASSERT_TRUE(testsupport::waitUntil([&] { return !delegate->account().meID().isEmpty(); }));
    EXPECT_EQ(delegate->account().meUsername(), u"demo"_qs);
}

TEST_F(StreamLoadingTest, AFailedLoadAlertsAndKeepsTheStreamAndPostsThatWereShown)
{
    start();
    const QStringList shown = shownIds();
    selectPost(shown.at(1));
    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/posts/stream/global"_qs, 404));
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(3); }, false));
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().title, u"Error!"_qs);
    EXPECT_EQ(alerts.shown().first().message, u"Unable to fetch stream."_qs);
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Personal);
    EXPECT_EQ(window().sideBar()->selectedRow(), 0); // the side bar goes back too
    EXPECT_EQ(shownIds(), shown);
    EXPECT_FALSE(delegate->streams().isCurrentlyLoading());
    EXPECT_FALSE(delegate->streams().isRefreshAction());
    EXPECT_TRUE(testsupport::waitUntil([&] { return window().listOpacity() == 1.0; }));
    // The selected post is still selected, and looks it: its buttons are back.
    EXPECT_EQ(posts().selectedObject()->id(), shown.at(1));
    EXPECT_FALSE(window().listView()->timelineDelegate()->controlsHidden());

    // A secondary stream that fails returns to the stream it was opened from.
    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/posts/tag/velto"_qs, 503));
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().showHashtag(u"#velto"_qs); }, false));
    EXPECT_EQ(alerts.shown().last().message, u"Unable to load stream."_qs);
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Personal);
    EXPECT_EQ(shownIds(), shown);

    // Back gives up at once on one that does not come, without an alert.
    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/posts/tag/slow"_qs, 200, 60000));
    const qsizetype alertsBefore = alerts.shown().size();
    delegate->streams().showHashtag(u"#slow"_qs);
    ASSERT_TRUE(delegate->streams().isCurrentlyLoading());
    QSignalSpy gaveUp(&delegate->streams(), &StreamLoader::streamLoadFinished);
    delegate->commands().trigger(u"back"_qs);
    ASSERT_EQ(gaveUp.count(), 1);
    EXPECT_FALSE(gaveUp.first().at(0).toBool());
    EXPECT_FALSE(delegate->streams().isCurrentlyLoading());
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Personal);
    EXPECT_EQ(shownIds(), shown);
    EXPECT_TRUE(testsupport::waitUntil([&] { return window().listOpacity() == 1.0; }));
    EXPECT_EQ(alerts.shown().size(), alertsBefore);

    // Back during a refresh of such a stream gives the refresh up on its way back.
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().showHashtag(u"#velto"_qs); }));
    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/posts/tag/velto"_qs, 200, 60000));
    delegate->streams().doTheRefreshVoid();
    ASSERT_TRUE(testsupport::waitUntil([&] { return delegate->streams().isCurrentlyLoading(); }));
    delegate->commands().trigger(u"back"_qs);
    EXPECT_TRUE(testsupport::waitUntil([&] {
        return !delegate->streams().isCurrentlyLoading()
            && delegate->streams().currentStreamKind() == StreamKind::Personal;
    }));
    EXPECT_EQ(shownIds(), shown);
    ASSERT_TRUE(sandbox.clearFaults());

    // Escape gives up on an older page or another main stream that does not
    // come, before it would hide the window.
    const struct {
        QString path;
        const char *command;
    } held[] = { { u"/stream/0/posts/stream"_qs, "loadOlderPosts" },
        { u"/stream/0/posts/stream/global"_qs, "stream3" } };
    for (const auto &load : held) {
        SCOPED_TRACE(load.command);
        ASSERT_TRUE(sandbox.injectFault(load.path, 200, 60000));
        delegate->commands().trigger(QString::fromLatin1(load.command));
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return delegate->streams().isCurrentlyLoading(); }));
        QTest::keyClick(window().windowHandle(), Qt::Key_Escape);
        EXPECT_FALSE(delegate->streams().isCurrentlyLoading());
        EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Personal);
        EXPECT_EQ(window().sideBar()->selectedRow(), 0);
        EXPECT_EQ(shownIds(), shown);
        EXPECT_TRUE(testsupport::waitUntil([&] { return window().listOpacity() == 1.0; }));
        EXPECT_FALSE(window().isLoadOlderIndicatorVisible());
        EXPECT_TRUE(window().isVisible());
        EXPECT_EQ(alerts.shown().size(), alertsBefore);
        ASSERT_TRUE(sandbox.clearFaults());
    }

    // The next good load replaces the posts as before.
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(3); }));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Global);
    EXPECT_NE(shownIds(), shown);

    // A failed refresh of the starred posts, over a slow service, leaves the
    // bar and the list on Starred.
    ASSERT_TRUE(sandbox.setLatency(250, 50));
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(4); }));
    ASSERT_EQ(delegate->streams().currentStreamKind(), StreamKind::Starred);
    const QStringList starred = shownIds();
    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/users/me/stars"_qs, 500));
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().doTheRefreshVoid(); }, false));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Starred);
    EXPECT_EQ(window().sideBar()->selectedRow(), 4);
    EXPECT_EQ(shownIds(), starred);
}

TEST_F(
    StreamLoadingTest, ServerErrorsAreNeverHiddenByTheDiskCacheAndAnAnswerThatIsNotAPageIsAFailure)
{
    start();
    const QStringList shown = shownIds();
    // The page that was just shown is not on disk, so nothing can stand in
    // for a failing service.
    SDURLCache *cache = SDURLCache::sharedURLCache();
    ASSERT_NE(cache, nullptr);
    const QUrl page(sandbox.baseUrl().toString() + u"/stream/0/posts/stream?count=20&"_qs);
    EXPECT_FALSE(cache->cachedResponseForRequest(QNetworkRequest(page)).has_value());
    // The avatars, public pictures, are.
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return !posts().arrangedObject(0)->theAvatarImage.isNull(); }));
    const QUrl avatar(posts().arrangedObject(0)->avatarUrl());
    EXPECT_TRUE(cache->cachedResponseForRequest(QNetworkRequest(avatar)).has_value());

    for (int status : { 500, 502, 503 }) {
        ASSERT_TRUE(sandbox.injectFault(u"/stream/0/posts/stream"_qs, status));
        ASSERT_TRUE(waitForLoad([&] { delegate->streams().doTheRefreshVoid(); }, false)) << status;
        // Said in the notice above the list, not in an alert per attempt.
        EXPECT_TRUE(window().noticeBar()->statusText().endsWith(u"Unable to fetch stream."_qs));
        EXPECT_EQ(shownIds(), shown);
    }
    EXPECT_TRUE(alerts.shown().isEmpty());

    // Not JSON, and a page of things that are not posts, in a main stream and
    // in a stream opened from a post: nothing is emptied and the failure is said.
    const QByteArray junk = R"([1, "two", {"text": "no id"}, {"id": ""}, null])";
    const QString stream = u"/stream/0/posts/stream"_qs;
    const auto refresh = [&] { delegate->streams().doTheRefreshVoid(); };
    const struct {
        QString path;
        QByteArray body;
        std::function<void()> load;
        QString message;
    } pages[] = {
        { stream, "<html>not json", refresh, u"Unable to fetch stream."_qs },
        { stream, junk, refresh, u"Unable to fetch stream."_qs },
        { u"/stream/0/posts/tag/books"_qs, junk,
            [&] { delegate->streams().showHashtag(u"#books"_qs); }, u"Unable to load stream."_qs },
    };
    for (const auto &page : pages) {
        SCOPED_TRACE(page.path.toStdString() + " " + page.body.toStdString());
        const qsizetype alertsBefore = alerts.shown().size();
        ASSERT_TRUE(sandbox.injectAnswer(page.path, page.body, "application/json"));
        ASSERT_TRUE(waitForLoad(page.load, false));
        EXPECT_EQ(shownIds(), shown);
        ASSERT_EQ(alerts.shown().size(), alertsBefore + 1);
        EXPECT_EQ(alerts.shown().last().message, page.message);
    }
}

TEST_F(StreamLoadingTest,
    RefreshKeepsTheSelectedPostOrScrollsToTheTopOlderPostsReplaceTheListAndNoConnectionLoadsNothing)
{
    start();
    posts().setSelectionIndex(3);
    const QString selected = posts().selectedObject()->id();
    EXPECT_EQ(delegate->selection().replyOrQuoteID(), selected);
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().doTheRefreshVoid(); }));
    ASSERT_NE(posts().selectedObject(), nullptr);
    EXPECT_EQ(posts().selectedObject()->id(), selected);
    EXPECT_FALSE(delegate->streams().shouldBeRefreshed());

    Preferences::standard().setValue(prefs::prefsRestoreSelection, false);
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().doTheRefreshVoid(); }));
    EXPECT_EQ(posts().selectedObject(), nullptr);

    const qlonglong oldest = shownIds().last().toLongLong();
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().loadOlderPosts(); }));
    const QStringList older = shownIds();
    ASSERT_FALSE(older.isEmpty());
    for (const QString &id : older)
        EXPECT_LT(id.toLongLong(), oldest);
    // With an empty list there is nothing older to ask for.
    posts().removeAllObjects();
    delegate->streams().loadOlderPosts();
    EXPECT_FALSE(delegate->streams().isCurrentlyLoading());

    // A refresh without connection loads nothing.
    qputenv("VELTO_PROBE_URL", "http://127.0.0.1:1/");
    OutsideAddresses::setCurrent(OutsideAddresses::load());
    ASSERT_TRUE(sandbox.clearRequests());
    delegate->streams().doTheRefreshVoid();
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return !delegate->streams().isRefreshAction(); }, std::chrono::seconds(7)));
    EXPECT_FALSE(delegate->streams().isCurrentlyLoading());
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/stream/0/posts/stream"_qs), 0);
    EXPECT_TRUE(alerts.shown().isEmpty());
}

TEST_F(StreamLoadingTest, SwipesCycleThroughTheMainStreamsAndTheMentionsClearTheCounter)
{
    start();
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(3); }));
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().streamDown(); }));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Personal);
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().streamUp(); }));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Global);

    // The mentions remember the newest and clear the counter.
    delegate->mentions().setUnseenCount(4);
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(2); }));
    ASSERT_GT(posts().count(), 0);
    EXPECT_EQ(Preferences::standard().value(prefs::lastMentionID), posts().arrangedObject(0)->id());
    EXPECT_EQ(delegate->mentions().internNotificationCount(), 0u);
    EXPECT_FALSE(delegate->mentions().areNewNotificationsAvailable());
    EXPECT_EQ(delegate->mentions().numberOfNewNotifications(), QString());
    for (int i = 0; i < posts().count(); ++i) {
        EXPECT_TRUE(posts().arrangedObject(i)->text().contains(u"@demo"_qs, Qt::CaseInsensitive))
            << posts().arrangedObject(i)->text().toStdString();
    }

    // A hashtag opened from the mentions: up goes to own posts.
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().showHashtag(u"#velto"_qs); }));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Hashtag);
    EXPECT_EQ(delegate->streams().oldStreamType(), StreamKind::Mentions);
    ASSERT_TRUE(waitForLoad([&] { delegate->streams().streamUp(); }));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::OwnPosts);
}

TEST_F(StreamLoadingTest,
    ADoubleClickOpensTheConversationOfAReplyOrRepliesAndAMentionClickLooksTheUserUp)
{
    const QString replyId = postThread();
    ASSERT_TRUE(sandbox.setLatency(250, 50));
    start();
    TimelineListView *list = window().listView();
    const auto doubleClick = [&](const QString &postId) {
        ASSERT_TRUE(posts().rowOfId(postId)) << postId.toStdString();
        const int row = *posts().rowOfId(postId);
        list->scrollTo(list->model()->index(row, 0));
        // On the name line (a double click on the text selects a word), once
        // a click there finds the row: the list lays its rows out late.
        QPoint onName;
        ASSERT_TRUE(testsupport::waitUntil([&] {
            onName = list->rowLayout(row).nameLine.center().toPoint();
            return list->indexAt(onName).row() == row;
        }));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, onName);
    };

    // A reply: its conversation, with the back bar to where it came from.
    ASSERT_TRUE(sandbox.clearRequests());
    ASSERT_TRUE(waitForLoad([&] { doubleClick(replyId); }));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Conversation);
    EXPECT_EQ(delegate->streams().oldStreamType(), StreamKind::Personal);
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/stream/0/posts/%1/replies"_qs.arg(replyId)), 1);
    EXPECT_GE(posts().count(), 2);
    delegate->applicationDidUpdate();
    EXPECT_TRUE(window().isBackBarVisible());
    EXPECT_FALSE(window().isComposerOpen());

    // In the conversation a double click replies, and so it does on a post
    // that is no reply.
    for (const bool inConversation : { true, false }) {
        SCOPED_TRACE(inConversation ? "in the conversation" : "a post that is no reply");
        if (!inConversation) {
            ASSERT_TRUE(waitForLoad([&] { delegate->streams().goBack(); }));
        }
        QString postId;
        for (int row = 0; row < posts().count() && postId.isEmpty(); ++row)
            if (inConversation || !posts().arrangedObject(row)->hasReplyTo())
                postId = posts().arrangedObject(row)->id();
        window().setComposerOpen(false);
        ASSERT_TRUE(sandbox.clearRequests());
        doubleClick(postId);
        ASSERT_TRUE(testsupport::waitUntil([&] { return window().isComposerOpen(); }));
        const QString author = posts().arrangedObject(*posts().rowOfId(postId))->username();
        EXPECT_TRUE(window().composerText().startsWith(u'@' + author + u' '))
            << window().composerText().toStdString();
        EXPECT_EQ(delegate->composer().replyOrQuoteID(), postId);
        EXPECT_FALSE(delegate->streams().isCurrentlyLoading());
        EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/stream/0/posts/%1/replies"_qs.arg(postId)), 0);
    }

    // Clicking a mention looks the user up only when the post mentions them.
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return !delegate->postCommands().isDoubleClickAction(); }));
    ASSERT_TRUE(posts().rowOfId(replyId));
    posts().setSelectionIndex(*posts().rowOfId(replyId));
    const QString name = u"alice"_qs;

    // A lookup asks the service at once, or not at all.
    QSignalSpy asked(&delegate->userLookup(), &UserLookup::progressStarted);
    QSignalSpy panel(&delegate->userLookup(), &UserLookup::userLoaded);
    NotificationBus::defaultCenter().post(nf::loadUser, u"@nobody-here"_qs);
    EXPECT_EQ(asked.count(), 0);
    NotificationBus::defaultCenter().post(nf::loadUser, QString(u" @"_qs + name));
    EXPECT_EQ(asked.count(), 1);
    ASSERT_TRUE(panel.wait(5000));
    ASSERT_TRUE(testsupport::waitUntil([&] { return delegate->users().isPanelVisible(); }));
    EXPECT_EQ(delegate->users().panel()->user().value(u"username"_qs).toString(), name);
    // Looking at a user is not showing their posts.
    EXPECT_TRUE(delegate->streams().requestedUser().isEmpty());

    // Within 0.3 s of a double click a mention click is ignored.
    delegate->postCommands().doubleClickAction();
    ASSERT_TRUE(delegate->postCommands().isDoubleClickAction());
    NotificationBus::defaultCenter().post(nf::loadUser, QString(u" @"_qs + name));
    EXPECT_EQ(asked.count(), 1);
}

} // namespace
