// Images put into posts, against the sandbox's image host over a slow
// network: what is sent, the multipart body, the link at the caret, the
// host's answers, and the files the upload leaves behind.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/ComposerPane.h"
#include "app/ImageUploads.h"
#include "app/MainWindow.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "platform/SystemBeep.h"
#include "service/Uploader.h"
#include "text/LinedTextView.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace std::chrono_literals;

namespace {

TEST(ImageUploadRules, WhatIsSentAndWhichFilesAreTaken)
{
    const QImage wide = ImageUploads::imageToSend(QImage(1200, 400, QImage::Format_RGB32));
    EXPECT_EQ(wide.size(), QSize(600, 600));
    const QImage tall = ImageUploads::imageToSend(QImage(500, 3000, QImage::Format_RGB32));
    EXPECT_EQ(tall.size(), QSize(500, 3000));
    // The bars beside a narrow picture and its clear parts are white, not
    // black: a JPEG has no transparency.
    QImage clear(1200, 400, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const QImage sent
        = QImage::fromData(ImageUploads::jpegData(ImageUploads::imageToSend(clear)), "JPEG");
    ASSERT_EQ(sent.size(), QSize(600, 600));
    for (const QPoint at : { QPoint(5, 5), QPoint(300, 300) })
        EXPECT_GT(qGray(sent.pixel(at)), 245) << at.x() << ", " << at.y();

    EXPECT_TRUE(LinedTextView::isUploadableImagePath(u"/home/a/photo.jpg"_qs));
    EXPECT_TRUE(LinedTextView::isUploadableImagePath(u"/home/a/icon.icns"_qs));
    EXPECT_FALSE(LinedTextView::isUploadableImagePath(u"/home/a/photo.JPG"_qs));
    EXPECT_FALSE(LinedTextView::isUploadableImagePath(u"/home/a/notes.txt"_qs));
    EXPECT_FALSE(LinedTextView::isUploadableImagePath(u"/home/a.jpg/picture"_qs));
}

class ImageUploadTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        Preferences::standard().setValue(prefs::firstImageUpload, true);
        ASSERT_TRUE(sandbox.setLatency(250, 50));
        start();
        if (HasFatalFailure())
            return;
        delegate->newPost();
        image = files.filePath(u"wide photo.png"_qs);
        QImage picture(1200, 400, QImage::Format_RGB32);
        picture.fill(QColor(200, 40, 40));
        ASSERT_TRUE(picture.save(image));
    }
    LinedTextView *composer() const { return window().composer(); }
    bool upload(const QString &path)
    {
        QSignalSpy finished(&delegate->uploads(), &ImageUploads::uploadFinished);
        NotificationBus::defaultCenter().post(nf::uploadImage, path);
        EXPECT_TRUE(finished.wait(15000));
        return !finished.isEmpty() && finished.first().at(0).toBool();
    }
    QStringList cachedUploads() const
    {
        return QDir(
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + u"/Velto"_qs)
            .entryList(QDir::Files);
    }

    QTemporaryDir files;
    QString image;
};

