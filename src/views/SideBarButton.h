#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QIcon>

// One toggle button of the side bar: its image above its title. The selected
// button shows `image` on a darker fill with a bright title; the others show
// `alternateImage` (or `image` when there is none) with a dimmer title
// (SideBarColours).
class SideBarButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SideBarButton(QWidget *parent = nullptr);

    QIcon image() const { return m_image; }
    void setImage(const QIcon &image);
    QIcon alternateImage() const { return m_alternateImage; }
    void setAlternateImage(const QIcon &image);

    // What paintEvent draws for the current state.
    QColor fillColor() const;
    QColor titleColor() const;
    QIcon shownImage() const;
    // Where the image and the title go inside the button.
    QRect imageRect() const;
    QRect titleRect() const;

    static QFont titleFont();

    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QIcon m_image;
    QIcon m_alternateImage;
};
