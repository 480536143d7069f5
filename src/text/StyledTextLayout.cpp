#include "text/StyledTextLayout.h"

#include "text/ReadableColors.h"

#include <QGlyphRun>
#include <QPainter>
#include <QTextCharFormat>
#include <QTextLine>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace {

constexpr char16_t lineSeparator = 0x2028;
constexpr char16_t zeroWidthSpace = 0x200B;

// The text as QTextLayout breaks it, one character for one: it breaks lines
// only at U+2028, and "\r\n" must stay two characters.
QString layoutTextFor(const QString &text)
{
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const char16_t c = result.at(i).unicode();
        if (c == u'\n' || c == 0x2029)
            result[i] = QChar(lineSeparator);
        else if (c == u'\r')
            result[i] = QChar(i + 1 < result.size() && result.at(i + 1) == u'\n' ? zeroWidthSpace
                                                                                 : lineSeparator);
    }
    return result;
}

QList<QTextLayout::FormatRange> formatsFor(const StyledText &text)
{
    QList<QTextLayout::FormatRange> formats;
    const QColor base = text.baseStyle() ? text.baseStyle()->color : QColor();
    for (const StyledText::Run &run : text.runs()) {
        const QColor color = run.attributes.color.isValid() ? run.attributes.color : base;
        if (!color.isValid())
            continue;
        QTextLayout::FormatRange range;
        range.start = run.start;
        range.length = run.length;
        range.format.setForeground(color);
        formats.append(range);
    }
    return formats;
}

qreal sanitized(qreal value)
{
    if (std::isnan(value) || value < 0)
        return 0;
    return value;
}

} // namespace

StyledTextLayout::StyledTextLayout() = default;
StyledTextLayout::StyledTextLayout(StyledTextLayout &&) noexcept = default;
StyledTextLayout &StyledTextLayout::operator=(StyledTextLayout &&) noexcept = default;
StyledTextLayout::~StyledTextLayout() = default;

QFont StyledTextLayout::fontFor(const std::optional<BaseTextStyle> &style)
{
    QFont font;
    if (!style)
        return font;
    if (!style->fontFamilies.isEmpty())
        font.setFamilies(style->fontFamilies);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, int(std::lround(style->fontSize))));
    return font;
}

StyledTextLayout::StyledTextLayout(const StyledText &text, qreal width, qreal height)
    : m_text(text)
    , m_width(sanitized(width))
{
    if (text.isEmpty())
        return;
    const qreal maxHeight = sanitized(height);
    m_layout = std::make_unique<QTextLayout>(layoutTextFor(text.text()), fontFor(text.baseStyle()));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setUseDesignMetrics(false);
    m_layout->setTextOption(option);
    m_layout->setFormats(formatsFor(text));
    m_layout->setCacheEnabled(true);

    const qreal lineWidth = std::max<qreal>(0, m_width - 2 * lineFragmentPadding);
    qreal y = 0;
    qreal usedWidth = 0;
    m_layout->beginLayout();
    for (;;) {
        QTextLine line = m_layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        line.setLineWidth(lineWidth);
        if (y + line.height() > maxHeight) {
            // Does not fit: laid out below the box, never counted or drawn.
            line.setPosition(QPointF(lineFragmentPadding, maxHeight + 1));
            continue;
        }
        line.setPosition(QPointF(lineFragmentPadding, y));
        y += line.height();
        usedWidth = std::max(usedWidth, line.naturalTextWidth());
        ++m_lineCount;
    }
    m_layout->endLayout();
    if (m_lineCount > 0)
        m_usedSize = QSizeF(std::min(m_width, usedWidth + 2 * lineFragmentPadding), y);
}

int StyledTextLayout::characterIndexAt(QPointF point) const
{
    if (!m_layout || std::isnan(point.x()) || std::isnan(point.y()))
        return -1;
    for (int i = 0; i < m_lineCount; ++i) {
        const QTextLine line = m_layout->lineAt(i);
        if (point.y() < line.y() || point.y() >= line.y() + line.height())
            continue;
        const QRectF text = line.naturalTextRect();
        if (line.textLength() == 0 || point.x() < text.left() || point.x() >= text.right())
            return -1;
        int index = line.xToCursor(point.x(), QTextLine::CursorOnCharacter);
        const int lineEnd = line.textStart() + line.textLength();
        index = std::clamp(index, line.textStart(), lineEnd - 1);
        return index;
    }
    return -1;
}

int StyledTextLayout::nearestCharacterIndexAt(QPointF point) const
{
    if (!m_layout || m_lineCount == 0 || std::isnan(point.x()) || std::isnan(point.y()))
        return -1;
    const QTextLine first = m_layout->lineAt(0);
    if (point.y() < first.y())
        return first.textStart();
    for (int i = 0; i < m_lineCount; ++i) {
        const QTextLine line = m_layout->lineAt(i);
        if (point.y() >= line.y() + line.height() && i + 1 < m_lineCount)
            continue;
        if (point.y() >= line.y() + line.height()) // below the last shown line
            return std::max(line.textStart(), line.textStart() + line.textLength() - 1);
        if (line.textLength() == 0)
            return line.textStart();
        const int index = line.xToCursor(point.x(), QTextLine::CursorOnCharacter);
        return std::clamp(index, line.textStart(), line.textStart() + line.textLength() - 1);
    }
    return -1;
}

