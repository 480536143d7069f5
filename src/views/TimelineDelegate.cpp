#include "views/TimelineDelegate.h"

#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "service/PostPictures.h"
#include "service/PostsArrayController.h"
#include "service/ThumbnailLoader.h"
#include "text/ReadableColors.h"
#include "views/TimelineButtonArt.h"
#include "views/URLImageView.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QHelpEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

using Part = TimelineRowLayout::Part;

QString cacheKeyFor(const PostRecord &record)
{
    const QString id = record.id();
    if (!id.isEmpty())
        return id;
    // Posts without an id still measure once per width; the text check of
    // the cache keeps two of them apart.
    return QStringLiteral("~") + record.createdAt() + QLatin1Char('~') + record.username();
}

QString signedInUserId()
{
    return Preferences::standard().value(prefs::meID).value_or(QString());
}

const QColor nameColor(0x1e, 0x1f, 0x21);
const QColor atNameColor(0x3a, 0x3d, 0x42);
const QColor dateColor(0x86, 0x8b, 0x92);
const QColor starColor(0xe0, 0xa1, 0x1b);
const QColor separatorColor(0xe4, 0xe6, 0xe9);

QUrl imageHost()
{
    // Parsed again only when the address changes.
    static QString base;
    static QUrl url;
    const QString &current = OutsideAddresses::current().imageHostBase;
    if (current != base) {
        base = current;
        url = QUrl(base);
    }
    return url;
}

} // namespace

TimelineDelegate::TimelineDelegate(QObject *parent)
    : QAbstractItemDelegate(parent)
{
    m_nameFont.setPixelSize(13);
    m_nameFont.setBold(true);
    m_dateFont.setPixelSize(11);
}

TimelineDelegate::~TimelineDelegate() = default;

QColor TimelineDelegate::selectedTopColor()
{
    return QColor(0xe8, 0xef, 0xf7);
}

QColor TimelineDelegate::selectedBottomColor()
{
    return QColor(0xd9, 0xe5, 0xf1);
}

QColor TimelineDelegate::mentionColor()
{
    return QColor(0xfd, 0xf6, 0xe2);
}

TimelineDelegate::RowColors TimelineDelegate::rowColors(const QPalette &palette)
{
    using namespace ReadableColors;
    RowColors colors;
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    if (!isDark(base)) {
        colors = { QColor(Qt::white), mentionColor(), selectedTopColor(), selectedBottomColor(),
            QColor(0xc7, 0xd5, 0xe4), separatorColor, nameColor, atNameColor, dateColor };
    } else {
        const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
        const QColor text = palette.color(QPalette::Active, QPalette::Text);
        colors = { base, blend(base, starColor, 0.14), blend(base, highlight, 0.30),
            blend(base, highlight, 0.40), blend(base, highlight, 0.55), blend(base, text, 0.14),
            text, blend(text, base, 0.15), blend(text, base, 0.40) };
    }
    // Readable on the darkest and the lightest of the backgrounds.
    for (QColor *ink : { &colors.name, &colors.atName, &colors.date })
        for (const QColor &under : { colors.background, colors.mention, colors.selectedBottom })
            *ink = readableOn(*ink, under);
    return colors;
}

void TimelineDelegate::setPressedButton(const QModelIndex &index, Part part)
{
    m_pressedIndex = index;
    m_pressedPart = index.isValid() ? part : Part::None;
}

void TimelineDelegate::setDateTransformer(
    const StringDateToRelativeDateStringTransformer &transformer)
{
    m_dates = transformer;
}

PostRecord TimelineDelegate::recordFor(const QModelIndex &index)
{
    return index.data(PostsModel::RecordRole).value<PostRecord>();
}

qreal TimelineDelegate::listWidthFor(const QStyleOptionViewItem &option)
{
    if (const auto *area = qobject_cast<const QAbstractScrollArea *>(option.widget))
        return area->viewport()->width();
    return option.rect.width();
}

bool TimelineDelegate::showsControls(const QStyleOptionViewItem &option) const
{
    return !m_controlsHidden && option.state.testFlag(QStyle::State_Selected);
}

