// Image views loading from a local server that answers when the test says
// so: the current answer is shown and cached, a replaced request's answer
// is neither, failures leave the view empty.
#include "views/URLImageView.h"

#include "ScriptedHttpServer.h"
#include "TestSupport.h"
#include "support/cache/SDURLCache.h"

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using testsupport::waitUntil;

namespace {

QByteArray png(const QColor &colour, QSize size = QSize(48, 48))
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

class URLImageViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_cache = std::make_unique<SDURLCache>(
            1 << 20, 10 << 20, m_folder.path() + QStringLiteral("/cache"));
        SDURLCache::setSharedURLCache(m_cache.get());
        m_server.answerAll(ScriptedHttpServer::Reply::hang()); // until answer() below
    }

    void TearDown() override
    {
        SDURLCache::setSharedURLCache(nullptr);
        m_cache->waitForPendingDiskWork();
        m_cache.reset();
    }

    bool waitForRequest(const QString &path)
    {
        return waitUntil([&] { return m_server.hits(path.toUtf8()) > 0; });
    }

    // Answers the request held for `path`, if its client still waits.
    bool answer(
        const QString &path, int status, const QByteArray &contentType, const QByteArray &body)
    {
        return m_server.answerHanging(path.toUtf8(),
            ScriptedHttpServer::Reply::answer(status, body, contentType)
                .header("Cache-Control", "max-age=86400"));
    }

    QNetworkRequest request(const QString &path) const
    {
        return URLImageLoader::imageRequest(m_server.url(path));
    }
    // The client has hung up `count` requests so far: their answers can no longer come.
    bool hungUp(int count)
    {
        return waitUntil([&] { return m_server.connectionsClosedByClient() == count; });
    }
    bool cached(const QString &path)
    {
        return m_cache->cachedResponseForRequest(request(path)).has_value();
    }
    static QColor centreOf(const QImage &image)
    {
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }

    QTemporaryDir m_folder;
    std::unique_ptr<SDURLCache> m_cache;
    ScriptedHttpServer m_server;
};

} // namespace

TEST_F(URLImageViewTest, ShowsTheAnswerAndStoresItInTheCache)
{
    URLImageView view;
    QSignalSpy changed(&view, &URLImageView::imageChanged);
    view.loadRequest(request(QStringLiteral("/a.png")));
    EXPECT_TRUE(view.isLoading());
    ASSERT_TRUE(waitForRequest(QStringLiteral("/a.png")));
    const QByteArray body = png(Qt::green, QSize(30, 20));
    answer(QStringLiteral("/a.png"), 200, "image/png", body);

    ASSERT_TRUE(waitUntil([&] { return !view.image().isNull(); }));
    EXPECT_EQ(view.image().size(), QSize(30, 20));
    EXPECT_FALSE(view.isLoading());
    EXPECT_EQ(changed.count(), 1);

    const auto stored = m_cache->cachedResponseForRequest(request(QStringLiteral("/a.png")));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->body, body);
}

TEST_F(URLImageViewTest, AReplacedRequestsAnswerIsNeitherShownNorCached)
{
    for (bool olderAnswersFirst : { true, false }) {
        SCOPED_TRACE(olderAnswersFirst ? "older answers first" : "newer answers first");
        const QString older
            = olderAnswersFirst ? QStringLiteral("/old1.png") : QStringLiteral("/old2.png");
        const QString newer
            = olderAnswersFirst ? QStringLiteral("/new1.png") : QStringLiteral("/new2.png");
        const int hungUpBefore = m_server.connectionsClosedByClient();
        AvatarImageView view;
        view.loadRequest(request(older));
        ASSERT_TRUE(waitForRequest(older));
        view.loadRequest(request(newer));
        ASSERT_TRUE(waitForRequest(newer));
        ASSERT_TRUE(hungUp(hungUpBefore + 1));

        if (olderAnswersFirst) {
            EXPECT_FALSE(answer(older, 200, "image/png", png(Qt::red)));
            answer(newer, 200, "image/png", png(Qt::blue));
        } else {
            answer(newer, 200, "image/png", png(Qt::blue));
            ASSERT_TRUE(waitUntil([&] { return !view.image().isNull(); }));
            EXPECT_FALSE(answer(older, 200, "image/png", png(Qt::red)));
        }
        ASSERT_TRUE(waitUntil([&] { return !view.image().isNull(); }));
        EXPECT_EQ(centreOf(view.image()), QColor(Qt::blue));
        EXPECT_TRUE(cached(newer));
        EXPECT_FALSE(cached(older));
    }
}

TEST_F(URLImageViewTest, ErrorAnswersAndNonImagesLeaveTheViewEmptyAndUncached)
{
    URLImageView view;
    view.setImage(QImage::fromData(png(Qt::yellow)));
    QSignalSpy failed(&view.loader(), &URLImageLoader::loadFailed);

    for (const auto &[path, status, type, body] :
        { std::tuple { "/missing.png", 404, "image/png", png(Qt::red) },
            std::tuple { "/page.png", 200, "text/html", QByteArray("<html>no picture</html>") } }) {
        const QString at = QString::fromLatin1(path);
        view.loadRequest(request(at));
        ASSERT_TRUE(waitForRequest(at));
        answer(at, status, type, body);
        const int failures = status == 404 ? 1 : 2;
        ASSERT_TRUE(waitUntil([&] { return failed.count() == failures; }));
        EXPECT_TRUE(view.image().isNull()) << "the view shows what was asked for: nothing";
        EXPECT_FALSE(cached(at));
    }
    // Nobody listening, and no URL at all.
    const quint16 port = ScriptedHttpServer::unusedPort();
    view.loadRequest(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/x.png").arg(port))));
    ASSERT_TRUE(waitUntil([&] { return failed.count() == 3; }));
    view.loadRequest(QNetworkRequest(QUrl()));
    EXPECT_EQ(failed.count(), 4);
    EXPECT_FALSE(view.isLoading());

    // A picture on this computer, named by the service, is never read.
    const QString local = m_folder.filePath(QStringLiteral("private.png"));
    QFile file(local);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(png(Qt::green));
    file.close();
    for (const QUrl &url : { QUrl::fromLocalFile(local), QUrl(QStringLiteral("qrc:/logo.png")) }) {
        view.loadRequest(URLImageLoader::imageRequest(url));
        ASSERT_TRUE(waitUntil([&] { return failed.count() == 5; })) << url.toString().toStdString();
        EXPECT_TRUE(view.image().isNull());
        failed.removeLast();
    }
}

TEST_F(URLImageViewTest, ALoadDroppedBySettingAnImageOrByTheViewGoingIsNeitherShownNorCached)
{
    auto view = std::make_unique<AvatarImageView>();
    for (const QString &path : { QStringLiteral("/slow.png"), QStringLiteral("/late.png") }) {
        SCOPED_TRACE(path.toStdString());
        view->loadRequest(request(path));
        ASSERT_TRUE(waitForRequest(path));
        if (path == QLatin1String("/slow.png"))
            view->setImage(QImage::fromData(png(Qt::magenta)));
        else
            view.reset();
        ASSERT_TRUE(hungUp(path == QLatin1String("/slow.png") ? 1 : 2));
        EXPECT_FALSE(answer(path, 200, "image/png", png(Qt::red)));
        EXPECT_FALSE(cached(path));
    }
}
