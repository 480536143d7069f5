#pragma once

#include "text/StyledText.h"

#include <QColor>
#include <QList>
#include <QString>

// Finds links, hashtags and mentions in a text and marks them. Nothing is
// removed or normalised. Marks never overlap: a hashtag or mention that
// touches a link ("#top" in "example.net/gallery#top", "@example" in an
// e-mail address) is part of the link, so one click does one thing.
namespace EntityMarking {

// Matched ignoring case, as a regular expression would (so the long s and the
// Kelvin sign count as "s" and "k"). A match needs no word boundary in front
// ("abc#def" holds "#def"); any other character ends it ("#café" is "#caf").
inline constexpr char16_t hashtagPattern[] = u"(#[a-zA-Z0-9_-]+)";
inline constexpr char16_t mentionPattern[] = u"(@[a-zA-Z0-9_]+)";

QColor linkColor();
QColor hashtagColor();
QColor mentionColor();
QColor colorFor(EntityKind kind);

struct Range {
    int start = 0;
    int length = 0;
    friend bool operator==(const Range &, const Range &) = default;
};

// Matches of the two patterns, left to right, in UTF-16 units.
QList<Range> hashtagRanges(const QString &text);
QList<Range> mentionRanges(const QString &text);

// The marks for a text in the order they are added: links (LinkDetector),
// then the hashtags and then the mentions outside every link; each with its
// value, colour and the pointing-hand cursor.
QList<StyledText::Span> entitySpans(const QString &text);

// Adds the marks of its own text to `text`.
void markEntities(StyledText &text);
// Adds to `styled` the marks of entitySpans(source) that start before
// `limit`, each cut at `limit`; the text after them is not read, so the
// beginning of a long text is marked in the time its beginning takes. The
// text of `styled` begins with those `limit` characters of `source`.
void markEntities(StyledText &styled, QStringView source, qsizetype limit);

} // namespace EntityMarking
