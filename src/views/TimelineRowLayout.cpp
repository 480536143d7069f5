#include "views/TimelineRowLayout.h"

#include "text/StyledTextLayout.h"

#include <algorithm>
#include <cmath>

namespace TimelineRowMetrics {

qreal textWidthForListWidth(qreal listWidth)
{
    if (std::isnan(listWidth))
        return minimumTextWidth;
    return std::max(minimumTextWidth, listWidth - textInset);
}

int rowHeightForTextHeight(qreal textHeight)
{
    if (std::isnan(textHeight) || textHeight < 0)
        textHeight = 0;
    // Beyond any screen; keeps the int conversion defined.
    textHeight = std::min<qreal>(textHeight, 16'000'000);
    const qreal height = std::max(minimumRowHeight, textHeight + chromeHeight);
    return int(std::ceil(height));
}

int rowHeight(const StyledText &text, qreal listWidth)
{
    return rowHeightForTextHeight(heightForWidth(text, textWidthForListWidth(listWidth)));
}

int rowHeightWithPictures(int rowHeight, int pictureCount)
{
    return pictureCount > 0 ? rowHeight + int(pictureStripHeight) : rowHeight;
}

} // namespace TimelineRowMetrics

using namespace TimelineRowMetrics;

TimelineRowLayout TimelineRowLayout::compute(const QRectF &row, qreal listWidth, bool showsControls,
    bool replyAndQuoteEnabled, int pictureCount)
{
    TimelineRowLayout layout;
    layout.row = row;
    layout.showsControls = showsControls;
    layout.replyAndQuoteEnabled = replyAndQuoteEnabled;

    const qreal left = row.left();
    const qreal top = row.top();
    const qreal textWidth = textWidthForListWidth(listWidth);
    const qreal right = left + textLeft + textWidth; // where the text box ends

    layout.avatar = QRectF(left + avatarLeft, top + avatarTop, avatarSize, avatarSize);

    // Names and date line up with the glyphs, not with the text box.
    const qreal inner = StyledTextLayout::lineFragmentPadding;
    layout.nameLine = QRectF(left + textLeft + inner, top + nameTop,
        std::max<qreal>(0, textWidth - 2 * inner), nameHeight);
    const qreal dateWidthHere = std::min(dateWidth, layout.nameLine.width() / 2);
    layout.date = QRectF(
        layout.nameLine.right() - dateWidthHere, layout.nameLine.top(), dateWidthHere, nameHeight);

    const qreal strip = pictureCount > 0 ? pictureStripHeight : 0;
    layout.text = QRectF(left + textLeft, top + textTop, textWidth,
        std::max<qreal>(0, row.height() - chromeHeight - strip));
    if (pictureCount > 0) {
        const int count = std::min(pictureCount, 4);
        const qreal fits = (textWidth - 2 * inner - (count - 1) * pictureGap) / count;
        const qreal width = std::max<qreal>(1, std::min(pictureWidth, fits));
        const qreal pictureTop = layout.text.bottom() + pictureGap;
        for (int i = 0; i < count; ++i)
            layout.pictures.append(QRectF(left + textLeft + inner + i * (width + pictureGap),
                pictureTop, width, pictureHeight));
    }

    const qreal buttonTop = row.bottom() - buttonBottomMargin - buttonSize;
    qreal x = left + textLeft + inner - 3; // the icon's ink lines up with the text
    for (QRectF *button : { &layout.reply, &layout.quote, &layout.conversation }) {
        *button = QRectF(x, buttonTop, buttonSize, buttonSize);
        x += buttonSize + buttonGap;
    }
    layout.action = QRectF(right - inner + 3 - buttonSize, buttonTop, buttonSize, buttonSize);
    // In a very narrow list the action button gives way rather than cover
    // the others.
    if (layout.action.left() < layout.conversation.right() + buttonGap)
        layout.action.moveLeft(layout.conversation.right() + buttonGap);
    return layout;
}

bool TimelineRowLayout::isButton(Part part) const
{
    return part == Part::Reply || part == Part::Quote || part == Part::Conversation
        || part == Part::Action;
}

bool TimelineRowLayout::isEnabled(Part part) const
{
    if (part == Part::Reply || part == Part::Quote)
        return showsControls && replyAndQuoteEnabled;
    if (isButton(part))
        return showsControls;
    return part != Part::None;
}

QRectF TimelineRowLayout::rectOf(Part part) const
{
    switch (part) {
    case Part::Avatar:
        return avatar;
    case Part::Name:
        return nameLine;
    case Part::Text:
        return text;
    case Part::Reply:
        return reply;
    case Part::Quote:
        return quote;
    case Part::Conversation:
        return conversation;
    case Part::Action:
        return action;
    case Part::Picture:
    case Part::None:
        break;
    }
    return {};
}

int TimelineRowLayout::pictureAt(QPointF point) const
{
    for (int i = 0; i < pictures.size(); ++i) {
        if (pictures.at(i).contains(point))
            return i;
    }
    return -1;
}

TimelineRowLayout::Part TimelineRowLayout::partAt(QPointF point) const
{
    if (!row.contains(point))
        return Part::None;
    if (showsControls) {
        for (Part part : { Part::Reply, Part::Quote, Part::Conversation, Part::Action }) {
            if (rectOf(part).contains(point))
                return part;
        }
    }
    if (avatar.contains(point))
        return Part::Avatar;
    if (pictureAt(point) >= 0)
        return Part::Picture;
    if (text.contains(point))
        return Part::Text;
    if (nameLine.contains(point))
        return Part::Name;
    return Part::None;
}
