#pragma once

#include <QPointer>
#include <QRect>
#include <QUrl>
#include <QWidget>

class DragImageView;
#include <QNetworkAccessManager>
#include <QNetworkReply>

// The floating window that previews an image link: over the main window's
// top, as wide as the main window and three quarters as high, at least
// 200 x 150, closed for good when the user closes it (Escape and Ctrl+W
// close it, and only it, not the main window behind). The image loads
// without blocking; until it is there (or when it cannot be loaded) the
// window says so.
class ImagePreviewPanel : public QWidget {
    Q_OBJECT
public:
    // Larger answers are not images anyone wants previewed.
    static constexpr qint64 maxImageBytes = 32 * 1024 * 1024;
    static constexpr int loadTimeoutMs = 30000;

    ImagePreviewPanel(const QUrl &url, QNetworkAccessManager *manager, QWidget *mainWindow);
    ~ImagePreviewPanel() override;

    // Where the panel's content goes for a main window with this frame: the
    // main window's left edge, 22 below its top, its width, 3/4 of that high.
    static QRect contentRectForMainWindow(const QRect &mainWindowFrame);

    DragImageView *imageView() const { return m_imageView; }
    QUrl url() const { return m_url; }
    bool isLoading() const { return m_reply != nullptr; }

Q_SIGNALS:
    void loadFinished(bool ok);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void load(QNetworkAccessManager *manager);
    void finishLoad();

    QUrl m_url;
    DragImageView *m_imageView = nullptr;
    QPointer<QNetworkReply> m_reply;
};
