#include "text/ImagePreviewPanel.h"

#include "text/DragImageView.h"

#include <QDebug>
#include <QKeyEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QVBoxLayout>

#include <cmath>

ImagePreviewPanel::ImagePreviewPanel(
    const QUrl &url, QNetworkAccessManager *manager, QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Tool)
    , m_url(url)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(url.fileName().isEmpty() ? url.toDisplayString() : url.fileName());
    setMinimumSize(200, 150);

    m_imageView = new DragImageView(this);
    m_imageView->resize(400, 300);
    m_imageView->setAnimates(true);
    m_imageView->setPlaceholderText(tr("Loading…"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_imageView);

    const QRect frame = mainWindow ? mainWindow->frameGeometry() : QRect(0, 0, 0, 0);
    const QRect content = contentRectForMainWindow(frame);
    resize(content.size().expandedTo(minimumSize()));
    move(content.topLeft());

    load(manager);
}

ImagePreviewPanel::~ImagePreviewPanel()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

namespace {
bool closesPanel(const QKeyEvent *key)
{
    return (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier)
        || key->matches(QKeySequence::Close);
}
} // namespace

bool ImagePreviewPanel::event(QEvent *event)
{
    // The main window's own Escape and Close shortcuts reach a window of its
    // own; here they are the panel's.
    if (event->type() == QEvent::ShortcutOverride && closesPanel(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void ImagePreviewPanel::keyPressEvent(QKeyEvent *event)
{
    if (closesPanel(event)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QRect ImagePreviewPanel::contentRectForMainWindow(const QRect &mainWindowFrame)
{
    const int width = mainWindowFrame.width();
    const int height = int(std::lround(width / 4.0 * 3.0));
    return QRect(mainWindowFrame.x(), mainWindowFrame.y() + 22, width, height);
}

void ImagePreviewPanel::load(QNetworkAccessManager *manager)
{
    if (!manager || !m_url.isValid()) {
        m_imageView->setPlaceholderText(tr("Could not load the image."));
        return;
    }
    QNetworkRequest request(m_url);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(loadTimeoutMs);
    QNetworkReply *reply = manager->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64) {
        if (received > maxImageBytes && reply == m_reply) {
            qInfo().noquote() << "Preview of" << m_url.toDisplayString() << "is too large";
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, &ImagePreviewPanel::finishLoad);
}

void ImagePreviewPanel::finishLoad()
{
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    if (!reply)
        return;
    reply->deleteLater();
    bool ok = false;
    if (reply->error() == QNetworkReply::NoError)
        ok = m_imageView->setImageData(reply->readAll());
    else
        qInfo().noquote() << "Preview of" << m_url.toDisplayString()
                          << "failed:" << reply->errorString();
    if (!ok)
        m_imageView->setPlaceholderText(tr("Could not load the image."));
    Q_EMIT loadFinished(ok);
}
