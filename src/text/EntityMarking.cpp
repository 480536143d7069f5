#include "text/EntityMarking.h"

#include "text/LinkDetector.h"

#include <algorithm>

namespace {

// Whether `u` may follow the sign of a hashtag (`hyphen`) or a mention. The
// patterns are matched ignoring case, and two letters outside ASCII fold to
// ASCII ones: the long s and the Kelvin sign.
bool isEntityCharacter(char16_t u, bool hyphen)
{
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')
        || u == u'_' || (hyphen && u == u'-') || u == 0x017F || u == 0x212A;
}

// The matches of "sign, then one or more entity characters", each as long
// as it goes, left to right, that start before `limit`. One pass, whatever
// the text holds: a long text packed with marks costs no more per character
// than plain prose.
QList<EntityMarking::Range> findAll(QStringView text, char16_t sign, bool hyphen, qsizetype limit)
{
    QList<EntityMarking::Range> ranges;
    const qsizetype n = text.size();
    const char16_t *units = text.utf16();
    qsizetype i = 0;
    while (i < std::min(n, limit)) {
        if (units[i] != sign) {
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < n && isEntityCharacter(units[end], hyphen))
            ++end;
        if (end > i + 1) {
            ranges.append({ int(i), int(end - i) });
            i = end;
        } else {
            ++i;
        }
    }
    return ranges;
}

// Adds a mark for each range that touches none of the links, cut at
// `limit`. The links and the ranges both run left to right, so one pass over
// each will do, however many a long text holds.
void addMarksOutsideLinks(StyledText &styled, QStringView source,
    const QList<EntityMarking::Range> &ranges, const QList<LinkMatch> &links, EntityKind kind,
    qsizetype limit)
{
    const QColor color = EntityMarking::colorFor(kind);
    qsizetype link = 0;
    for (const auto &range : ranges) {
        while (link < links.size() && links[link].start + links[link].length <= range.start)
            ++link;
        if (link < links.size() && links[link].start < range.start + range.length)
            continue;
        if (range.start + range.length <= limit) {
            styled.addCharactersSpan(range.start, range.length, kind, color);
        } else {
            // Cut by the limit: the value is still the whole hashtag or mention.
            styled.addSpan({ range.start, int(limit) - range.start, kind,
                source.sliced(range.start, range.length).toString(), color, true });
        }
    }
}

} // namespace

namespace EntityMarking {

QColor linkColor()
{
    return QColor::fromRgbF(0.169f, 0.335f, 0.496f);
}
QColor hashtagColor()
{
    return QColor::fromRgbF(0.367f, 0.502f, 0.407f);
}
QColor mentionColor()
{
    return QColor::fromRgbF(0.398f, 0.147f, 0.274f);
}

QColor colorFor(EntityKind kind)
{
    switch (kind) {
    case EntityKind::Link:
        return linkColor();
    case EntityKind::Hash:
        return hashtagColor();
    case EntityKind::User:
        return mentionColor();
    }
    return {};
}

QList<Range> hashtagRanges(const QString &text)
{
    return findAll(text, u'#', true, text.size());
}

QList<Range> mentionRanges(const QString &text)
{
    return findAll(text, u'@', false, text.size());
}

QList<StyledText::Span> entitySpans(const QString &text)
{
    StyledText marked(text);
    markEntities(marked);
    return marked.spans();
}

void markEntities(StyledText &text)
{
    markEntities(text, text.text(), text.length());
}

void markEntities(StyledText &styled, QStringView source, qsizetype limit)
{
    limit = std::clamp<qsizetype>(limit, 0, source.size());
    if (limit == 0)
        return;
    const QList<Range> hashtags = findAll(source, u'#', true, limit);
    const QList<Range> mentions = findAll(source, u'@', false, limit);
    // A link that starts after the limit still hides a hashtag or mention
    // that starts before it and reaches into the link.
    qsizetype linksBefore = limit;
    for (const QList<Range> *ranges : { &hashtags, &mentions }) {
        if (!ranges->isEmpty())
            linksBefore
                = std::max(linksBefore, qsizetype(ranges->last().start + ranges->last().length));
    }
    const QList<LinkMatch> links = LinkDetector::detect(source, linksBefore);
    const auto linksShown = std::find_if(
        links.begin(), links.end(), [limit](const LinkMatch &link) { return link.start >= limit; });
    styled.reserveSpans((linksShown - links.begin()) + hashtags.size() + mentions.size());
    const QColor color = linkColor();
    for (auto link = links.begin(); link != linksShown; ++link) {
        const int end = int(std::min<qsizetype>(link->start + link->length, limit));
        if (end < link->start + link->length) {
            // Cut at the limit, the link keeps its whole value.
            styled.addSpan({ link->start, end - link->start, EntityKind::Link, link->url(source),
                color, true });
            continue;
        }
        const auto prefix = link->prefix == LinkMatch::Prefix::Http ? StyledText::ValuePrefix::Http
            : link->prefix == LinkMatch::Prefix::Mailto ? StyledText::ValuePrefix::Mailto
                                                        : StyledText::ValuePrefix::None;
        styled.addCharactersSpan(link->start, link->length, EntityKind::Link, color, prefix);
    }
    addMarksOutsideLinks(styled, source, hashtags, links, EntityKind::Hash, limit);
    addMarksOutsideLinks(styled, source, mentions, links, EntityKind::User, limit);
}

} // namespace EntityMarking
