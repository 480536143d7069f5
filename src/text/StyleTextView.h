#pragma once

#include "text/StyledText.h"

#include <QPointer>
#include <QTextEdit>

class DragImageView;
class ImagePreviewPanel;
class LinkOpener;
class LinkProbe;
#include <QMenu>
#include <QNetworkAccessManager>

// A read-only, selectable view of styled post text whose links are probed
// before they open: an image link opens the preview panel, anything else the
// browser. Hashtags and mentions load their streams as in PostTextView; a
// mention click reaches the widget around the view first. The view does not
// pass on the clicks that hit a mark; any other click selects text and
// reaches the widget around it.
class StyleTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit StyleTextView(QWidget *parent = nullptr);
    ~StyleTextView() override;

    void setStyledText(const StyledText &text);

    // The program's one manager; the probes and the previews go through it.
    void setNetworkAccessManager(QNetworkAccessManager *manager);

    void setMenu(QMenu *menu) { m_menu = menu; }
    QMenu *menu() const { return m_menu; }

    // The character under a point of the viewport, or -1.
    int characterIndexAt(QPoint viewportPoint) const;

    LinkProbe *linkProbe() const;
    ImagePreviewPanel *panel() const;
    DragImageView *imageView() const;

    // Opens the preview panel for `url` over the window of this view.
    void generateImageViewWithURL(const QUrl &url);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QPointF viewportToDocument(QPoint viewportPoint) const;

    LinkOpener *m_links = nullptr;
    QPointer<QMenu> m_menu;
    bool m_pressForwarded = false;
    bool m_selecting = false;
};
