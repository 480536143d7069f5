// The shown stream on its own, without a window, against the sandbox with
// latency: every way in, what happens to a load asked for while one runs,
// a failure, the back label and Back's place.
#include "SandboxServer.h"
#include "TestSupport.h"

#include "core/Preferences.h"
#include "service/ApiClient.h"
#include "service/PostPageProcessor.h"
#include "service/PostsArrayController.h"
#include "service/SelectedPost.h"
#include "service/StreamLoader.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace std::chrono_literals;
using State = StreamLoader::LoadState;

namespace {

class StreamLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::pointXdgFoldersAt(profile.path());
        ASSERT_TRUE(sandbox.start());
        testsupport::pointProgramAt(sandbox);
        ASSERT_TRUE(sandbox.setLatency(300, 50));
        api = std::make_unique<ApiClient>(sandbox.token());
        loader.setApi(api.get());
        QObject::connect(&posts, &PostsArrayController::selectionIndexesChanged, &loader,
            [this] { selection.selectionChanged(loader.currentStreamKind()); });
        QObject::connect(&loader, &StreamLoader::loadStateChanged, &loader,
            [this](State state) { states << state; });
        ASSERT_TRUE(load([&] { loader.selectViewWithIndex(0); }));
    }
    void TearDown() override { Preferences::resetStandard(); }

    // Runs `action` and waits for the load it starts; answers its success.
    bool load(const std::function<void()> &action)
    {
        QSignalSpy finished(&loader, &StreamLoader::streamLoadFinished);
        action();
        return finished.wait(15000) && finished.first().at(0).toBool();
    }
    QString firstId() const { return posts.count() ? posts.arrangedObject(0)->id() : QString(); }

    QTemporaryDir profile;
    SandboxServer sandbox;
    testsupport::ScriptedAlerts alerts;
    std::unique_ptr<ApiClient> api;
    PostsArrayController posts;
    SelectedPost selection { &posts };
    StreamLoader loader { &posts, &selection };
    QList<State> states;
};

TEST_F(StreamLoaderTest, EveryWayInLoadsItsStreamUnderItsLabel)
{
    posts.setSelectionIndex(0);
    const QString postId = selection.replyOrQuoteID();
    struct Way {
        const char *name;
        std::function<void()> action;
        StreamKind kind;
        QString label;
        QString path;
    };
    const Way ways[] = {
        { "side bar", [&] { loader.selectViewWithIndex(3); }, StreamKind::Global, {},
            u"/stream/0/posts/stream/global"_qs },
        { "hashtag", [&] { loader.showHashtag(u"#books"_qs); }, StreamKind::Hashtag, u"#books"_qs,
            u"/stream/0/posts/tag/books"_qs },
        { "user",
            [&] {
                loader.showUserPosts({ { u"id"_qs, u"2"_qs }, { u"username"_qs, u"ana"_qs } });
            },
            StreamKind::User, u"@ana"_qs, u"/stream/0/users/2/posts"_qs },
        { "conversation", [&] { loader.getStreamForReply(postId); }, StreamKind::Conversation,
            u"Conversation"_qs, u"/stream/0/posts/%1/replies"_qs.arg(postId) },
        // From a stream reached from a post, a swipe goes on from the one
        // it came from (Global, then round to the first).
        { "swipe", [&] { loader.streamDown(); }, StreamKind::Personal, {},
            u"/stream/0/posts/stream"_qs },
    };
    for (const Way &way : ways) {
        ASSERT_TRUE(sandbox.clearRequests());
        states.clear();
        QSignalSpy shown(&loader, &StreamLoader::shownStreamChanged);
        ASSERT_TRUE(load(way.action)) << way.name;
        EXPECT_EQ(loader.currentStreamKind(), way.kind) << way.name;
        EXPECT_EQ(loader.backBarLabel(), way.label) << way.name;
        EXPECT_EQ(states, (QList<State> { State::Loading, State::Idle })) << way.name;
        EXPECT_GE(shown.count(), 1) << way.name;
        EXPECT_EQ(sandbox.requestCount(u"GET"_qs, way.path), 1) << way.name;
        EXPECT_GT(posts.count(), 0) << way.name;
    }
    // A stream reached from a post keeps the row of the one it came from.
    ASSERT_TRUE(load([&] { loader.streamDown(); }));
    ASSERT_TRUE(load([&] { loader.showHashtag(u"books"_qs); }));
    EXPECT_EQ(loader.sideBarKind(), StreamKind::OwnPosts);
}

