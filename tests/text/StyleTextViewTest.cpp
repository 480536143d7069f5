#include "text/StyleTextView.h"
#include "ScriptedHttpServer.h"
#include "TestSupport.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "text/DragImageView.h"
#include "text/ImagePreviewPanel.h"
#include "text/LinkProbe.h"
#include "text/PostTextStyling.h"

#include <QBuffer>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>

#include <gtest/gtest.h>

using testsupport::waitUntil;
using Reply = ScriptedHttpServer::Reply;

namespace {

QByteArray pngBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

class Surroundings : public QWidget {
public:
    Surroundings()
    {
        for (const QString &name : { nf::loadHash, nf::loadUser })
            NotificationBus::defaultCenter().subscribe(
                name, this, [this, name] { log.append(name); });
    }
    QStringList log;

protected:
    void mousePressEvent(QMouseEvent *) override { log.append(QStringLiteral("press")); }
};

class StyleTextViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.route("/photo.png", Reply::answer(200, pngBytes(40, 30), "image/png"));
        server.route("/fake.png", Reply::answer(200, "not really a png", "image/png"));
        server.route("/page", Reply::answer(200, "<p>x</p>", "text/html"));
        window.setGeometry(100, 120, 640, 400);
        view = new StyleTextView(&window);
        view->setGeometry(0, 0, 600, 200);
        view->setNetworkAccessManager(&manager);
        window.show();
    }

    void show(const QString &text) { view->setStyledText(PostTextStyling::styledText(text, 0)); }

    QPoint pointOn(int index) const
    {
        QTextCursor cursor(view->document());
        cursor.setPosition(index);
        const QRect rect = view->cursorRect(cursor);
        const QPoint point(rect.left() + 2, rect.center().y());
        EXPECT_EQ(view->characterIndexAt(point), index);
        return point;
    }

    void click(int index)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pointOn(index));
    }

    ScriptedHttpServer server;
    QNetworkAccessManager manager;
    Surroundings window;
    StyleTextView *view = nullptr;
    testsupport::ScriptedAlerts alerts;
    testsupport::RecordingOpener opener;
};

TEST_F(StyleTextViewTest, AnImageLinkOpensThePreviewOverTheWindow)
{
    const QString url = server.url(QStringLiteral("/photo.png")).toString();
    show(QStringLiteral("look ") + url);
    click(8);
    EXPECT_EQ(view->linkProbe()->url(), QUrl(url));
    ASSERT_TRUE(waitUntil([&] { return view->panel() != nullptr; }));
    ImagePreviewPanel *panel = view->panel();
    EXPECT_EQ(panel->url(), QUrl(url));
    EXPECT_EQ(view->imageView(), panel->imageView());
    ASSERT_TRUE(waitUntil([&] { return !panel->imageView()->image().isNull(); }));
    EXPECT_EQ(panel->imageView()->image().size(), QSize(40, 30));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(opener.opened().isEmpty());
    EXPECT_TRUE(alerts.shown().isEmpty());
    // The view passes the click on and stays read-only.
    EXPECT_TRUE(window.log.contains(QStringLiteral("press")));
    EXPECT_TRUE(view->isReadOnly());

    // A second preview replaces the references; closing deletes the panel.
    panel->close();
    ASSERT_TRUE(waitUntil([&] { return view->panel() == nullptr; }));
}

TEST_F(StyleTextViewTest, PagesGoToTheBrowserAndMailIsNotProbed)
{
    const QString page = server.url(QStringLiteral("/page")).toString();
    show(page + QStringLiteral(" or amy@example.com"));
    click(3);
    ASSERT_TRUE(waitUntil([&] { return opener.opened().size() == 1; }));
    EXPECT_EQ(opener.opened().first(), QUrl(page));
    click(int(page.size()) + 5);
    ASSERT_EQ(opener.opened().size(), 2);
    EXPECT_EQ(opener.opened().last(), QUrl(QStringLiteral("mailto:amy@example.com")));
    EXPECT_EQ(view->panel(), nullptr);
}

TEST_F(StyleTextViewTest, HashtagsAndMentionsLoadTheirStreams)
{
    show(QStringLiteral("#tag by @amy"));
    click(1);
    EXPECT_EQ(Preferences::standard().value(prefs::currentHashtag), u"#tag");
    EXPECT_EQ(window.log, (QStringList { nf::loadHash, QStringLiteral("press") }));

    window.log.clear();
    click(10);
    EXPECT_EQ(Preferences::standard().value(prefs::currentUser), u"@amy");
    // The surroundings hear of a mention click before its stream loads.
    EXPECT_EQ(window.log, (QStringList { QStringLiteral("press"), nf::loadUser }));

    window.log.clear();
    click(5);
    EXPECT_EQ(window.log, QStringList { QStringLiteral("press") });
}

TEST_F(StyleTextViewTest, APreviewThatIsNoImageSaysSo)
{
    ImagePreviewPanel *panel
        = new ImagePreviewPanel(server.url(QStringLiteral("/fake.png")), &manager, &window);
    QSignalSpy finished(panel, &ImagePreviewPanel::loadFinished);
    ASSERT_TRUE(waitUntil([&] { return finished.size() == 1; }));
    EXPECT_FALSE(finished.first().at(0).toBool());
    EXPECT_TRUE(panel->imageView()->image().isNull());
    EXPECT_EQ(panel->imageView()->placeholderText(), u"Could not load the image.");
    delete panel;
}

TEST(ImagePreviewGeometry, FollowsTheMainWindow)
{
    EXPECT_EQ(ImagePreviewPanel::contentRectForMainWindow(QRect(100, 50, 800, 600)),
        QRect(100, 72, 800, 600));
    EXPECT_EQ(
        ImagePreviewPanel::contentRectForMainWindow(QRect(0, 0, 401, 10)), QRect(0, 22, 401, 301));
    EXPECT_EQ(ImagePreviewPanel::contentRectForMainWindow(QRect()), QRect(0, 22, 0, 0));

    QNetworkAccessManager manager;
    QWidget main;
    main.setGeometry(200, 100, 300, 300);
    ImagePreviewPanel small(QUrl(), &manager, &main);
    EXPECT_GE(small.width(), 200);
    EXPECT_GE(small.height(), 150);
    EXPECT_EQ(small.imageView()->placeholderText(), u"Could not load the image.");
}

} // namespace
