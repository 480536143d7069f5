#include "views/TimelineTextCache.h"

#include "views/TimelineRowLayout.h"

#include <cmath>

namespace {

// Heights and layouts are kept per whole point of width; a list is never a
// fraction wider.
int widthKey(qreal listWidth)
{
    return int(std::floor(TimelineRowMetrics::textWidthForListWidth(listWidth)));
}

} // namespace

QHash<QString, TimelineTextCache::Height> &TimelineTextCache::heightsAt(int width)
{
    for (qsizetype i = 0; i < m_heights.size(); ++i) {
        if (m_heights[i].first == width) {
            if (i != 0)
                m_heights.move(i, 0);
            return m_heights.first().second;
        }
    }
    if (m_heights.size() >= widthsKept)
        m_heights.removeLast();
    m_heights.prepend({ width, {} });
    return m_heights.first().second;
}

int TimelineTextCache::rowHeight(const QString &key, const StyledText &text, qreal listWidth)
{
    const int width = widthKey(listWidth);
    QHash<QString, Height> &heights = heightsAt(width);
    auto found = heights.find(key);
    if (found != heights.end() && found->text == text)
        return found->rowHeight;

    // A layout made for painting already knows the height.
    qreal textHeight = -1;
    for (const Layout &entry : std::as_const(m_layouts)) {
        if (entry.width == width && entry.key == key && entry.layout->styledText() == text) {
            textHeight = entry.layout->usedSize().height();
            break;
        }
    }
    if (textHeight < 0) {
        ++m_measurements;
        textHeight = heightForWidth(text, width);
    }
    const int height = TimelineRowMetrics::rowHeightForTextHeight(textHeight);
    // Posts of earlier pages pile up over a long run; start afresh now and then.
    if (heights.size() >= heightsKeptPerWidth)
        heights.clear();
    heights.insert(key, Height { text, height });
    return height;
}

std::shared_ptr<const StyledTextLayout> TimelineTextCache::layout(
    const QString &key, const StyledText &text, qreal listWidth)
{
    const int width = widthKey(listWidth);
    for (qsizetype i = 0; i < m_layouts.size(); ++i) {
        Layout &entry = m_layouts[i];
        if (entry.width != width || entry.key != key)
            continue;
        if (entry.layout->styledText() == text) {
            if (i != 0)
                m_layouts.move(i, 0);
            return m_layouts.first().layout;
        }
        // The post changed under its id: this layout is of no more use.
        m_layoutCharacters -= entry.layout->styledText().length();
        m_layouts.removeAt(i);
        break;
    }

    ++m_layoutsBuilt;
    auto made = std::make_shared<const StyledTextLayout>(text, width);
    m_layouts.prepend(Layout { key, width, made });
    m_layoutCharacters += text.length();
    // Always keep the one just made, whatever its size.
    while (m_layouts.size() > 1
        && (m_layouts.size() > layoutsKept || m_layoutCharacters > layoutCharactersKept)) {
        m_layoutCharacters -= m_layouts.last().layout->styledText().length();
        m_layouts.removeLast();
    }
    return made;
}

void TimelineTextCache::clear()
{
    m_heights.clear();
    m_layouts.clear();
    m_layoutCharacters = 0;
}
