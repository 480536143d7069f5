// SDURLCache as the cache of a QNetworkAccessManager, against a loopback server.
#include "SDURLCacheTestFixture.h"
#include "ScriptedHttpServer.h"

#include "TestSupport.h"

#include <QAbstractNetworkCache>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrlQuery>

namespace {

using cachetest::request;
using Reply = ScriptedHttpServer::Reply;

struct Fetched {
    int status = 0;
    QByteArray body;
    bool fromCache = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray etag;
};

class SDURLCacheNetworkTest : public SDURLCacheTest {
protected:
    void SetUp() override
    {
        SDURLCacheTest::SetUp();
        ASSERT_TRUE(server.isListening());
        server.setKeepAlive(true);
        server.setHandler([this](const ScriptedHttpServer::Request &req) { return answer(req); });
        cache->installOn(manager);
    }

    Fetched fetch(const QString &url, QNetworkRequest::CacheLoadControl control)
    {
        QNetworkRequest req { QUrl(url) };
        req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, control);
        QNetworkReply *reply = manager.get(req);
        EXPECT_TRUE(testsupport::waitUntil([reply] { return reply->isFinished(); }));
        Fetched result;
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = reply->readAll();
        result.fromCache = reply->attribute(QNetworkRequest::SourceIsFromCacheAttribute).toBool();
        result.error = reply->error();
        result.etag = reply->rawHeader("ETag");
        reply->deleteLater();
        // Lets the manager finish with the reply before the next request.
        testsupport::waitUntil([] { return false; }, std::chrono::milliseconds(1));
        settle();
        return result;
    }

    // Every answer names how many requests reached the server, so a body
    // tells which fetch it came from.
    Reply answer(const ScriptedHttpServer::Request &req)
    {
        const QByteArray serial = QByteArray::number(server.hits());
        const QByteArray date = cachetest::httpDate(QDateTime::currentDateTimeUtc()).toLatin1();
        Reply reply;
        reply.header("Date", date).header("Content-Type", "image/png");
        reply.body = "body " + serial;
        if (req.target.startsWith("/avatars/")) {
            reply.header("Cache-Control", "max-age=3600").header("ETag", "\"" + req.target + "\"");
        } else if (req.target.startsWith("/nostore")) {
            reply.header("Cache-Control", "no-store, max-age=3600");
        } else if (req.target.startsWith("/revalidate")) {
            reply.header("Cache-Control", "no-cache").header("ETag", "\"v1\"");
            if (req.header("If-None-Match") == "\"v1\"") {
                reply.status = revalidationStatus;
                reply.body = revalidationStatus == 304 ? QByteArray() : QByteArray("gone");
            }
        }
        return reply;
    }

    QByteArray storedBody(const QString &url)
    {
        const auto found = cache->cachedResponseForRequest(request(url));
        return found ? found->body : QByteArray("<nothing stored>");
    }

    int revalidationStatus = 304;
    ScriptedHttpServer server;
    QNetworkAccessManager manager;
};

TEST_F(SDURLCacheNetworkTest, CacheFirstRequestsAreAnsweredWithoutTheNetwork)
{
    const QString url = server.url(u"/avatars/1.png"_qs).toString();
    const Fetched first = fetch(url, QNetworkRequest::PreferCache);
    EXPECT_EQ(first.status, 200);
    EXPECT_FALSE(first.fromCache);
    EXPECT_TRUE(QFileInfo::exists(entryPath(url)));

    const Fetched second = fetch(url + u"#frag"_qs, QNetworkRequest::PreferCache);
    EXPECT_TRUE(second.fromCache);
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(second.body, first.body);
    EXPECT_EQ(second.etag, QByteArray("\"/avatars/1.png\""));
    EXPECT_EQ(server.hits(), 1);
    // Even a stale response.
    const QString stale = server.url(u"/revalidate/a"_qs).toString();
    const Fetched network = fetch(stale, QNetworkRequest::PreferNetwork);
    const Fetched cached = fetch(stale, QNetworkRequest::PreferCache);
    EXPECT_TRUE(cached.fromCache);
    EXPECT_EQ(cached.body, network.body);
    EXPECT_EQ(server.hits(), 2);

    // After a restart the answer comes from disk.
    restart();
    QNetworkAccessManager nextRun;
    cache->installOn(nextRun);
    QNetworkRequest req { QUrl(url) };
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
    QNetworkReply *reply = nextRun.get(req);
    ASSERT_TRUE(testsupport::waitUntil([reply] { return reply->isFinished(); }));
    EXPECT_EQ(reply->readAll(), first.body);
    EXPECT_EQ(server.hits(), 2);
    delete reply;
}

