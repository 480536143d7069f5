#include "app/ImageUploads.h"

#include "app/MainWindow.h"
#include "core/AppPaths.h"
#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "platform/AlertPresenter.h"
#include "service/Uploader.h"
#include "support/ImageFitting.h"
#include "text/LinedTextView.h"

#include <QBuffer>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPointer>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTimeZone>
#include <QtConcurrent>

namespace {

const QString uploadNotice = QStringLiteral(
    "Image upload is a temporary solution until a dedicated image service can be used. Images "
    "are uploaded to a server run by the maker of Velto; they are made smaller and turned into "
    "JPEG files, and the oldest images may be deleted when space runs out. If you do not agree, "
    "please do not use this feature.");

struct Prepared {
    QString path; // empty when any step failed
    QImage thumbnail;
};

// Reads, fits and encodes the image, then writes it, and makes the
// composer's thumbnail of it: the work of a worker thread.
Prepared prepare(const QString &source)
{
    QImageReader reader(source);
    reader.setAutoTransform(true);
    // A PNG named ".jpg" is still read as what it is.
    reader.setDecideFormatFromContent(true);
    // A picture of many megapixels still fits in memory once, then shrinks.
    reader.setAllocationLimit(1024);
    const QImage image = reader.read();
    if (image.isNull()) {
        qWarning().noquote() << "Cannot read the image" << source << reader.errorString();
        return {};
    }
    const QByteArray jpeg = ImageUploads::jpegData(ImageUploads::imageToSend(image));
    const QString path
        = ImageUploads::temporaryPath() + ImageUploads::idString() + QStringLiteral(".jpg");
    QSaveFile file(path);
    if (jpeg.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size()
        || !file.commit()) {
        qWarning("onSaveError!");
        return {};
    }
    qInfo().noquote() << "fileName:" << path;
    return { path, imageCroppedToFitSize(image, ImageUploads::thumbnailSize) };
}

} // namespace

ImageUploads::ImageUploads(MainWindow *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
{
}

QImage ImageUploads::imageToSend(const QImage &image)
{
    // Only the width is looked at: a narrow, tall picture goes as it is.
    if (image.width() > widestImage)
        return imageScaledToFitSize(image, QSize(widestImage, widestImage));
    return image;
}

QByteArray ImageUploads::jpegData(const QImage &image)
{
    // A JPEG has no transparency: the clear parts and the canvas beside a
    // narrow picture become white, as on a page, not black.
    QImage plain(image.size(), QImage::Format_RGB32);
    plain.fill(Qt::white);
    {
        QPainter painter(&plain);
        painter.drawImage(QRect(QPoint(0, 0), image.size()), image);
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(60);
    writer.setProgressiveScanWrite(true);
    if (!writer.write(plain))
        return {};
    return data;
}

QString ImageUploads::temporaryPath()
{
    const QString folder = AppPaths::cacheFolder();
    AppPaths::makePrivateFolder(folder);
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    const qint64 seconds = reference.secsTo(QDateTime::currentDateTimeUtc());
    for (qint64 n = 1;; ++n) {
        const QString name = QStringLiteral("%1%2").arg(seconds).arg(n).mid(3);
        const QString path = folder + QLatin1Char('/') + name;
        if (!QFileInfo::exists(path))
            return path;
    }
}

QString ImageUploads::idString()
{
    static const char letters[] = { 'z', 'a', 'b', 'c', 'd', 'e', 'f', 'g' };
    QString id;
    for (int i = 0; i < 3; ++i)
        id += QLatin1Char(letters[QRandomGenerator::global()->generate() & 7]);
    id += QString::number(QDateTime::currentSecsSinceEpoch()).mid(9);
    qInfo().noquote() << "idString:" << id;
    return id;
}

void ImageUploads::attachImage()
{
    auto *chooser = new QFileDialog(m_window, QStringLiteral("Attach Image"));
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setFileMode(QFileDialog::ExistingFile);
    chooser->setNameFilter(
        QStringLiteral("Images (*.jpg *.jpeg *.pdf *.png *.tif *.tiff *.gif *.psd *.bmp *.icns)"));
    chooser->setWindowModality(Qt::WindowModal);
    connect(chooser, &QFileDialog::fileSelected, this, [this](const QString &path) {
        if (!LinedTextView::isUploadableImagePath(path))
            return;
        // The key keeps the last file as a record; the path goes as the argument.
        Preferences::standard().setValue(prefs::dragFilePathTMP, path);
        uploadImage(path);
    });
    chooser->open();
}

void ImageUploads::uploadImage(const QString &source)
{
    Preferences &p = Preferences::standard();
    if (!p.value(prefs::firstImageUpload)) {
        alerts::show(QStringLiteral("Image Upload"), alerts::localized(uploadNotice));
        p.setValue(prefs::firstImageUpload, true);
    }
    ++m_running;
    m_window->startProgress();
    auto *watcher = new QFutureWatcher<Prepared>(this);
    connect(watcher, &QFutureWatcher<Prepared>::finished, this, [this, watcher] {
        watcher->deleteLater();
        const Prepared prepared = watcher->result();
        if (prepared.path.isEmpty()) {
            failed();
            return;
        }
        send(prepared.path, prepared.thumbnail);
    });
    watcher->setFuture(QtConcurrent::run(prepare, source));
}

void ImageUploads::send(const QString &jpegPath, const QImage &thumbnail)
{
    QString base = OutsideAddresses::current().imageHostBase;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QString name = QFileInfo(jpegPath).fileName();
    const QString remoteURL = base + QStringLiteral("/img/") + name + QLatin1Char(' ');
    qInfo().noquote() << "remoteURL:" << remoteURL;
    Preferences::standard().setValue(prefs::uploadedFileName, jpegPath);
    // The host is told the file's own name, never the folders it is in.
    auto *uploader = new Uploader(QUrl(base + QStringLiteral("/img.php")), jpegPath, name, this);
    connect(uploader, &Uploader::finished, this,
        [this, uploader, remoteURL, thumbnail](bool succeeded) {
            uploader->deleteLater();
            QFile::remove(uploader->filePath());
            if (!succeeded) {
                failed();
                return;
            }
            insertLink(remoteURL);
            Q_EMIT imageUploaded(remoteURL.trimmed(), thumbnail);
            --m_running;
            m_window->stopProgress();
            Q_EMIT uploadFinished(true);
        });
}

void ImageUploads::insertLink(const QString &remoteURL)
{
    LinedTextView *composer = m_window->composer();
    if (!composer)
        return;
    if (!m_window->isComposerOpen())
        Q_EMIT composerWanted();
    QTextCursor cursor = composer->textCursor();
    const int at = cursor.selectionStart();
    if (!composer->shouldChangeText(remoteURL + QLatin1Char(' '))) {
        qWarning("replaceWithTemplate: Cannot change text in text view");
        return;
    }
    // The link goes before any selection, which stays: " <link> ".
    cursor.setPosition(at);
    cursor.insertText(remoteURL);
    cursor.setPosition(at);
    cursor.insertText(QStringLiteral(" "));
}

void ImageUploads::failed()
{
    --m_running;
    m_window->stopProgress();
    alerts::error(QStringLiteral("Could not upload image."));
    Q_EMIT uploadFinished(false);
}