TEST_F(StreamLoaderTest, WhileALoadRunsAChoiceIsDroppedAndSaidAgainAReloadWaitsAndARefreshGivesWay)
{
    QSignalSpy finished(&loader, &StreamLoader::streamLoadFinished);
    QSignalSpy shown(&loader, &StreamLoader::shownStreamChanged);
    loader.selectViewWithIndex(3);
    ASSERT_TRUE(loader.isCurrentlyLoading());
    shown.clear();
    loader.selectViewWithIndex(1);
    loader.showHashtag(u"#books"_qs);
    loader.streamUp();
    EXPECT_EQ(loader.currentStreamKind(), StreamKind::Global);
    EXPECT_EQ(shown.count(), 1) << "the dropped side-bar choice is told what is shown";
    // A reload asked for now (a post was just sent) follows the load.
    loader.reloadShownStream();
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished.count() == 2; }, 15s));
    EXPECT_EQ(loader.currentStreamKind(), StreamKind::Global);
    EXPECT_EQ(states.last(), State::Idle);
    EXPECT_TRUE(states.contains(State::Refreshing));

    // A refresh gives way to a choice, as one that hangs would hold back every
    // other stream; the choice's page is the one that comes.
    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/posts/stream/global"_qs, 200, 60000));
    loader.reloadShownStream();
    ASSERT_EQ(loader.loadState(), State::Refreshing);
    ASSERT_TRUE(sandbox.clearRequests());
    finished.clear();
    loader.selectViewWithIndex(1);
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished.count() == 2; }, 15s));
    EXPECT_FALSE(finished.at(0).at(0).toBool());
    EXPECT_TRUE(finished.at(1).at(0).toBool());
    EXPECT_EQ(loader.currentStreamKind(), StreamKind::OwnPosts);
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/stream/0/users/me/posts"_qs), 1);
    EXPECT_GT(posts.count(), 0);
}

TEST_F(StreamLoaderTest, AFailureKeepsThePostsAndWhatWasShown)
{
    ASSERT_TRUE(load([&] { loader.showHashtag(u"#books"_qs); }));
    const QString first = firstId();
    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/posts/stream/global"_qs, 500));
    states.clear();
    EXPECT_FALSE(load([&] { loader.selectViewWithIndex(3); }));
    EXPECT_EQ(states, (QList<State> { State::Loading, State::Failed }));
    EXPECT_EQ(loader.currentStreamKind(), StreamKind::Hashtag);
    EXPECT_EQ(loader.backBarLabel(), u"#books"_qs);
    EXPECT_EQ(loader.sideBarKind(), StreamKind::Personal);
    EXPECT_EQ(firstId(), first);
    // A refresh keeps the list on screen and asks again for the same tag.
    ASSERT_TRUE(sandbox.clearRequests());
    states.clear();
    EXPECT_TRUE(load([&] { loader.doTheRefreshVoid(); }));
    EXPECT_EQ(states.last(), State::Idle);
    EXPECT_FALSE(states.contains(State::Loading));
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/stream/0/posts/tag/books"_qs), 1);
}

TEST_F(StreamLoaderTest, BackSelectsThePostThatWasSelectedAndTheSavedPostsNeedNoRefresh)
{
    // An older page that failed to come leaves the newest in the list; Back
    // asks for what the list holds, not for the failed page.
    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/posts/stream"_qs, 500));
    ASSERT_FALSE(load([&] { loader.loadOlderPosts(); }));
    const int count = posts.count();
    posts.setSelectionIndex(3);
    const QString selected = posts.selectedObject()->id();
    ASSERT_TRUE(load([&] { loader.showHashtag(u"#books"_qs); }));
    EXPECT_EQ(loader.placeAfterLoad(), StreamLoader::ListPlace::Top);
    ASSERT_TRUE(load([&] { loader.goBack(); }));
    EXPECT_EQ(loader.currentStreamKind(), StreamKind::Personal);
    EXPECT_TRUE(loader.backBarLabel().isEmpty());
    ASSERT_NE(posts.selectedObject(), nullptr);
    EXPECT_EQ(posts.selectedObject()->id(), selected);
    EXPECT_EQ(posts.count(), count);
    // The list left came back at once; the service's page merged into it.
    EXPECT_EQ(loader.placeAfterLoad(), StreamLoader::ListPlace::KeepReadingPlace);

    // The saved posts stand in for a stream; a refresh over them asks for
    // nothing (without a token nothing is asked either: the signed-out
    // program's test walks that).
    ASSERT_TRUE(loader.showSavedPosts({ *posts.arrangedObject(0) }));
    EXPECT_TRUE(loader.isSavedShown());
    EXPECT_EQ(loader.backBarLabel(), u"Saved"_qs);
    EXPECT_EQ(loader.sideBarKind(), StreamKind::Personal);
    ASSERT_TRUE(testsupport::waitUntil([&] {
        return loader.loadState() == State::Idle && !loader.pageProcessor()->isFetchingAvatars();
    }));
    ASSERT_TRUE(sandbox.clearRequests());
    loader.doTheRefreshVoid();
    // Nothing set out: no reachability probe, no load.
    EXPECT_FALSE(loader.isRefreshAction());
    EXPECT_FALSE(loader.isCurrentlyLoading());
    EXPECT_EQ(posts.count(), 1);
}

} // namespace