TEST_F(SDURLCacheNetworkTest, RequestsThatIgnoreLocalDataAndNoStoreAnswersAreNotKept)
{
    const QString url = server.url(u"/avatars/2.png"_qs).toString();
    const Fetched stored = fetch(url, QNetworkRequest::PreferCache);
    const Fetched reloaded = fetch(url, QNetworkRequest::AlwaysNetwork);
    EXPECT_FALSE(reloaded.fromCache);
    EXPECT_NE(reloaded.body, stored.body);
    EXPECT_EQ(server.hits(), 2);
    EXPECT_EQ(server.requests().last().header("Cache-Control"), QByteArray("no-cache"));
    // What the cache holds is still the first answer.
    EXPECT_EQ(storedBody(url), stored.body);

    const QString fresh = server.url(u"/avatars/3.png"_qs).toString();
    fetch(fresh, QNetworkRequest::AlwaysNetwork);
    EXPECT_FALSE(cache->isCached(QUrl(fresh)));
    EXPECT_FALSE(cache->cachedResponseForRequest(request(fresh)));

    // Nor are answers that say no-store kept.
    const QString noStore = server.url(u"/nostore"_qs).toString();
    fetch(noStore, QNetworkRequest::PreferCache);
    EXPECT_FALSE(cache->cachedResponseForRequest(request(noStore)));
    fetch(noStore, QNetworkRequest::PreferCache);
    EXPECT_EQ(server.hits(), 5);
}

TEST_F(SDURLCacheNetworkTest, OrdinaryRequestsFollowHttpFreshness)
{
    const QString avatar = server.url(u"/avatars/4.png"_qs).toString();
    fetch(avatar, QNetworkRequest::PreferNetwork);
    EXPECT_TRUE(fetch(avatar, QNetworkRequest::PreferNetwork).fromCache); // max-age=3600
    EXPECT_EQ(server.hits(), 1);

    // Stored (an hour by the cache's own rules) but not fresh for HTTP.
    const QString plain = server.url(u"/plain"_qs).toString();
    const Fetched first = fetch(plain, QNetworkRequest::PreferNetwork);
    EXPECT_TRUE(cache->isCached(QUrl(plain)));
    const Fetched second = fetch(plain, QNetworkRequest::PreferNetwork);
    EXPECT_FALSE(second.fromCache);
    EXPECT_NE(second.body, first.body);
    EXPECT_EQ(server.hits(), 3);
}

TEST_F(SDURLCacheNetworkTest, ARevalidatedResponseIsServedFromTheCacheAndAFailedOneKeptStored)
{
    const QString url = server.url(u"/revalidate/b"_qs).toString();
    const Fetched first = fetch(url, QNetworkRequest::PreferNetwork);
    const Fetched second = fetch(url, QNetworkRequest::PreferNetwork);
    EXPECT_EQ(server.hits(), 2);
    EXPECT_EQ(server.requests().last().header("If-None-Match"), QByteArray("\"v1\""));
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(second.body, first.body);

    revalidationStatus = 404;
    const Fetched failed = fetch(url, QNetworkRequest::PreferNetwork);
    EXPECT_EQ(failed.status, 404);
    EXPECT_NE(failed.error, QNetworkReply::NoError);
    EXPECT_TRUE(cache->isCached(QUrl(url)));
    EXPECT_EQ(storedBody(url), first.body);
    EXPECT_TRUE(QFileInfo::exists(entryPath(url)));
}

TEST_F(SDURLCacheNetworkTest, AWriteToTheUrlDropsTheStoredResponse)
{
    const QString url = server.url(u"/avatars/6.png"_qs).toString();
    fetch(url, QNetworkRequest::PreferCache);
    ASSERT_TRUE(cache->isCached(QUrl(url)));
    QNetworkReply *post = manager.post(QNetworkRequest(QUrl(url)), QByteArray("new picture"));
    ASSERT_TRUE(testsupport::waitUntil([post] { return post->isFinished(); }));
    delete post;
    EXPECT_FALSE(cache->isCached(QUrl(url)));
    EXPECT_FALSE(fetch(url, QNetworkRequest::PreferCache).fromCache);
}

TEST_F(SDURLCacheNetworkTest, InstallingSetsTheManagersCacheWhichCopesWithTheCacheGoingFirst)
{
    const QString url = server.url(u"/avatars/5.png"_qs).toString();
    fetch(url, QNetworkRequest::PreferCache);
    EXPECT_EQ(manager.cache()->cacheSize(), qint64(cache->currentDiskUsage()));
    EXPECT_GT(manager.cache()->cacheSize(), 0);
    cache.reset();
    const Fetched after = fetch(url, QNetworkRequest::PreferCache);
    EXPECT_EQ(after.status, 200);
    EXPECT_FALSE(after.fromCache);
    EXPECT_EQ(server.hits(), 2);
    EXPECT_EQ(manager.cache()->cacheSize(), 0);
    manager.cache()->clear();
}

} // namespace