TimelineRowLayout TimelineDelegate::rowLayout(
    const QStyleOptionViewItem &option, const PostRecord &record) const
{
    return rowLayout(option, record, int(picturesOf(record).size()));
}

TimelineRowLayout TimelineDelegate::rowLayout(
    const QStyleOptionViewItem &option, const PostRecord &record, int pictureCount) const
{
    const bool controls = showsControls(option);
    // Reply and quote are for other people's posts (what "isME" says of the
    // selected post).
    const bool enabled = controls ? PostTransformers::isMEtoBOOL(&record, signedInUserId()) : true;
    return TimelineRowLayout::compute(
        option.rect, listWidthFor(option), controls, enabled, int(picturesOf(record).size()));
}

QList<QUrl> TimelineDelegate::picturesOf(const PostRecord &record) const
{
    return PostPictures::pictureLinks(record.attributedString, imageHost(), m_otherSitePictures);
}

TimelineRowLayout TimelineDelegate::rowLayout(
    const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return rowLayout(option, recordFor(index));
}

TimelineDelegate::Hit TimelineDelegate::hitTest(
    const QStyleOptionViewItem &option, const QModelIndex &index, QPointF point) const
{
    Hit hit;
    if (!index.isValid())
        return hit;
    const PostRecord record = recordFor(index);
    const TimelineRowLayout layout = rowLayout(option, record);
    hit.part = layout.partAt(point);
    hit.enabled = layout.isEnabled(hit.part);
    if (hit.part == Part::Picture) {
        const int picture = layout.pictureAt(point);
        const QList<QUrl> pictures = picturesOf(record);
        if (picture >= 0 && picture < pictures.size())
            hit.picture = pictures.at(picture);
    }
    if (hit.part == Part::Text) {
        const auto text
            = m_cache.layout(cacheKeyFor(record), record.attributedString, listWidthFor(option));
        hit.characterIndex = text->characterIndexAt(layout.toTextPoint(point));
    }
    return hit;
}

int TimelineDelegate::nearestCharacterIndex(
    const QStyleOptionViewItem &option, const QModelIndex &index, QPointF point) const
{
    if (!index.isValid())
        return -1;
    const PostRecord record = recordFor(index);
    const TimelineRowLayout layout = rowLayout(option, record);
    const auto text
        = m_cache.layout(cacheKeyFor(record), record.attributedString, listWidthFor(option));
    return text->nearestCharacterIndexAt(layout.toTextPoint(point));
}

void TimelineDelegate::setTextSelection(const QModelIndex &index, int start, int end)
{
    m_selectionIndex = start < end ? QPersistentModelIndex(index) : QPersistentModelIndex();
    m_selectionStart = start;
    m_selectionEnd = end;
}

QSize TimelineDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const PostRecord record = recordFor(index);
    const qreal width = listWidthFor(option);
    const int textRow = m_cache.rowHeight(cacheKeyFor(record), record.attributedString, width);
    return QSize(std::max(0, int(width)),
        TimelineRowMetrics::rowHeightWithPictures(textRow, int(picturesOf(record).size())));
}

QString TimelineDelegate::nameLineText(const PostRecord &record, bool showsControls)
{
    if (showsControls && !record.name().trimmed().isEmpty())
        return record.name();
    // A post that came without its user still says whose it is not.
    if (record.username().trimmed().isEmpty())
        return tr("unknown user");
    return QStringLiteral("@") + record.username();
}

QString TimelineDelegate::toolTipFor(Part part)
{
    switch (part) {
    case Part::Reply:
        return tr("Reply");
    case Part::Quote:
        return tr("Quote");
    case Part::Conversation:
        return tr("Show Conversation");
    case Part::Action:
        return tr("More");
    case Part::Avatar:
        return tr("Show User Info");
    case Part::Picture:
        return tr("Show Picture");
    default:
        return {};
    }
}

