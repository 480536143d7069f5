#pragma once

#include "text/StyledText.h"

#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>

// Where everything of one timeline row goes, and how tall a row is. Plain
// geometry: the delegate paints, sizes and hit-tests from the same struct, so
// a click always lands on what was drawn there.
//
//   +--------+------------------------------------------+
//   | avatar | name / @name                       date  |
//   |        | styled text, as many lines as it needs  |
//   |        | [picture] [picture] ...  (when it links any) |
//   |        | [reply] [quote] [conversation]    [...]  |
//   +--------+------------------------------------------+
namespace TimelineRowMetrics {

// The avatar column and the margins around the text.
inline constexpr qreal textInset = 73;
// The name line above the text and the button strip below it.
inline constexpr qreal chromeHeight = 59;
inline constexpr qreal minimumRowHeight = 60;
// Text is never laid out narrower than this: a list squeezed further clips
// the text instead of breaking it one character per line.
inline constexpr qreal minimumTextWidth = 64;

inline constexpr qreal avatarLeft = 8;
inline constexpr qreal avatarTop = 4;
inline constexpr qreal avatarSize = 52; // the image view; the picture sits 2 inside
inline constexpr qreal textLeft = avatarLeft + avatarSize + 5;
inline constexpr qreal nameTop = 5;
inline constexpr qreal nameHeight = 18;
inline constexpr qreal textTop = 25;
inline constexpr qreal buttonSize = 22;
inline constexpr qreal buttonGap = 6;
inline constexpr qreal buttonBottomMargin = 6;
inline constexpr qreal dateWidth = 120;
// The pictures' strip under the text: up to four tiles of a fixed 4:3 size,
// narrower only where the list is too narrow for them. The strip's height
// never changes, so a row keeps its height while its pictures arrive.
inline constexpr qreal pictureWidth = 112;
inline constexpr qreal pictureHeight = 84;
inline constexpr qreal pictureGap = 6;
inline constexpr qreal pictureStripHeight = pictureHeight + pictureGap;

// The width the styled text is laid out in for a list `listWidth` wide.
qreal textWidthForListWidth(qreal listWidth);
// The row height for a text that needs `textHeight`: plus the chrome, at
// least the minimum, rounded up to a whole point. Garbage (NaN, negative)
// counts as no text.
int rowHeightForTextHeight(qreal textHeight);
// The row height of `text` in a list `listWidth` wide (measures the text).
int rowHeight(const StyledText &text, qreal listWidth);
// A row's height with its picture strip, when it shows pictures.
int rowHeightWithPictures(int rowHeight, int pictureCount);

} // namespace TimelineRowMetrics

struct TimelineRowLayout {
    enum class Part {
        None,
        Avatar,
        Name, // the name line, the date included
        Text,
        Reply,
        Quote,
        Conversation,
        Action,
        Picture,
    };

    QRectF row;
    QRectF avatar; // the image view's frame
    QRectF nameLine;
    QRectF date;
    QRectF text; // the box the styled text is laid out in
    QRectF reply;
    QRectF quote;
    QRectF conversation;
    QRectF action;
    QList<QRectF> pictures; // the thumbnails' tiles, in the order of the links

    // The selected row shows its full name and the buttons; every other row
    // (and the selected one after a reset) shows the @-name and the date.
    bool showsControls = false;
    // Reply and quote are off on one's own post.
    bool replyAndQuoteEnabled = true;

    // `row` is the row's rectangle in the list; `listWidth` the width the
    // heights were measured for (the text width follows from it).
    static TimelineRowLayout compute(const QRectF &row, qreal listWidth, bool showsControls,
        bool replyAndQuoteEnabled, int pictureCount = 0);

    // What lies under `point` (list coordinates). Hidden buttons are not
    // there; disabled ones are (isEnabled tells).
    Part partAt(QPointF point) const;
    bool isButton(Part part) const;
    bool isEnabled(Part part) const;
    QRectF rectOf(Part part) const;
    // The picture whose tile holds `point`, or -1.
    int pictureAt(QPointF point) const;
    // `point` in the text box's coordinates.
    QPointF toTextPoint(QPointF point) const { return point - text.topLeft(); }
};
