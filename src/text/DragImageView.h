#pragma once

#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

class QMovie;
class QBuffer;

// Shows an image, scaled down to fit and centred (animated GIFs play), and
// lets the user drag it out of the program: once the pointer has moved 3
// points from where the button went down, a copy-only drag starts that carries
// the image and a file of it, "Photo.png" (JPEG data, as the program always
// wrote it) in the support folder.
class DragImageView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal dragDistance = 3.0;

    explicit DragImageView(QWidget *parent = nullptr);
    ~DragImageView() override;

    void setImage(const QImage &image);
    // Decodes `data`; answers false (and shows the placeholder) when it is no image.
    bool setImageData(const QByteArray &data);
    // The image shown now (the current frame of an animation).
    QImage image() const;
    bool isAnimated() const;

    void setAnimates(bool animates);
    bool animates() const { return m_animates; }

    // Shown while there is no image.
    void setPlaceholderText(const QString &text);
    QString placeholderText() const { return m_placeholder; }

    static bool isDragDistance(QPointF pressedAt, QPointF now);
    // "<support folder>/Photo.png"
    static QString dragFilePath();
    // The image as JPEG (transparent parts on white, no colour profile),
    // written atomically; folders are created. False when it cannot be written.
    static bool writeDragFile(const QImage &image, const QString &path);

    QSize sizeHint() const override { return QSize(400, 300); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void clearMovie();
    void startDrag();

    QImage m_image;
    QMovie *m_movie = nullptr;
    QBuffer *m_movieData = nullptr;
    bool m_animates = true;
    QString m_placeholder;
    std::optional<QPointF> m_pressedAt;
};