void TimelineDelegate::paintBackground(QPainter *painter, const QRectF &row, bool selected,
    bool mentionsMe, const RowColors &colors) const
{
    if (selected) {
        QLinearGradient fill(row.topLeft(), row.bottomLeft());
        fill.setColorAt(0, colors.selectedTop);
        fill.setColorAt(1, colors.selectedBottom);
        painter->fillRect(row, fill);
        painter->fillRect(QRectF(row.left(), row.top(), row.width(), 1), colors.selectedLine);
    } else {
        painter->fillRect(row, mentionsMe ? colors.mention : colors.background);
    }
    painter->fillRect(QRectF(row.left(), row.bottom() - 1, row.width(), 1),
        selected ? colors.selectedLine : colors.separator);
}

void TimelineDelegate::paintAvatar(
    QPainter *painter, const QRectF &frame, const QImage &image) const
{
    // The rounded avatar is made once per picture and screen scale.
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QString key = QStringLiteral("velto-timeline-avatar-%1-%2-%3")
                            .arg(image.isNull() ? 0 : image.cacheKey())
                            .arg(int(frame.width()))
                            .arg(int(std::lround(ratio * 100)));
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QPixmap((frame.size() * ratio).toSize());
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter avatar(&pixmap);
        AvatarImageView::paintAvatar(avatar, QRectF(QPointF(0, 0), frame.size()), image);
        avatar.end();
        QPixmapCache::insert(key, pixmap);
    }
    painter->drawPixmap(frame.topLeft(), pixmap);
}

void TimelineDelegate::paintNameLine(QPainter *painter, const TimelineRowLayout &layout,
    const PostRecord &record, const RowColors &colors, const QColor &background) const
{
    QRectF nameRect = layout.nameLine;
    QRectF dateRect = layout.date;
    if (record.youStarred()) {
        // A starred post carries a star at the end of its name line.
        const QString star = QStringLiteral("\u2605");
        painter->setFont(m_dateFont);
        painter->setPen(starColor);
        const qreal width = QFontMetricsF(m_dateFont).horizontalAdvance(star);
        painter->drawText(
            QRectF(nameRect.right() - width, nameRect.top(), width, nameRect.height()),
            Qt::AlignRight | Qt::AlignVCenter, star);
        nameRect.setRight(nameRect.right() - width - 4);
        dateRect.setRight(std::min(dateRect.right(), nameRect.right()));
    }
    if (!layout.showsControls) {
        const QString date = m_dates.transformedValue(record.createdAt());
        if (!date.isEmpty()) {
            painter->setFont(m_dateFont);
            painter->setPen(ReadableColors::readableOn(colors.date, background));
            const QFontMetricsF metrics(m_dateFont);
            const QString shown = metrics.elidedText(date, Qt::ElideRight, dateRect.width());
            painter->drawText(dateRect, Qt::AlignRight | Qt::AlignVCenter, shown);
            nameRect.setRight(dateRect.right() - metrics.horizontalAdvance(shown) - 8);
        }
    }
    const QString name = nameLineText(record, layout.showsControls);
    if (name.isEmpty() || nameRect.width() <= 0)
        return;
    painter->setFont(m_nameFont);
    painter->setPen(
        ReadableColors::readableOn(layout.showsControls ? colors.name : colors.atName, background));
    const QString shown
        = QFontMetricsF(m_nameFont).elidedText(name, Qt::ElideRight, nameRect.width());
    painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter, shown);
}

void TimelineDelegate::paintPictures(QPainter *painter, const TimelineRowLayout &layout,
    const QList<QUrl> &pictures, const QColor &background, const QColor &ink) const
{
    // Until a picture is there, and when it cannot be had, its tile is a
    // quiet shape; one that failed carries a small mark so it does not look
    // like one still on its way.
    const QColor placeholder = ReadableColors::blend(background, ink, 0.08);
    const QColor mark = ReadableColors::blend(background, ink, 0.30);
    for (int i = 0; i < layout.pictures.size() && i < pictures.size(); ++i) {
        const QRectF tile = layout.pictures.at(i);
        const QImage image = m_thumbnails ? m_thumbnails->thumbnail(pictures.at(i)) : QImage();
        if (!image.isNull()) {
            // The thumbnail is made at the tile's full size; a narrowed tile
            // shows its middle.
            const qreal scale = image.height() / tile.height();
            const qreal sourceWidth = std::min<qreal>(image.width(), tile.width() * scale);
            const QRectF source((image.width() - sourceWidth) / 2, 0, sourceWidth, image.height());
            painter->drawImage(tile, image, source);
            continue;
        }
        painter->fillRect(tile, placeholder);
        if (m_thumbnails && m_thumbnails->state(pictures.at(i)) == ThumbnailLoader::State::Failed) {
            const QPointF c = tile.center();
            painter->setPen(QPen(mark, 1.5));
            painter->drawRect(QRectF(c.x() - 10, c.y() - 8, 20, 16));
            painter->drawLine(QPointF(c.x() - 10, c.y() + 8), QPointF(c.x() + 10, c.y() - 8));
        }
    }
}

