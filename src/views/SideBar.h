#pragma once

#include "views/SideBarButton.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class QButtonGroup;
class QPropertyAnimation;

// The narrow strip of image buttons the user picks a stream with: one column
// of toggle buttons, exactly one of them selected, each click reported to the
// delegate. It knows nothing of streams.
class SideBar : public QWidget {
    Q_OBJECT
public:
    enum class LayoutMode : unsigned { Top = 0, Centred = 1, Bottom = 2 };
    using CellFactory = std::function<SideBarButton *(QWidget *parent)>;

    explicit SideBar(QWidget *parent = nullptr);
    ~SideBar() override;

    // Append a row and answer its button.
    SideBarButton *addButtonWithTitle(const QString &title);
    SideBarButton *addButtonWithTitle(const QString &title, const QIcon &image);
    SideBarButton *addButtonWithTitle(
        const QString &title, const QIcon &image, const QIcon &alternateImage);

    // Selects the button in `row` without telling the delegate. A row past the
    // last (or below the first) selects row 0; with no rows nothing happens.
    void selectButtonAtRow(int row);
    // The selected row, -1 only while there are no rows.
    int selectedRow() const;
    // The button in `row`, null for a row that does not exist.
    SideBarButton *cellForItem(int row) const;
    int numberOfRows() const;

    LayoutMode layoutMode() const { return m_layoutMode; }
    void setLayoutMode(LayoutMode mode);
    qreal buttonsHeight() const { return m_buttonsHeight; }
    void setButtonsHeight(qreal height);
    // The palette's side-bar colour (SideBarColours) unless one was set.
    QColor backgroundColor() const;
    void setBackgroundColor(const QColor &colour);
    bool animateSelection() const { return m_animateSelection; }
    void setAnimateSelection(bool animate) { m_animateSelection = animate; }
    // Seconds the marker takes to glide to a new row when animated.
    qreal animationDuration() const { return m_animationDuration; }
    void setAnimationDuration(qreal seconds) { m_animationDuration = qMax(0.0, seconds); }

    // Makes the buttons of rows added from now on (default: SideBarButton).
    void setCellFactory(CellFactory factory);

    // Not owned; forgotten when destroyed. Told of clicks only if it is a
    // SideBarDelegate.
    void setSidebarDelegate(QObject *delegate);
    QObject *sidebarDelegate() const { return m_delegate; }

    // A marker at the right edge of the selected row. A null pixmap removes it.
    void setSelectionImage(const QPixmap &image);
    QWidget *selectorImageView() const;
    // Moves the marker to the selected row a moment (0.11 s) from now, once
    // for a burst of calls.
    void moveSelectionImage();

    // The button column, in this widget's coordinates.
    QRect columnGeometry() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    SideBarButton *addButton();
    void buttonClicked(int row);
    void resizeMatrix();
    void delayedMove();

    QWidget *m_matrix;
    QButtonGroup *m_group;
    QList<SideBarButton *> m_buttons;
    LayoutMode m_layoutMode = LayoutMode::Centred;
    qreal m_buttonsHeight = 48.0;
    QColor m_backgroundColor;
    bool m_animateSelection = false;
    qreal m_animationDuration = 0.1;
    CellFactory m_cellFactory;
    QPointer<QObject> m_delegate;
    QPointer<QWidget> m_selectorImageView;
    QPointer<QPropertyAnimation> m_markerAnimation;
    QTimer m_moveTimer;
};

// Where the button column goes: as wide as the side bar, rows x height tall,
// at the top, in the middle or at the bottom. In top-down widget coordinates.
QRectF sideBarColumnRect(
    QSizeF sideBarSize, int rows, qreal buttonsHeight, SideBar::LayoutMode mode);
