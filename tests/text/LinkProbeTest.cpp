#include "text/LinkProbe.h"
#include "ScriptedHttpServer.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QNetworkAccessManager>
#include <QSignalSpy>

#include <gtest/gtest.h>

using testsupport::waitUntil;
using Reply = ScriptedHttpServer::Reply;

namespace {

QByteArray pngBytes(int width = 8, int height = 6)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

const QString failureMessage = QStringLiteral("Could not open link or load the resource.");

class LinkProbeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.route("/image.png", Reply::answer(200, pngBytes(), "image/png"));
        server.route("/anim.gif", Reply::answer(200, "GIF89a", "IMAGE/GIF"));
        server.route("/page", Reply::answer(200, "<p>hi</p>", "text/html; charset=utf-8"));
        server.route("/plain", Reply::answer(200, "just bytes"));
        server.route(
            "/moved", Reply::redirect(server.url(QStringLiteral("/image.png")).toEncoded()));
        server.route("/hang", Reply::hang());
        server.route("/drop", Reply::close());
    }

    bool settled() const { return !probe.isProbing(); }

    ScriptedHttpServer server;
    QNetworkAccessManager manager;
    LinkProbe probe { &manager };
    testsupport::ScriptedAlerts alerts;
    testsupport::RecordingOpener opener;
};

TEST_F(LinkProbeTest, ImagesAreAnnouncedForThePreview)
{
    QSignalSpy found(&probe, &LinkProbe::imageLinkFound);
    for (const char *path : { "/image.png", "/anim.gif" }) {
        const QUrl url = server.url(QString::fromLatin1(path));
        probe.probe(url);
        EXPECT_TRUE(probe.isProbing());
        EXPECT_TRUE(probe.isBitchingAllowed());
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
        ASSERT_TRUE(waitUntil([&] { return settled(); }));
        EXPECT_EQ(found.size() > 0 ? found.last().at(0).toUrl() : QUrl(), url);
        EXPECT_FALSE(probe.isBitchingAllowed());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(found.size(), 2);
    EXPECT_TRUE(opener.opened().isEmpty());
    EXPECT_TRUE(alerts.shown().isEmpty());
}

TEST_F(LinkProbeTest, EverythingElseGoesToTheBrowser)
{
    QSignalSpy found(&probe, &LinkProbe::imageLinkFound);
    const QList<QUrl> urls { server.url(QStringLiteral("/page")),
        server.url(QStringLiteral("/plain")), server.url(QStringLiteral("/missing")) };
    for (const QUrl &url : urls) {
        probe.probe(url);
        ASSERT_TRUE(waitUntil([&] { return settled(); }));
    }
    EXPECT_EQ(opener.opened(), urls);
    EXPECT_EQ(found.size(), 0);
    EXPECT_TRUE(alerts.shown().isEmpty());
}

TEST_F(LinkProbeTest, RedirectsAreFollowedAndTheClickedLinkIsKept)
{
    QSignalSpy found(&probe, &LinkProbe::imageLinkFound);
    const QUrl url = server.url(QStringLiteral("/moved"));
    probe.probe(url);
    ASSERT_TRUE(waitUntil([&] { return found.size() == 1; }));
    EXPECT_EQ(found.first().at(0).toUrl(), url);
    EXPECT_GE(server.hits("/image.png"), 1);
}

TEST_F(LinkProbeTest, AFailedLoadAlertsOnceAndRestoresTheCursorLater)
{
    const quint16 port = ScriptedHttpServer::unusedPort();
    ASSERT_NE(port, 0);
    QSignalSpy failed(&probe, &LinkProbe::failed);

    probe.probe(QUrl(QStringLiteral("http://127.0.0.1:%1/x").arg(port)));
    ASSERT_TRUE(waitUntil([&] { return failed.size() == 1; }));
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().title, u"Error!");
    EXPECT_EQ(alerts.shown().first().message, failureMessage);
    EXPECT_EQ(alerts.shown().first().buttons, QStringList { QStringLiteral("OK") });
    EXPECT_FALSE(probe.isBitchingAllowed());
    // The arrow comes back after a short pause, not at once.
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    ASSERT_TRUE(waitUntil([] { return QGuiApplication::overrideCursor() == nullptr; }));

    probe.probe(server.url(QStringLiteral("/drop")));
    ASSERT_TRUE(waitUntil([&] { return failed.size() == 2; }));
    EXPECT_EQ(alerts.shown().size(), 2);
    EXPECT_TRUE(opener.opened().isEmpty());
    ASSERT_TRUE(waitUntil([] { return QGuiApplication::overrideCursor() == nullptr; }));
}

TEST_F(LinkProbeTest, ASilentServerTimesOut)
{
    probe.setTimeout(300);
    probe.probe(server.url(QStringLiteral("/hang")));
    ASSERT_TRUE(waitUntil([&] { return alerts.shown().size() == 1; }, std::chrono::seconds(5)));
    EXPECT_EQ(alerts.shown().first().message, failureMessage);
    ASSERT_TRUE(waitUntil([] { return QGuiApplication::overrideCursor() == nullptr; }));
}

TEST_F(LinkProbeTest, ASecondClickReplacesTheFirstProbe)
{
    QSignalSpy found(&probe, &LinkProbe::imageLinkFound);
    probe.setTimeout(300);
    probe.probe(server.url(QStringLiteral("/hang")));
    probe.probe(server.url(QStringLiteral("/image.png")));
    EXPECT_EQ(probe.url(), server.url(QStringLiteral("/image.png")));
    ASSERT_TRUE(waitUntil([&] { return found.size() == 1; }));
    // Long enough for the first one's time-out: it must stay silent.
    waitUntil([] { return false; }, std::chrono::milliseconds(600));
    EXPECT_TRUE(alerts.shown().isEmpty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(LinkProbeTest, NoNetworkAlertsOnce)
{
    LinkProbe lonely(nullptr);
    lonely.probe(QUrl(QStringLiteral("http://127.0.0.1:1/")));
    ASSERT_TRUE(waitUntil([&] { return alerts.shown().size() == 1; }));
    waitUntil([] { return false; }, std::chrono::milliseconds(400));
    EXPECT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(LinkProbeRules, ContentTypesAndTheRequest)
{
    EXPECT_TRUE(LinkProbe::isImageContentType(QStringLiteral("image/png")));
    EXPECT_TRUE(LinkProbe::isImageContentType(QStringLiteral("image/gif")));
    EXPECT_TRUE(LinkProbe::isImageContentType(QStringLiteral("Image/JPEG; q=1")));
    EXPECT_FALSE(LinkProbe::isImageContentType(QStringLiteral("text/html")));
    EXPECT_FALSE(LinkProbe::isImageContentType(QString()));

    const QNetworkRequest request
        = LinkProbe::createRequestWithURL(QUrl(QStringLiteral("http://example.com/a")));
    EXPECT_EQ(request.transferTimeout(), 10000);
    EXPECT_EQ(request.attribute(QNetworkRequest::CacheLoadControlAttribute).toInt(),
        int(QNetworkRequest::PreferNetwork));
    EXPECT_EQ(request.url(), QUrl(QStringLiteral("http://example.com/a")));
}

} // namespace
