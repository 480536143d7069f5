#pragma once

#include "service/PostRecord.h"
#include "text/RelativeDate.h"
#include "views/TimelineRowLayout.h"
#include "views/TimelineTextCache.h"

#include <QAbstractItemDelegate>
#include <QFont>
#include <QPalette>
#include <QPersistentModelIndex>
#include <QUrl>

class ThumbnailLoader;

// Draws the timeline's rows (no widget per row): background, avatar, names,
// relative date, styled text, the thumbnails of the post's pictures and, on
// the selected row, its buttons. Sizes
// rows by the height rule and answers what lies under a point. All three
// work from one TimelineRowLayout per row, so what is clicked is what was
// drawn. Rows show the PostRecord of the model's PostsModel::RecordRole.
class TimelineDelegate : public QAbstractItemDelegate {
    Q_OBJECT
public:
    using Part = TimelineRowLayout::Part;

    struct Hit {
        Part part = Part::None;
        bool enabled = false;
        // The character of the styled text under the point, or -1.
        int characterIndex = -1;
        // The picture under the point, or an empty address.
        QUrl picture;
    };

    explicit TimelineDelegate(QObject *parent = nullptr);
    ~TimelineDelegate() override;

    // While set, every row looks unselected: the @-name and date show, no
    // buttons (the list's reset of its visible rows).
    void setControlsHidden(bool hidden) { m_controlsHidden = hidden; }
    bool controlsHidden() const { return m_controlsHidden; }
    // How opaque the rows are drawn (the list's fades).
    void setContentOpacity(qreal opacity) { m_contentOpacity = opacity; }
    qreal contentOpacity() const { return m_contentOpacity; }

    // The part of a row's text drawn selected, in the palette's selection
    // colours; an empty range draws none.
    void setTextSelection(const QModelIndex &index, int start, int end);
    // The character of the row's text a drag to `point` reaches (-1: no text).
    int nearestCharacterIndex(
        const QStyleOptionViewItem &option, const QModelIndex &index, QPointF point) const;

    // The button drawn held down (none for an invalid index).
    void setPressedButton(const QModelIndex &index, Part part);

    // Where the thumbnails come from (none: the tiles stay placeholders).
    void setThumbnails(ThumbnailLoader *thumbnails) { m_thumbnails = thumbnails; }
    ThumbnailLoader *thumbnails() const { return m_thumbnails; }
    // Whether pictures on other sites than the program's image host are
    // shown (the reader's preference, as the list passes it on).
    void setOtherSitePictures(bool shown) { m_otherSitePictures = shown; }
    bool otherSitePictures() const { return m_otherSitePictures; }
    // The pictures a row shows, in the order the post links them.
    QList<QUrl> picturesOf(const PostRecord &record) const;

    // The date phrases come from this transformer (tests pin its clock).
    void setDateTransformer(const StringDateToRelativeDateStringTransformer &transformer);

    static PostRecord recordFor(const QModelIndex &index);
    // The width the row heights are measured for: the list's viewport when
    // the option comes from a list, else the option's rectangle.
    static qreal listWidthFor(const QStyleOptionViewItem &option);

    TimelineRowLayout rowLayout(const QStyleOptionViewItem &option, const QModelIndex &index) const;
    TimelineRowLayout rowLayout(const QStyleOptionViewItem &option, const PostRecord &record) const;
    Hit hitTest(const QStyleOptionViewItem &option, const QModelIndex &index, QPointF point) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
        const QModelIndex &index) override;

    TimelineTextCache &textCache() const { return m_cache; }

    // What a row shows in its name line.
    static QString nameLineText(const PostRecord &record, bool showsControls);
    static QString toolTipFor(Part part);

    static QColor selectedTopColor();
    static QColor selectedBottomColor();
    static QColor mentionColor();

    // The colours a row paints with. Under a light palette they are the
    // list's own look; under a dark one they come from the palette. Text
    // colours are readable on every background they are drawn on.
    struct RowColors {
        QColor background;
        QColor mention;
        QColor selectedTop;
        QColor selectedBottom;
        QColor selectedLine;
        QColor separator;
        QColor name;
        QColor atName;
        QColor date;
    };
    static RowColors rowColors(const QPalette &palette);

private:
    void paintBackground(QPainter *painter, const QRectF &row, bool selected, bool mentionsMe,
        const RowColors &colors) const;
    void paintAvatar(QPainter *painter, const QRectF &frame, const QImage &image) const;
    void paintNameLine(QPainter *painter, const TimelineRowLayout &layout, const PostRecord &record,
        const RowColors &colors, const QColor &background) const;
    TimelineRowLayout rowLayout(
        const QStyleOptionViewItem &option, const PostRecord &record, int pictureCount) const;
    void paintPictures(QPainter *painter, const TimelineRowLayout &layout,
        const QList<QUrl> &pictures, const QColor &background, const QColor &ink) const;
    void paintButtons(
        QPainter *painter, const TimelineRowLayout &layout, const QModelIndex &index) const;
    bool showsControls(const QStyleOptionViewItem &option) const;

    mutable TimelineTextCache m_cache;
    ThumbnailLoader *m_thumbnails = nullptr; // not owned
    bool m_otherSitePictures = true;
    StringDateToRelativeDateStringTransformer m_dates;
    bool m_controlsHidden = false;
    qreal m_contentOpacity = 1.0;
    QPersistentModelIndex m_pressedIndex;
    Part m_pressedPart = Part::None;
    QPersistentModelIndex m_selectionIndex;
    int m_selectionStart = 0;
    int m_selectionEnd = 0;
    QFont m_nameFont;
    QFont m_dateFont;
};