TEST_F(
    ImageUploadTest, AnImageDroppedOrAttachedIsSentShrunkAnyOtherFileBeepsAndTheHostsAnswerDecides)
{
    int beeps = 0;
    SystemBeep::setPlayer([&] { ++beeps; });
    const auto drop = [&](const QString &path) {
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path) });
        // As a drag arrives: it enters, moves, and is let go.
        QDragEnterEvent enter(
            QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(composer()->viewport(), &enter);
        QDragMoveEvent move(QPoint(12, 12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(composer()->viewport(), &move);
        QDropEvent event(QPointF(12, 12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(composer()->viewport(), &event);
    };
    const QString shouting = files.filePath(u"PHOTO.JPG"_qs);
    QFile::copy(image, shouting);
    drop(shouting);
    SystemBeep::setPlayer({});
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(delegate->uploads().uploadsRunning(), 0);

    composer()->setPlainText(u"look at this"_qs);
    QTextCursor cursor = composer()->textCursor();
    cursor.setPosition(5);
    cursor.setPosition(12, QTextCursor::KeepAnchor); // "at this"
    composer()->setTextCursor(cursor);
    QSignalSpy finished(&delegate->uploads(), &ImageUploads::uploadFinished);
    drop(image);
    EXPECT_EQ(delegate->uploads().uploadsRunning(), 1);
    ASSERT_TRUE(finished.wait(15000));
    ASSERT_TRUE(finished.first().at(0).toBool());
    const QString text = composer()->toPlainText();
    const QString base = sandbox.baseUrl().toString() + u"/img/"_qs;
    ASSERT_TRUE(text.startsWith(u"look  "_qs + base)) << text.toStdString();
    EXPECT_TRUE(text.endsWith(u".jpg at this"_qs)) << text.toStdString();
    const QString link = text.mid(6).section(u' ', 0, 0);
    // The host has the picture under the name it was sent with: the file's own.
    const auto stored = sandbox.request("GET", QUrl(link).path().toUtf8());
    ASSERT_EQ(stored.status, 200);
    EXPECT_EQ(QImage::fromData(stored.body).size(), QSize(600, 600));
    EXPECT_FALSE(QUrl(link).fileName().contains(u"photo"));
    EXPECT_TRUE(cachedUploads().isEmpty()) << "the temporary JPEG is removed";
    EXPECT_TRUE(alerts.shown().isEmpty());

    // The composer shows the picture beside the text until its link goes.
    ComposerPane *pane = window().composerPane();
    EXPECT_EQ(pane->pictureLinks(), QStringList { link });
    const auto thumbnails = pane->findChildren<QLabel *>();
    EXPECT_TRUE(std::any_of(thumbnails.begin(), thumbnails.end(),
        [](QLabel *label) { return !label->isHidden() && !label->pixmap().isNull(); }));
    composer()->setPlainText(text + u" more"_qs);
    EXPECT_EQ(pane->pictureLinks(), QStringList { link });
    composer()->setPlainText(u"look at this"_qs);
    EXPECT_TRUE(pane->pictureLinks().isEmpty());

    // The host's answer decides, and a failure leaves the text alone.
    composer()->setPlainText(u"text"_qs);
    ASSERT_TRUE(sandbox.injectAnswer(u"/img.php"_qs, "NO: full"));
    EXPECT_FALSE(upload(image));
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().at(0).message, u"Could not upload image."_qs);
    EXPECT_EQ(composer()->toPlainText(), u"text"_qs);

    // "YES" split so that no piece begins with it: a failure.
    ASSERT_TRUE(sandbox.injectChunks(u"/img.php"_qs, { "Y", "ES http://x/img/a.jpg" }, 300));
    EXPECT_FALSE(upload(image));
    // A first piece that begins with YES is a success, whatever follows.
    ASSERT_TRUE(sandbox.injectAnswer(u"/img.php"_qs, "YESTERDAY"));
    EXPECT_TRUE(upload(image));
    // A file that is no picture never reaches the host.
    const QString broken = files.filePath(u"broken.jpg"_qs);
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    EXPECT_FALSE(upload(broken));
    EXPECT_TRUE(cachedUploads().isEmpty());

    // File > Attach Image… opens the composer with the link, after a notice
    // on the first upload.
    Preferences::standard().setValue(prefs::firstImageUpload, false);
    composer()->clear();
    window().setComposerOpen(false);
    const qsizetype alertsBefore = alerts.shown().size();
    // File > Attach Image…, the file chosen in the dialog it opens.
    const auto attach = [&] {
        QSignalSpy finished(&delegate->uploads(), &ImageUploads::uploadFinished);
        delegate->commands().trigger(u"attachImage"_qs);
        QFileDialog *chooser = nullptr;
        ASSERT_TRUE(testsupport::waitUntil([&] {
            for (QFileDialog *open : window().findChildren<QFileDialog *>())
                chooser = open->isVisible() ? open : chooser;
            return chooser != nullptr;
        }));
        chooser->selectFile(image);
        QMetaObject::invokeMethod(chooser, "accept");
        ASSERT_TRUE(finished.wait(15000));
        ASSERT_TRUE(finished.first().at(0).toBool());
    };
    attach();
    EXPECT_TRUE(window().isComposerOpen());
    EXPECT_TRUE(composer()->toPlainText().contains(sandbox.baseUrl().toString() + u"/img/"_qs))
        << composer()->toPlainText().toStdString();
    ASSERT_EQ(alerts.shown().size(), alertsBefore + 1);
    EXPECT_EQ(alerts.shown().last().title, u"Image Upload"_qs);
    attach();
    EXPECT_EQ(alerts.shown().size(), alertsBefore + 1) << "the notice comes once";
}

TEST(UploaderFile, AnEmptyFileSucceedsWithoutARequestAndAMissingOneFails)
{
    QTemporaryDir dir;
    QFile empty(dir.filePath(u"empty.jpg"_qs));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    Uploader nothing(QUrl(u"http://127.0.0.1:1/img.php"_qs), empty.fileName(), u"empty.jpg"_qs);
    QSignalSpy done(&nothing, &Uploader::finished);
    ASSERT_TRUE(done.wait(3000));
    EXPECT_TRUE(done.first().at(0).toBool());

    Uploader missing(
        QUrl(u"http://127.0.0.1:1/img.php"_qs), dir.filePath(u"gone.jpg"_qs), u"gone.jpg"_qs);
    QSignalSpy failed(&missing, &Uploader::finished);
    ASSERT_TRUE(failed.wait(3000));
    EXPECT_FALSE(failed.first().at(0).toBool());
}

} // namespace