TextAttributes StyledTextLayout::attributesAt(QPointF point) const
{
    return m_text.attributesAt(characterIndexAt(point));
}

void StyledTextLayout::draw(QPainter *painter, QPointF topLeft,
    const QList<QTextLayout::FormatRange> &selections,
    const QList<QTextLayout::FormatRange> &recolours, bool withShadow) const
{
    if (!m_layout || m_lineCount == 0 || !painter)
        return;
    const auto &base = m_text.baseStyle();
    if (withShadow && base && base->shadowColor.isValid() && base->shadowColor.alpha() > 0) {
        painter->save();
        painter->setPen(base->shadowColor);
        for (int i = 0; i < m_lineCount; ++i) {
            const QList<QGlyphRun> runs = m_layout->lineAt(i).glyphRuns();
            for (const QGlyphRun &run : runs)
                painter->drawGlyphRun(topLeft + base->shadowOffset, run);
        }
        painter->restore();
    }
    if (!recolours.isEmpty()) {
        drawRecoloured(painter, topLeft, selections, recolours);
        return;
    }
    if (m_lineCount == m_layout->lineCount()) {
        m_layout->draw(painter, topLeft, selections);
        return;
    }
    // Lines that did not fit the height stay invisible.
    painter->save();
    painter->setClipRect(
        QRectF(topLeft, QSizeF(std::max(m_width, m_usedSize.width()), m_usedSize.height())),
        Qt::IntersectClip);
    m_layout->draw(painter, topLeft, selections);
    painter->restore();
}

void StyledTextLayout::drawRecoloured(QPainter *painter, QPointF topLeft,
    const QList<QTextLayout::FormatRange> &selections,
    const QList<QTextLayout::FormatRange> &recolours) const
{
    // Each character's colour: its own, then a recolour, then a selection's.
    const qsizetype length = m_layout->text().size();
    QList<QColor> colours(length, painter->pen().color());
    const auto colourIn = [&colours, length](const QList<QTextLayout::FormatRange> &ranges) {
        for (const QTextLayout::FormatRange &range : ranges) {
            if (!range.format.hasProperty(QTextFormat::ForegroundBrush))
                continue;
            const QColor colour = range.format.foreground().color();
            const qsizetype end
                = std::min<qsizetype>(length, qsizetype(range.start) + range.length);
            for (qsizetype i = std::max(0, range.start); i < end; ++i)
                colours[i] = colour;
        }
    };
    colourIn(m_layout->formats());
    colourIn(recolours);
    colourIn(selections);

    painter->save();
    for (int i = 0; i < m_lineCount; ++i) {
        const QTextLine line = m_layout->lineAt(i);
        const int lineStart = line.textStart();
        const int lineEnd = lineStart + line.textLength();
        for (const QTextLayout::FormatRange &selection : selections) {
            if (!selection.format.hasProperty(QTextFormat::BackgroundBrush))
                continue;
            const int from = std::max(selection.start, lineStart);
            const int to = std::min(selection.start + selection.length, lineEnd);
            if (from >= to)
                continue;
            // Run by run: a line of mixed directions shows a selected range
            // in pieces, not between the ends' two cursor places.
            for (const QGlyphRun &run : line.glyphRuns(from, to - from)) {
                const QRectF glyphs = run.boundingRect();
                painter->fillRect(QRectF(topLeft.x() + glyphs.left(), topLeft.y() + line.y(),
                                      glyphs.width(), line.height()),
                    selection.format.background());
            }
        }
        for (int from = lineStart; from < lineEnd;) {
            int to = from + 1;
            while (to < lineEnd && colours.at(to) == colours.at(from))
                ++to;
            painter->setPen(colours.at(from));
            const QList<QGlyphRun> runs = line.glyphRuns(from, to - from);
            for (const QGlyphRun &run : runs)
                painter->drawGlyphRun(topLeft, run);
            from = to;
        }
    }
    painter->restore();
}

QSizeF sizeForWidth(const StyledText &text, qreal width, qreal height)
{
    if (text.isEmpty())
        return QSizeF(0, 0);
    return StyledTextLayout(text, width, height).usedSize();
}

qreal heightForWidth(const StyledText &text, qreal width)
{
    return sizeForWidth(text, width, StyledTextLayout::unboundedHeight).height();
}

int characterIndexAt(const StyledText &text, qreal width, QPointF point)
{
    return StyledTextLayout(text, width).characterIndexAt(point);
}

TextAttributes entityAt(const StyledText &text, qreal width, QPointF point)
{
    return StyledTextLayout(text, width).attributesAt(point);
}

QList<QTextLayout::FormatRange> StyledTextLayout::readableFormatsOn(
    const QColor &background, const QColor &textColor) const
{
    QList<QTextLayout::FormatRange> moved;
    if (!m_layout)
        return moved;
    const QList<QTextLayout::FormatRange> own = m_layout->formats();
    for (const QTextLayout::FormatRange &range : own) {
        const QColor color = range.format.foreground().color();
        QColor readable = ReadableColors::readableOn(color, background);
        if (readable == color)
            continue;
        const bool grey = color.toHsl().hslSaturationF() < 0.05f;
        if (grey && textColor.isValid()
            && ReadableColors::contrastRatio(textColor, background)
                >= ReadableColors::minimumTextContrast)
            readable = textColor;
        QTextLayout::FormatRange over;
        over.start = range.start;
        over.length = range.length;
        over.format.setForeground(readable);
        moved.append(over);
    }
    return moved;
}
