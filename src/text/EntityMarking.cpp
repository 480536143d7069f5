#include "text/EntityMarking.h"

#include "text/LinkDetector.h"

#include <QDebug>

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <memory>

namespace {

// Compiled once; RegexPattern is immutable and may be shared between threads,
// each thread keeps its own matcher.
const icu::RegexPattern *compiledPattern(const char16_t *source)
{
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError {};
    icu::RegexPattern *pattern = icu::RegexPattern::compile(
        icu::UnicodeString(source), UREGEX_CASE_INSENSITIVE, parseError, status);
    if (U_FAILURE(status)) {
        qWarning() << "Entity pattern does not compile:" << u_errorName(status);
        delete pattern;
        return nullptr;
    }
    return pattern;
}

QList<EntityMarking::Range> findAll(const icu::RegexPattern *pattern,
    std::unique_ptr<icu::RegexMatcher> &matcher, const QString &text)
{
    QList<EntityMarking::Range> ranges;
    if (!pattern || text.isEmpty())
        return ranges;
    UErrorCode status = U_ZERO_ERROR;
    if (!matcher) {
        matcher.reset(pattern->matcher(status));
        if (U_FAILURE(status)) {
            matcher.reset();
            return ranges;
        }
    }
    // Wraps the QString's UTF-16 buffer without copying it.
    const icu::UnicodeString input(
        false, reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
    matcher->reset(input);
    while (matcher->find(status) && U_SUCCESS(status)) {
        const int32_t start = matcher->start(status);
        const int32_t end = matcher->end(status);
        if (U_FAILURE(status))
            break;
        if (end > start)
            ranges.append({ int(start), int(end - start) });
    }
    static const icu::UnicodeString nothing;
    matcher->reset(nothing);
    return ranges;
}

// Adds a span for each range that touches none of the links. The links and
// the ranges both run left to right, so one pass over each will do, however
// many a long text holds.
void appendSpansOutsideLinks(QList<StyledText::Span> &spans, const QString &text,
    const QList<EntityMarking::Range> &ranges, const QList<LinkMatch> &links, EntityKind kind)
{
    qsizetype link = 0;
    for (const auto &range : ranges) {
        while (link < links.size() && links[link].start + links[link].length <= range.start)
            ++link;
        if (link < links.size() && links[link].start < range.start + range.length)
            continue;
        const QString value = text.mid(range.start, range.length);
        if (value.isEmpty())
            continue;
        spans.append(
            { range.start, range.length, kind, value, EntityMarking::colorFor(kind), true });
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
    static const icu::RegexPattern *pattern = compiledPattern(hashtagPattern);
    thread_local std::unique_ptr<icu::RegexMatcher> matcher;
    return findAll(pattern, matcher, text);
}

QList<Range> mentionRanges(const QString &text)
{
    static const icu::RegexPattern *pattern = compiledPattern(mentionPattern);
    thread_local std::unique_ptr<icu::RegexMatcher> matcher;
    return findAll(pattern, matcher, text);
}

QList<StyledText::Span> entitySpans(const QString &text)
{
    QList<StyledText::Span> spans;
    if (text.isEmpty())
        return spans;
    const QList<LinkMatch> links = LinkDetector::detect(text);
    for (const LinkMatch &link : links)
        spans.append({ link.start, link.length, EntityKind::Link, link.url, linkColor(), true });
    appendSpansOutsideLinks(spans, text, hashtagRanges(text), links, EntityKind::Hash);
    appendSpansOutsideLinks(spans, text, mentionRanges(text), links, EntityKind::User);
    return spans;
}

void markEntities(StyledText &text)
{
    const QList<StyledText::Span> spans = entitySpans(text.text());
    for (const StyledText::Span &span : spans)
        text.addSpan(span);
}

} // namespace EntityMarking
