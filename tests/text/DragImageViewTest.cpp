#include "text/DragImageView.h"
#include "ScriptedHttpServer.h"
#include "TestSupport.h"
#include "core/AppPaths.h"
#include "text/ImagePreviewPanel.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

TEST(DragImageView, DragStartsThreePointsAway)
{
    const std::pair<QPointF, bool> cases[] = { { QPointF(12, 12), false },
        { QPointF(12.99, 10), false }, { QPointF(13, 10), true }, { QPointF(10, 7), true } };
    for (const auto &[to, drags] : cases)
        EXPECT_EQ(DragImageView::isDragDistance(QPointF(10, 10), to), drags) << to.x();
}

TEST(DragImageView, TheDraggedFileIsAJpegNamedPhotoPng)
{
    EXPECT_EQ(
        DragImageView::dragFilePath(), AppPaths::supportFolder() + QStringLiteral("/Photo.png"));
    QImage image(30, 20, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixelColor(0, 0, Qt::red);
    const QString path = DragImageView::dragFilePath();
    QFile::remove(path);
    ASSERT_TRUE(DragImageView::writeDragFile(image, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(2) == QByteArray("\xFF\xD8", 2));
    file.close();
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage back = reader.read();
    EXPECT_EQ(back.size(), QSize(30, 20));
    // Transparent parts become white, not black.
    EXPECT_GT(back.pixelColor(20, 15).lightness(), 240);

    EXPECT_FALSE(DragImageView::writeDragFile(QImage(), path));
    EXPECT_FALSE(
        DragImageView::writeDragFile(image, QStringLiteral("/proc/velto-cannot/Photo.png")));
}

TEST(DragImageView, ShowsWhatDecodesAndSaysWhenNothingDoes)
{
    DragImageView view;
    view.setPlaceholderText(QStringLiteral("nothing"));
    EXPECT_FALSE(view.setImageData(QByteArray("GIF89a but not really")));
    EXPECT_TRUE(view.image().isNull());
    EXPECT_FALSE(view.setImageData(QByteArray()));

    QImage image(12, 7, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    EXPECT_TRUE(view.setImageData(png));
    EXPECT_EQ(view.image().size(), QSize(12, 7));
    EXPECT_FALSE(view.isAnimated());
}

TEST(ImagePreviewPanel, FollowsTheMainWindowAndSaysWhenTheLinkIsNoImage)
{
    EXPECT_EQ(ImagePreviewPanel::contentRectForMainWindow(QRect(100, 50, 800, 600)),
        QRect(100, 72, 800, 600));
    EXPECT_EQ(
        ImagePreviewPanel::contentRectForMainWindow(QRect(0, 0, 401, 10)), QRect(0, 22, 401, 301));
    EXPECT_EQ(ImagePreviewPanel::contentRectForMainWindow(QRect()), QRect(0, 22, 0, 0));

    ScriptedHttpServer server;
    server.route(
        "/fake.png", ScriptedHttpServer::Reply::answer(200, "not really a png", "image/png"));
    QNetworkAccessManager manager;
    QWidget main;
    main.setGeometry(200, 100, 300, 300);
    ImagePreviewPanel panel(server.url(QStringLiteral("/fake.png")), &manager, &main);
    EXPECT_GE(panel.width(), 200);
    EXPECT_GE(panel.height(), 150);
    QSignalSpy finished(&panel, &ImagePreviewPanel::loadFinished);
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished.size() == 1; }));
    EXPECT_FALSE(finished.first().at(0).toBool());
    EXPECT_TRUE(panel.imageView()->image().isNull());
    EXPECT_EQ(panel.imageView()->placeholderText(), u"Could not load the image.");
}

} // namespace