void TimelineDelegate::paintButtons(
    QPainter *painter, const TimelineRowLayout &layout, const QModelIndex &index) const
{
    for (Part part : { Part::Reply, Part::Quote, Part::Conversation, Part::Action }) {
        TimelineButtonArt::State state = TimelineButtonArt::State::Normal;
        if (!layout.isEnabled(part))
            state = TimelineButtonArt::State::Disabled;
        else if (m_pressedPart == part && m_pressedIndex == index)
            state = TimelineButtonArt::State::Pressed;
        TimelineButtonArt::draw(*painter, layout.rectOf(part), part, state);
    }
}

void TimelineDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!painter || !index.isValid())
        return;
    const PostRecord record = recordFor(index);
    const QList<QUrl> pictures = picturesOf(record);
    const TimelineRowLayout layout = rowLayout(option, record, int(pictures.size()));
    const bool selected = option.state.testFlag(QStyle::State_Selected);

    painter->save();
    painter->setOpacity(painter->opacity() * m_contentOpacity);
    // Until the list has measured a new width, a row may be shorter than
    // its text: it must not paint over its neighbours.
    painter->setClipRect(option.rect, Qt::IntersectClip);

    const QString meID = signedInUserId();
    const RowColors colors = rowColors(option.palette);
    const bool mentionsMe = PostTransformers::isNOTMentiontoBOOL(&record, meID);
    const QColor background = selected ? colors.selectedBottom
        : mentionsMe                   ? colors.mention
                                       : colors.background;
    paintBackground(painter, layout.row, selected, mentionsMe, colors);
    paintAvatar(painter, layout.avatar, record.theAvatarImage);
    paintNameLine(painter, layout, record, colors, background);

    const auto text
        = m_cache.layout(cacheKeyFor(record), record.attributedString, listWidthFor(option));
    // The post's own colours, moved where the palette's background needs it.
    const QList<QTextLayout::FormatRange> readable
        = text->readableFormatsOn(background, colors.name);
    QList<QTextLayout::FormatRange> selections;
    if (selected && m_selectionIndex.isValid() && m_selectionIndex == index) {
        QTextLayout::FormatRange range;
        range.start = m_selectionStart;
        range.length = m_selectionEnd - m_selectionStart;
        const QPalette &palette = option.palette;
        range.format.setBackground(palette.brush(QPalette::Active, QPalette::Highlight));
        range.format.setForeground(palette.brush(QPalette::Active, QPalette::HighlightedText));
        selections.append(range);
    }
    text->draw(
        painter, layout.text.topLeft(), selections, readable, !ReadableColors::isDark(background));
    if (!layout.pictures.isEmpty())
        paintPictures(painter, layout, pictures, background, colors.name);

    if (layout.showsControls)
        paintButtons(painter, layout, index);
    painter->restore();
}

bool TimelineDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view,
    const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (!event || !view || event->type() != QEvent::ToolTip)
        return QAbstractItemDelegate::helpEvent(event, view, option, index);
    const Hit hit = hitTest(option, index, event->pos());
    QString tip = toolTipFor(hit.part);
    if (hit.part == Part::Text && hit.characterIndex >= 0) {
        const TextAttributes attributes
            = recordFor(index).attributedString.attributesAt(hit.characterIndex);
        if (attributes.link)
            tip = *attributes.link;
    }
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return false;
    }
    const QRect area = rowLayout(option, index).rectOf(hit.part).toAlignedRect();
    QToolTip::showText(event->globalPos(), tip, view->viewport(), area);
    return true;
}
