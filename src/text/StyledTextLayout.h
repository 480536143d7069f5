#pragma once

#include "text/StyledText.h"

#include <QFont>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QTextLayout>

#include <limits>
#include <memory>

class QPainter;

// Styled text laid out in a box of a given width (and, optionally, height),
// for measuring, painting and hit testing. The list delegate keeps one per row
// and width; the post text views keep one for their current width. Lines wrap
// at word boundaries, inside a word only when it is longer than the line; no
// hyphenation. Line breaks in the text ("\n", "\r\n", "\r", U+2029) break
// lines; character positions stay those of the text.
class StyledTextLayout {
public:
    // Space kept free on the left and right of every line.
    static constexpr qreal lineFragmentPadding = 5.0;
    static constexpr qreal unboundedHeight = std::numeric_limits<float>::max();

    StyledTextLayout();
    StyledTextLayout(const StyledText &text, qreal width, qreal height = unboundedHeight);
    StyledTextLayout(StyledTextLayout &&) noexcept;
    StyledTextLayout &operator=(StyledTextLayout &&) noexcept;
    ~StyledTextLayout();

    const StyledText &styledText() const { return m_text; }
    qreal width() const { return m_width; }

    // The size the laid-out lines use, padding included; 0 x 0 for an empty
    // text. Lines that do not fit the height are left out.
    QSizeF usedSize() const { return m_usedSize; }
    int lineCount() const { return m_lineCount; }

    // The character under `point` (coordinates of the box, top left 0,0), or
    // -1 when the point is beside, above or below the text of every line.
    int characterIndexAt(QPointF point) const;
    // The character a drag to `point` reaches: on the line at that height,
    // the one nearest in x; above the text the first, below it the last
    // character. -1 only when nothing is laid out.
    int nearestCharacterIndexAt(QPointF point) const;
    // The attributes of that character (none when there is no character).
    TextAttributes attributesAt(QPointF point) const;

    // Paints the shadow, then the text, with the box's top left at `topLeft`.
    // `selections` are drawn as QTextLayout draws them. `recolours` (ranges
    // with a foreground only, such as readableFormatsOn gives) take the place
    // of the text's own colours where they lie. The shadow is left out when
    // `withShadow` is false (a light shadow blurs light text on a dark row).
    void draw(QPainter *painter, QPointF topLeft,
        const QList<QTextLayout::FormatRange> &selections = {},
        const QList<QTextLayout::FormatRange> &recolours = {}, bool withShadow = true) const;
    // The text's colours that are not readable on `background`, moved until
    // they are, as ranges to draw over the text's own. An unreadable grey
    // becomes `textColor` when that is given and readable (the palette's
    // text colour under a dark palette).
    QList<QTextLayout::FormatRange> readableFormatsOn(
        const QColor &background, const QColor &textColor = {}) const;

    static QFont fontFor(const std::optional<BaseTextStyle> &style);

private:
    // The text drawn glyph run by glyph run, each in its colour, as
    // QTextLayout cannot draw several colour-only ranges over one line.
    void drawRecoloured(QPainter *painter, QPointF topLeft,
        const QList<QTextLayout::FormatRange> &selections,
        const QList<QTextLayout::FormatRange> &recolours) const;

    StyledText m_text;
    qreal m_width = 0;
    QSizeF m_usedSize { 0, 0 };
    int m_lineCount = 0;
    std::unique_ptr<QTextLayout> m_layout;
};

// The size of `text` laid out in a box of `width` x `height`.
QSizeF sizeForWidth(const StyledText &text, qreal width, qreal height);
// The height `text` needs at `width` with no height limit; 0 for empty text.
qreal heightForWidth(const StyledText &text, qreal width);

// For callers that draw rows themselves (the timeline delegate): what is under
// `point` when `text` is laid out at `width`. Lays the text out afresh; keep a
// StyledTextLayout where that is too slow.
int characterIndexAt(const StyledText &text, qreal width, QPointF point);
TextAttributes entityAt(const StyledText &text, qreal width, QPointF point);
