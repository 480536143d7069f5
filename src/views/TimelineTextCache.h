#pragma once

#include "text/StyledText.h"
#include "text/StyledTextLayout.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

// What the timeline keeps of its rows' text between paints: row heights per
// list width, and laid-out text for the rows being painted and clicked.
//
// Entries are found by the post's id and only used while the styled text is
// still the one they were made from, so a refresh that changes a post, a
// change of font size, or two posts sharing an id never show a stale height.
class TimelineTextCache {
public:
    // Widths whose heights are kept (a window toggled between two sizes
    // measures each once).
    static constexpr int widthsKept = 4;
    static constexpr int heightsKeptPerWidth = 4000;
    // Laid-out texts kept, and the characters they may hold together (long
    // posts take a lot of memory once laid out).
    static constexpr int layoutsKept = 96;
    static constexpr qsizetype layoutCharactersKept = 150'000;

    // The row height of `text` (post `key`) in a list `listWidth` wide.
    int rowHeight(const QString &key, const StyledText &text, qreal listWidth);

    // `text` laid out for a list `listWidth` wide (at its text width).
    std::shared_ptr<const StyledTextLayout> layout(
        const QString &key, const StyledText &text, qreal listWidth);

    void clear();

    // How many times text was measured or laid out, for tests and benchmarks.
    int measurements() const { return m_measurements; }
    int layoutsBuilt() const { return m_layoutsBuilt; }

private:
    struct Height {
        StyledText text;
        int rowHeight = 0;
    };
    struct Layout {
        QString key;
        int width = 0;
        std::shared_ptr<const StyledTextLayout> layout;
    };

    QHash<QString, Height> &heightsAt(int width);

    // Most recently used width first.
    QList<std::pair<int, QHash<QString, Height>>> m_heights;
    // Most recently used first.
    QList<Layout> m_layouts;
    qsizetype m_layoutCharacters = 0;
    int m_measurements = 0;
    int m_layoutsBuilt = 0;
};
