#include "text/DragImageView.h"

#include "core/AppPaths.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDebug>
#include <QDir>
#include <QDrag>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QMouseEvent>
#include <QMovie>
#include <QPainter>
#include <QSaveFile>
#include <QUrl>

#include <cmath>
#include <memory>

DragImageView::DragImageView(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(1, 1);
}

DragImageView::~DragImageView()
{
    clearMovie();
}

void DragImageView::clearMovie()
{
    if (m_movie) {
        m_movie->stop();
        delete m_movie;
        m_movie = nullptr;
    }
    delete m_movieData;
    m_movieData = nullptr;
}

void DragImageView::setImage(const QImage &image)
{
    clearMovie();
    m_image = image;
    update();
}

bool DragImageView::setImageData(const QByteArray &data)
{
    clearMovie();
    m_image = QImage();
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(data);
    buffer->open(QIODevice::ReadOnly);
    QImageReader reader(buffer.get());
    const bool animated = reader.supportsAnimation() && reader.imageCount() != 1;
    reader.setAutoTransform(true);
    m_image = reader.read();
    if (m_image.isNull()) {
        qInfo().noquote() << "Not an image:" << reader.errorString();
        update();
        return false;
    }
    if (animated && m_animates) {
        buffer->seek(0);
        m_movieData = buffer.release();
        m_movie = new QMovie(m_movieData, QByteArray(), this);
        connect(m_movie, &QMovie::frameChanged, this, [this] {
            m_image = m_movie->currentImage();
            update();
        });
        m_movie->start();
    }
    update();
    return true;
}

QImage DragImageView::image() const
{
    return m_image;
}

bool DragImageView::isAnimated() const
{
    return m_movie != nullptr;
}

void DragImageView::setAnimates(bool animates)
{
    m_animates = animates;
    if (m_movie)
        m_movie->setPaused(!animates);
}

void DragImageView::setPlaceholderText(const QString &text)
{
    m_placeholder = text;
    update();
}

void DragImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_image.isNull()) {
        if (!m_placeholder.isEmpty())
            painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, m_placeholder);
        return;
    }
    // Scaled down to fit, never up; centred.
    QSizeF size = m_image.deviceIndependentSize();
    if (size.width() > width() || size.height() > height())
        size = size.scaled(QSizeF(this->size()), Qt::KeepAspectRatio);
    const QRectF target(
        QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_image);
}

bool DragImageView::isDragDistance(QPointF pressedAt, QPointF now)
{
    const QPointF d = now - pressedAt;
    return std::hypot(d.x(), d.y()) >= dragDistance;
}

QString DragImageView::dragFilePath()
{
    return AppPaths::supportFolder() + QStringLiteral("/Photo.png");
}

bool DragImageView::writeDragFile(const QImage &image, const QString &path)
{
    if (image.isNull())
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }
    flat.setColorSpace(QColorSpace());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, "jpeg");
    if (!writer.write(flat)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void DragImageView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressedAt = event->position();
    QWidget::mousePressEvent(event);
}

void DragImageView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressedAt && (event->buttons() & Qt::LeftButton)
        && isDragDistance(*m_pressedAt, event->position())) {
        m_pressedAt.reset();
        startDrag();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void DragImageView::mouseReleaseEvent(QMouseEvent *event)
{
    m_pressedAt.reset();
    QWidget::mouseReleaseEvent(event);
}

void DragImageView::startDrag()
{
    if (m_image.isNull())
        return;
    auto *mime = new QMimeData;
    mime->setImageData(m_image);
    const QString path = dragFilePath();
    if (writeDragFile(m_image, path))
        mime->setUrls({ QUrl::fromLocalFile(path) });
    else
        qWarning().noquote() << "Could not write the dragged image to" << path;
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(QPixmap::fromImage(
        m_image.scaled(128, 128, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}
