#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

class LinedTextView;
class MainWindow;

// Images put into posts: the file dropped on the composer (or chosen with
// Attach Image…) is shrunk when wider than 600 points, made a JPEG off the
// window's thread, sent to the image host, and its link put at the caret.
// Each upload has its own file, removed when it is done.
class ImageUploads : public QObject {
    Q_OBJECT
public:
    static constexpr int widestImage = 600;
    // The composer's thumbnail of an upload, in pixels.
    static constexpr QSize thumbnailSize { 96, 96 };

    ImageUploads(MainWindow *window, QObject *parent = nullptr);

    // The image file at `path` (dropped on the composer or chosen).
    void uploadImage(const QString &path);
    // Opens a file chooser for an image.
    void attachImage();

    // What is sent for an image: as it is, or on a 600 x 600 canvas when wider.
    static QImage imageToSend(const QImage &image);
    // JPEG at quality 0.6, progressive, without a colour profile, on white.
    static QByteArray jpegData(const QImage &image);
    // A path in the cache folder that no file has yet.
    static QString temporaryPath();
    // Three letters and the last digit of the time: "bzg7".
    static QString idString();

    int uploadsRunning() const { return m_running; }

Q_SIGNALS:
    void uploadFinished(bool succeeded);
    // The link is about to go into the composer, which must be open to
    // show it.
    void composerWanted();
    // The image's link is in the composer now; `thumbnail` shows it there.
    void imageUploaded(const QString &link, const QImage &thumbnail);

private:
    void send(const QString &jpegPath, const QImage &thumbnail);
    void insertLink(const QString &remoteURL);
    void failed();

    MainWindow *m_window;
    int m_running = 0;
};
