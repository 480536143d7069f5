#pragma once

#include "text/StyledText.h"
#include "text/StyledTextLayout.h"

#include <QPointer>
#include <QWidget>

#include <QMenu>

// A read-only view of one post's styled text. A click first goes to the
// widget around it (the row gets selected), then acts on the link, hashtag or
// mention under the pointer (TextClick). Right and middle clicks only select
// the row; the wheel scrolls whatever is around it; the context menu is the
// one set with setMenu().
class PostTextView : public QWidget {
    Q_OBJECT
public:
    explicit PostTextView(QWidget *parent = nullptr);
    ~PostTextView() override;

    void setStyledText(const StyledText &text);
    const StyledText &styledText() const { return m_text; }

    void setMenu(QMenu *menu) { m_menu = menu; }
    QMenu *menu() const { return m_menu; }

    // Text coordinates are the widget's own.
    int characterIndexAt(QPointF point) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    const StyledTextLayout &layout() const;
    void updateCursor(QPointF point);

    StyledText m_text;
    QPointer<QMenu> m_menu;
    mutable StyledTextLayout m_layout;
    mutable bool m_layoutValid = false;
    bool m_pressForwarded = false;
};
