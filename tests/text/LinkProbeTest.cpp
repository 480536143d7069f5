#include "text/LinkProbe.h"
#include "ScriptedHttpServer.h"
#include "TestSupport.h"

#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QSignalSpy>

#include <gtest/gtest.h>

using testsupport::waitUntil;
using Reply = ScriptedHttpServer::Reply;

namespace {

class LinkProbeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The probe decides on the Content-Type alone.
        server.route("/image.png", Reply::answer(200, "\x89PNG", "image/png"));
        server.route("/anim.gif", Reply::answer(200, "GIF89a", "IMAGE/GIF; q=1"));
        server.route("/page", Reply::answer(200, "<p>hi</p>", "text/html; charset=utf-8"));
        server.route("/plain", Reply::answer(200, "just bytes"));
        server.route(
            "/moved", Reply::redirect(server.url(QStringLiteral("/image.png")).toEncoded()));
        server.route("/hang", Reply::hang());
        server.route("/drop", Reply::close());
    }

    QUrl url(const char *path) const { return server.url(QString::fromLatin1(path)); }
    bool cursorRestored() const { return QGuiApplication::overrideCursor() == nullptr; }

    ScriptedHttpServer server;
    QNetworkAccessManager manager;
    LinkProbe probe { &manager };
    QSignalSpy found { &probe, &LinkProbe::imageLinkFound };
    testsupport::ScriptedAlerts alerts;
    testsupport::RecordingOpener opener;
};

TEST_F(LinkProbeTest, ImagesGoToThePreviewAndEverythingElseToTheBrowser)
{
    // A redirect is followed, and the link clicked is the one announced.
    for (const char *path : { "/image.png", "/anim.gif", "/moved" }) {
        probe.probe(url(path));
        EXPECT_TRUE(probe.isBitchingAllowed());
        EXPECT_FALSE(cursorRestored()) << "busy while it probes";
        ASSERT_TRUE(waitUntil([&] { return !probe.isProbing(); }));
        ASSERT_FALSE(found.isEmpty()) << path;
        EXPECT_EQ(found.last().at(0).toUrl(), url(path));
        EXPECT_FALSE(probe.isBitchingAllowed());
        EXPECT_TRUE(cursorRestored());
    }
    const QList<QUrl> pages { url("/page"), url("/plain"), url("/missing") };
    for (const QUrl &page : pages) {
        probe.probe(page);
        ASSERT_TRUE(waitUntil([&] { return !probe.isProbing(); }));
    }
    EXPECT_EQ(opener.opened(), pages);
    EXPECT_EQ(found.size(), 3);
    EXPECT_TRUE(alerts.shown().isEmpty());
}

TEST_F(LinkProbeTest, AFailedLoadAlertsOnceAndRestoresTheCursorAfterAPause)
{
    probe.setTimeout(300);
    const quint16 port = ScriptedHttpServer::unusedPort();
    ASSERT_NE(port, 0);
    // Nobody listening, a dropped connection, a server that never answers.
    const QUrl failing[]
        = { QUrl(QStringLiteral("http://127.0.0.1:%1/x").arg(port)), url("/drop"), url("/hang") };
    for (const QUrl &link : failing) {
        const qsizetype before = alerts.shown().size();
        probe.probe(link);
        ASSERT_TRUE(waitUntil([&] { return alerts.shown().size() == before + 1; }))
            << link.toString().toStdString();
        EXPECT_EQ(alerts.shown().last().message, u"Could not open link or load the resource.");
        EXPECT_FALSE(probe.isBitchingAllowed());
        EXPECT_FALSE(cursorRestored()) << "the arrow comes back after a pause, not at once";
        ASSERT_TRUE(waitUntil([&] { return cursorRestored(); }));
    }
    EXPECT_TRUE(opener.opened().isEmpty());

    LinkProbe lonely(nullptr);
    lonely.probe(QUrl(QStringLiteral("http://127.0.0.1:1/")));
    ASSERT_TRUE(waitUntil([&] { return alerts.shown().size() == 4; }));
    waitUntil([] { return false; }, std::chrono::milliseconds(400));
    EXPECT_EQ(alerts.shown().size(), 4) << "no network alerts once";
}

TEST_F(LinkProbeTest, ASecondClickReplacesTheFirstProbe)
{
    probe.setTimeout(300);
    probe.probe(url("/hang"));
    probe.probe(url("/image.png"));
    EXPECT_EQ(probe.url(), url("/image.png"));
    ASSERT_TRUE(waitUntil([&] { return found.size() == 1; }));
    // Long enough for the first one's time-out: it must stay silent.
    waitUntil([] { return false; }, std::chrono::milliseconds(600));
    EXPECT_TRUE(alerts.shown().isEmpty());
    EXPECT_TRUE(cursorRestored());
}

} // namespace
