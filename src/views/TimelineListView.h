#pragma once

#include "service/PostsArrayController.h"
#include "text/TextClick.h"
#include "views/RowTextSelection.h"
#include "views/TimelineDelegate.h"

#include <QListView>
#include <QPersistentModelIndex>
#include <QPointer>

#include <optional>

#include <QMenu>

class LinkOpener;
class ThumbnailLoader;

// The main window's list of posts, newest first. Rows are drawn by a
// TimelineDelegate; the selected row carries the reply, quote, conversation
// and action buttons (reply and quote off on one's own post), which post
// "REPLYNF", "QUOTENF" and "CONVERSATIONNF" or show the item menu; a click
// on a row's avatar posts "USERINFONF"; a click on a thumbnail, or Space or
// Return on the selected row (its first picture), opens the picture in the
// preview panel. A click on marked text first selects
// the row, then follows the post text rules (probe and open the link, load
// the hashtag, load the user). In the selected row the text can be selected
// by dragging (also from a mark) or double-clicking a word, and copied with
// Ctrl+C or the context menu. A right click selects the row under the
// pointer alone before the context menu shows.
class TimelineListView : public QListView {
    Q_OBJECT
    // The list's fades draw the rows themselves at this opacity: a graphics
    // effect on a scroll area is not repainted while its opaque viewport
    // covers it, so a fade-in would end on a blank list.
    Q_PROPERTY(qreal contentOpacity READ contentOpacity WRITE setContentOpacity)
public:
    using Part = TimelineRowLayout::Part;

    // Room for the avatar column and a readable line of text.
    static constexpr int minimumListWidth = 240;
    static constexpr int batchOfRows = 16;

    explicit TimelineListView(QWidget *parent = nullptr);
    ~TimelineListView() override;

    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

    // Where the reader is: the post whose row holds the top of the visible
    // part, and how many pixels of that row lie above it.
    struct ReadingPlace {
        QString postID;
        int offset = 0;
        bool operator==(const ReadingPlace &) const = default;
    };
    ReadingPlace readingPlace() const;
    // The place asked for while the layout has not reached it yet, else
    // readingPlace(): where the reader is about to be.
    ReadingPlace placeToKeep() const;
    // Scrolls that post's row back to where it was, once the batched layout
    // has reached it; the reader's own scrolling or new content cancels it.
    // A post no longer listed leaves the scrolling as it is.
    void restoreReadingPlace(const ReadingPlace &place);
    // Shows the first row; a place or row still waiting for the layout is
    // given up.
    void scrollToFirstRow();

    // Shows the controller's arranged records with its selection.
    void setPostsController(PostsArrayController *posts);
    PostsArrayController *postsController() const { return m_posts; }

    // Puts every visible row back to the unselected look (no buttons) until
    // the next selection change or reload.
    void resetVisibleRows();
    // The selected row shows its buttons again, as before a reset.
    void showRowControls();
    // Re-reads every row from the model, then selects the row that was
    // selected again, alone, and scrolls it into view.
    void reloadTableView();

    // The list's context menu (post commands); not owned.
    void setContextMenu(QMenu *menu) { m_contextMenu = menu; }
    QMenu *contextMenu() const { return m_contextMenu; }
    // The menu of the selected row's action button; not owned. It opens
    // above the button.
    void setItemMenu(QMenu *menu) { m_itemMenu = menu; }
    QMenu *itemMenu() const { return m_itemMenu; }

    TimelineDelegate *timelineDelegate() const { return m_delegate; }

    qreal contentOpacity() const { return m_delegate->contentOpacity(); }
    void setContentOpacity(qreal opacity);

    // Where a row's parts are, in viewport coordinates (tests, the window).
    TimelineRowLayout rowLayout(int row) const;
    std::optional<int> selectedRow() const;
    // The row a page (the list's visible height) below (direction 1) or
    // above (-1) `row`, clamped to the first and last; none for no rows.
    std::optional<int> rowAPageAway(int row, int direction) const;
    bool controlsHidden() const { return m_delegate->controlsHidden(); }

    // What clicking `part` of the selected row does, as if clicked.
    void performButton(Part part);

    // The selected part of the selected row's text; empty when none.
    QString selectedText() const;
    // Puts it on the clipboard, as one plain string.
    void copySelectedText();
    // Where links clicked in the rows go (probed first).
    LinkOpener *linkOpener() const { return m_links; }
    ThumbnailLoader *thumbnails() const { return m_thumbnails; }
    // Opens the selected row's first picture; false when it has none.
    bool openSelectedPicture();

Q_SIGNALS:
    // A double click on a row (not on its buttons), after the click has
    // selected it.
    void rowDoubleClicked(int row);

protected:
    void timerEvent(QTimerEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void selectionChanged(
        const QItemSelection &selected, const QItemSelection &deselected) override;

private:
    QStyleOptionViewItem optionFor(const QModelIndex &index) const;
    TimelineDelegate::Hit hitAt(const QModelIndex &index, QPoint point) const;
    void selectAlone(const QModelIndex &index);
    // Scrolls to the pending place if its row is laid out, and forgets it
    // once there or as near as the finished layout lets the list get.
    void applyPendingPlace();
    bool lastRowLaidOut() const;
    // White rows on a light palette, the palette's own base on a dark one.
    void applyBase();
    void setPressed(const QModelIndex &index, Part part);
    void showItemMenu();
    void updateCursor(QPoint point);
    void showOtherSitePictures(bool shown);

    // Text selection in the selected row (TimelineListTextSelection.cpp).
    bool pressSelectedRowText(
        const QModelIndex &index, QPoint point, const TimelineDelegate::Hit &hit);
    bool dragSelectedRowText(QPoint point);
    bool releaseSelectedRowText();
    bool selectWordInSelectedRow(const QModelIndex &index, QPoint point);
    void clearTextSelection();
    void showTextSelection();

    TimelineDelegate *m_delegate = nullptr;
    QPointer<PostsArrayController> m_posts;
    QPointer<QMenu> m_contextMenu;
    QPointer<QMenu> m_itemMenu;

    // A button (or the avatar) held down; it acts when let go over it.
    QPersistentModelIndex m_pressedIndex;
    // A row asked to be shown before the batched layout reached it.
    QPersistentModelIndex m_pendingScroll;
    ScrollHint m_pendingScrollHint = EnsureVisible;
    // A reading place asked for before the layout could honour it.
    ReadingPlace m_pendingPlace;
    Part m_pressedPart = Part::None;
    bool m_pressedInside = false;
    bool m_applyingBase = false;

    // A press on the selected row's text: a click on its mark when let go
    // where it was, a selection once the pointer moves.
    struct TextPress {
        QPersistentModelIndex row;
        QPoint point;
        int character = -1;
        ClickActions click;
        bool dragging = false;
    };
    std::optional<TextPress> m_textPress;
    RowTextSelection m_textSelection;
    // The press before a double click was on text of a row already selected.
    bool m_lastPressOnSelectedText = false;
    LinkOpener *m_links = nullptr;
    ThumbnailLoader *m_thumbnails = nullptr;
};
