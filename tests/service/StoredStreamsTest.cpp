// A main stream with a post store: its stored page is on screen before the
// service is even asked, the service's page is merged into it (new posts
// added, deleted ones gone, the service's counts winning), and with the
// service down the stored posts stay, said offline, without an alert.
#include "SandboxServer.h"
#include "TestSupport.h"

#include "core/Preferences.h"
#include "service/ApiClient.h"
#include "service/PostsArrayController.h"
#include "service/SelectedPost.h"
#include "service/StreamLoader.h"
#include "support/PostStore.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using testsupport::arrangedIds;

class StoredStreamsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::pointXdgFoldersAt(profile.path());
        ASSERT_TRUE(sandbox.start());
        testsupport::pointProgramAt(sandbox);
        ASSERT_TRUE(sandbox.setLatency(300));
        api = std::make_unique<ApiClient>(sandbox.token());
        loader.setApi(api.get());
        loader.setStore(&store);

        // What the service answers now, stored as an older visit saw it: the
        // newest three posts had not come yet, one since deleted was there,
        // and one post had fewer stars.
        current = sandbox.api("GET", "posts/stream?count=20").jsonArray();
        ASSERT_GE(current.size(), 10);
        QJsonArray older;
        for (qsizetype i = 3; i < current.size(); ++i)
            older.append(current.at(i));
        QJsonObject deleted = current.at(3).toObject();
        deleted.insert(u"id"_qs, u"999999"_qs);
        deleted.insert(u"created_at"_qs, current.at(2).toObject().value(u"created_at"));
        older.insert(0, deleted);
        QJsonObject changed = older.at(2).toObject();
        changed.insert(u"num_stars"_qs, 77);
        older.replace(2, changed);
        store.savePage(0, older, true);
        store.savePlace(0, { older.at(4).toObject().value(u"id").toString(), 12, {} });
        stored = older;
    }
    void TearDown() override { Preferences::resetStandard(); }

    QStringList idsOf(const QJsonArray &page) const
    {
        QStringList ids;
        for (const QJsonValue &post : page)
            ids << post.toObject().value(u"id").toString();
        return ids;
    }

    QTemporaryDir profile;
    SandboxServer sandbox;
    testsupport::ScriptedAlerts alerts;
    PostStore store { profile.path() + u"/Posts.sqlite"_qs };
    std::unique_ptr<ApiClient> api;
    PostsArrayController posts;
    SelectedPost selection { &posts };
    StreamLoader loader { &posts, &selection };
    QJsonArray current;
    QJsonArray stored;
};

TEST_F(StoredStreamsTest, TheStoredPageComesFirstAndTheServicesPageIsMergedIntoIt)
{
    QStringList shownFirst;
    const QString path = u"/stream/0/posts/stream"_qs;
    const int requestsBefore = sandbox.requestCount(u"GET"_qs, path);
    int requestsWhenShown = -1;
    StoredPlace placeShown;
    QObject::connect(&loader, &StreamLoader::storedPageShown, &loader, [&](const StoredPlace &p) {
        shownFirst = arrangedIds(posts);
        requestsWhenShown = sandbox.requestCount(u"GET"_qs, path);
        placeShown = p;
    });
    QSignalSpy finished(&loader, &StreamLoader::streamLoadFinished);
    loader.selectViewWithIndex(0);
    ASSERT_TRUE(finished.wait(15000));
    EXPECT_TRUE(finished.first().at(0).toBool());

    EXPECT_EQ(shownFirst, idsOf(stored));
    // Shown before the service answered anything.
    EXPECT_EQ(requestsWhenShown, requestsBefore);
    EXPECT_EQ(placeShown.topPostId, idsOf(stored).at(4));
    EXPECT_EQ(placeShown.offset, 12);
    // The service's page, the deleted post gone and the service's count shown.
    EXPECT_EQ(arrangedIds(posts), idsOf(current));
    const auto row = posts.rowOfId(stored.at(2).toObject().value(u"id").toString());
    ASSERT_TRUE(row);
    EXPECT_EQ(posts.arrangedObject(*row)->post.value(u"num_stars"_qs),
        current.at(*row).toObject().value(u"num_stars").toVariant());
    EXPECT_FALSE(loader.offline());
    EXPECT_TRUE(alerts.shown().isEmpty());

    // And the store now holds what the service answered.
    std::optional<StoredPage> after;
    store.loadPage(0, 20, &loader, [&](const StoredPage &page) { after = page; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return after.has_value(); }));
    EXPECT_EQ(idsOf(after->posts), idsOf(current));
}

TEST_F(StoredStreamsTest, WithTheServiceDownTheStoredPostsStayAndTheLoaderSaysItIsOffline)
{
    struct Case {
        const char *name;
        std::function<void()> breakService;
    };
    const Case cases[] = {
        { "the service fails",
            [&] { sandbox.injectFault(u"/stream/0/posts/stream"_qs, 503, 0, false, false, 0); } },
        { "no service at all", [&] { sandbox.stop(); } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.breakService();
        QSignalSpy finished(&loader, &StreamLoader::streamLoadFinished);
        loader.selectViewWithIndex(0);
        ASSERT_TRUE(finished.wait(15000));
        EXPECT_FALSE(finished.first().at(0).toBool());
        EXPECT_EQ(arrangedIds(posts), idsOf(stored));
        EXPECT_EQ(loader.currentStreamKind(), StreamKind::Personal);
        ASSERT_TRUE(loader.offline());
        EXPECT_EQ(loader.offline()->message, u"Unable to fetch stream."_qs);
        EXPECT_TRUE(loader.offline()->postsFrom.isValid());
        EXPECT_TRUE(alerts.shown().isEmpty());
    }
    // A stream reached from a post still says its failure in an alert.
    QSignalSpy finished(&loader, &StreamLoader::streamLoadFinished);
    loader.showHashtag(u"books"_qs);
    ASSERT_TRUE(finished.wait(15000));
    EXPECT_EQ(alerts.shown().size(), 1);
}

} // namespace
