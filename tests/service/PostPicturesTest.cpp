// Which links become thumbnails, how a body becomes one, and the loader
// against the sandbox's image host with latency: good, broken, slow, huge and
// missing pictures, and the disk cache behind it.
#include "SandboxServer.h"
#include "TestSupport.h"

#include "media/Pictures.h"
#include "service/PostPictures.h"
#include "service/ThumbnailLoader.h"
#include "support/cache/SDURLCache.h"
#include "text/PostTextStyling.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QList<QUrl> picturesIn(const QString &text, bool otherSites)
{
    return PostPictures::pictureLinks(
        PostTextStyling::styledPostText(text, 0), QUrl(u"http://img.test:8080"_qs), otherSites);
}

QStringList asStrings(const QList<QUrl> &urls)
{
    QStringList strings;
    for (const QUrl &url : urls)
        strings.append(url.toString());
    return strings;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

} // namespace

TEST(PostPictures, OwnHostAlwaysOtherSitesOnlyPicturesAndOnlyWhenAllowed)
{
    const struct {
        const char *text;
        bool otherSites;
        std::vector<const char *> pictures;
    } cases[] = {
        { "look http://img.test:8080/img/a1.jpg", false, { "http://img.test:8080/img/a1.jpg" } },
        { "no extension needed http://img.test:8080/img/abc", false,
            { "http://img.test:8080/img/abc" } },
        { "other port http://img.test:9999/img/a1.jpg", false, {} },
        { "not the picture folder http://img.test:8080/a1.jpg", false, {} },
        { "elsewhere https://photos.example.org/cat.JPG", true,
            { "https://photos.example.org/cat.JPG" } },
        { "elsewhere https://photos.example.org/cat.jpg", false, {} },
        { "a page https://example.org/article and http://example.org/p.webp", true,
            { "http://example.org/p.webp" } },
        { "mail me@example.org.png", true, {} },
        { "twice http://img.test:8080/img/a http://img.test:8080/img/a", false,
            { "http://img.test:8080/img/a" } },
        { "five http://img.test:8080/img/1 http://img.test:8080/img/2 http://img.test:8080/img/3 "
          "http://img.test:8080/img/4 http://img.test:8080/img/5",
            false,
            { "http://img.test:8080/img/1", "http://img.test:8080/img/2",
                "http://img.test:8080/img/3", "http://img.test:8080/img/4" } },
    };
    for (const auto &c : cases) {
        QStringList expected;
        for (const char *picture : c.pictures)
            expected.append(QString::fromUtf8(picture));
        EXPECT_EQ(asStrings(picturesIn(QString::fromUtf8(c.text), c.otherSites)), expected)
            << c.text;
    }
}

TEST(PostPictures, DecodingRefusesWhatIsNoPictureOrFarTooLarge)
{
    const QSize tile(112, 84);
    QImage photo(1600, 900, QImage::Format_RGB32);
    photo.fill(QColor(30, 140, 90));
    sandbox::PictureCache pictures;
    const struct {
        const char *what;
        QByteArray body;
        bool decoded;
    } cases[] = {
        { "a large JPEG", encoded(photo, "jpeg"), true },
        { "a PNG", pictures.samplePng(1), true },
        { "text", QByteArray("<html>not a picture</html>"), false },
        { "nothing", {}, false },
        { "a decompression bomb", pictures.bombPng(), false },
    };
    for (const auto &c : cases) {
        const QImage thumbnail = ThumbnailLoader::decode(c.body, tile);
        EXPECT_EQ(thumbnail.size(), c.decoded ? tile : QSize(0, 0)) << c.what;
    }
}

TEST(PostPictures, LoaderFetchesThroughTheCacheAndGivesUpOnBadOrSlowPictures)
{
    SandboxServer sandbox;
    ASSERT_TRUE(sandbox.start({ u"--latency"_qs, u"200"_qs }));
    QTemporaryDir cacheDir;
    SDURLCache cache(5242880, 52428800, cacheDir.path());
    QNetworkAccessManager manager;
    cache.installOn(manager);
    const QString base = sandbox.baseUrl().toString();
    using State = ThumbnailLoader::State;
    const struct {
        const char *path;
        State state;
    } cases[] = {
        { "/img/sample-1.png", State::Ready },
        { "/img/broken.png", State::Failed },
        { "/img/slow-5.png", State::Failed },
        { "/img/huge.png", State::Failed },
        { "/img/missing.png", State::Failed },
    };
    ThumbnailLoader loader(QSize(112, 84), &manager);
    QElapsedTimer clock;
    clock.start();
    for (const auto &c : cases)
        EXPECT_TRUE(loader.thumbnail(QUrl(base + QLatin1String(c.path))).isNull());
    const auto settled = [&] {
        for (const auto &c : cases) {
            if (loader.state(QUrl(base + QLatin1String(c.path))) == State::Loading)
                return false;
        }
        return true;
    };
    ASSERT_TRUE(testsupport::waitUntil(settled, std::chrono::seconds(10)));
    // The slow picture is given up after the avatars' deadline, not when it comes.
    EXPECT_LT(clock.elapsed(), ThumbnailLoader::timeoutMs + 2000);
    for (const auto &c : cases)
        EXPECT_EQ(loader.state(QUrl(base + QLatin1String(c.path))), c.state) << c.path;
    const QImage good = loader.thumbnail(QUrl(base + u"/img/sample-1.png"_qs));
    EXPECT_EQ(good.size(), QSize(112, 84));
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/img/broken.png"_qs), 1)
        << "a failed picture is not asked for again";
    loader.thumbnail(QUrl(base + u"/img/broken.png"_qs));

    // A loader that has nothing in memory finds the picture in the disk cache.
    cache.waitForPendingDiskWork();
    ASSERT_TRUE(sandbox.injectFault(u"/img/*"_qs, 500, 0, false, true, 0));
    ThumbnailLoader later(QSize(112, 84), &manager);
    const QUrl sample(base + u"/img/sample-1.png"_qs);
    later.thumbnail(sample);
    ASSERT_TRUE(testsupport::waitUntil([&] { return later.state(sample) != State::Loading; }));
    EXPECT_EQ(later.state(sample), State::Ready);
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/img/broken.png"_qs), 1);
}
