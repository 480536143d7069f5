#include "text/StyledText.h"

#include <QVariantList>

#include <algorithm>
#include <utility>
#include <vector>

QString entityKindName(EntityKind kind)
{
    switch (kind) {
    case EntityKind::Link:
        return QStringLiteral("Link");
    case EntityKind::Hash:
        return QStringLiteral("Hash");
    case EntityKind::User:
        return QStringLiteral("User");
    }
    return {};
}

std::optional<EntityKind> entityKindFromName(const QString &name)
{
    for (EntityKind kind : { EntityKind::Link, EntityKind::Hash, EntityKind::User }) {
        if (entityKindName(kind) == name)
            return kind;
    }
    return std::nullopt;
}

StyledText::StyledText(QString text, std::optional<BaseTextStyle> base)
    : m_text(std::move(text))
    , m_base(std::move(base))
{
}

void StyledText::addSpan(Span span)
{
    const int start = std::clamp(span.start, 0, length());
    const qint64 wantedEnd = qint64(span.start) + qint64(span.length);
    const int end = int(std::clamp<qint64>(wantedEnd, start, length()));
    if (end <= start)
        return;
    span.start = start;
    span.length = end - start;
    m_spans.append(std::move(span));
}

void StyledText::addSpans(QList<Span> spans)
{
    if (!m_spans.isEmpty()) {
        reserveSpans(spans.size());
        for (Span &span : spans)
            addSpan(std::move(span));
        return;
    }
    m_spans = std::move(spans);
    const auto fits = [this](const Span &span) {
        return span.start >= 0 && span.length > 0 && span.start <= length() - span.length;
    };
    if (std::all_of(m_spans.cbegin(), m_spans.cend(), fits))
        return;
    QList<Span> all = std::exchange(m_spans, {});
    for (Span &span : all)
        addSpan(std::move(span));
}

namespace {

void applySpan(TextAttributes &attributes, const StyledText::Span &span)
{
    switch (span.kind) {
    case EntityKind::Link:
        attributes.link = span.value;
        break;
    case EntityKind::Hash:
        attributes.hash = span.value;
        break;
    case EntityKind::User:
        attributes.user = span.value;
        break;
    }
    attributes.color = span.color;
    attributes.pointingHand = span.pointingHand;
}

} // namespace

TextAttributes StyledText::attributesAt(int index) const
{
    TextAttributes attributes;
    if (index < 0 || index >= length())
        return attributes;
    for (const Span &span : m_spans) {
        if (index >= span.start && index < span.end())
            applySpan(attributes, span);
    }
    return attributes;
}

QList<StyledText::Run> StyledText::runs() const
{
    QList<Run> result;
    if (m_text.isEmpty())
        return result;
    // One sweep over the span edges in text order, keeping the spans that
    // cover the current position (by the order they were added, which decides
    // colour and cursor). Looking every cut up in all spans instead is
    // quadratic, and a long text full of marks would freeze the window.
    struct Edge {
        int position;
        int span;
        bool opens;
    };
    if (m_spans.isEmpty())
        return { Run { 0, length(), {} } };
    // The edges in text order by counting them per position: linear in the
    // text and the spans. Every span holds at least one character, so no
    // span opens and closes at one position and the order among edges at one
    // position does not matter.
    std::vector<int> before(std::size_t(length()) + 2, 0);
    for (const Span &span : m_spans) {
        ++before[std::size_t(span.start) + 1];
        ++before[std::size_t(span.end()) + 1];
    }
    for (std::size_t p = 1; p < before.size(); ++p)
        before[p] += before[p - 1];
    std::vector<Edge> edges(std::size_t(2 * m_spans.size()));
    for (int i = 0; i < int(m_spans.size()); ++i) {
        const Span &span = m_spans[i];
        edges[std::size_t(before[std::size_t(span.start)]++)] = { span.start, i, true };
        edges[std::size_t(before[std::size_t(span.end())]++)] = { span.end(), i, false };
    }

    // The spans over the current position, in the order they were added; a
    // few at most, so a sorted vector beats a tree.
    std::vector<int> covering;
    // Every run starts at an edge or at 0.
    result.reserve(qsizetype(edges.size()) + 1);
    std::size_t next = 0;
    int at = 0;
    while (at < length()) {
        while (next < edges.size() && edges[next].position <= at) {
            const int span = edges[next].span;
            const auto place = std::lower_bound(covering.begin(), covering.end(), span);
            if (edges[next].opens)
                covering.insert(place, span);
            else if (place != covering.end() && *place == span)
                covering.erase(place);
            ++next;
        }
        const int until = next < edges.size() ? std::min(edges[next].position, length()) : length();
        TextAttributes attributes;
        for (int span : covering)
            applySpan(attributes, m_spans[span]);
        // Neighbours with equal attributes (two spans meeting with the same
        // values) read as one run.
        if (!result.isEmpty() && result.last().attributes == attributes)
            result.last().length += until - at;
        else
            result.append(Run { at, until - at, std::move(attributes) });
        at = until;
    }
    return result;
}

namespace {

QVariantMap colorToVariant(const QColor &color)
{
    if (!color.isValid())
        return {};
    return { { QStringLiteral("red"), color.redF() }, { QStringLiteral("green"), color.greenF() },
        { QStringLiteral("blue"), color.blueF() }, { QStringLiteral("alpha"), color.alphaF() } };
}

QColor colorFromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    if (map.isEmpty())
        return {};
    auto part = [&map](const char *name, double fallback) {
        const QVariant v = map.value(QString::fromLatin1(name));
        bool ok = false;
        const double d = v.toDouble(&ok);
        return ok ? std::clamp(d, 0.0, 1.0) : fallback;
    };
    return QColor::fromRgbF(float(part("red", 0)), float(part("green", 0)), float(part("blue", 0)),
        float(part("alpha", 1)));
}

} // namespace

QVariantMap StyledText::toVariantMap() const
{
    QVariantList spans;
    spans.reserve(m_spans.size());
    for (const Span &span : m_spans) {
        spans.append(QVariantMap { { QStringLiteral("start"), span.start },
            { QStringLiteral("length"), span.length },
            { QStringLiteral("kind"), entityKindName(span.kind) },
            { QStringLiteral("value"), span.value },
            { QStringLiteral("color"), colorToVariant(span.color) },
            { QStringLiteral("pointingHand"), span.pointingHand } });
    }
    QVariantMap map { { QStringLiteral("text"), m_text }, { QStringLiteral("spans"), spans } };
    if (m_base) {
        map.insert(QStringLiteral("base"),
            QVariantMap { { QStringLiteral("fontFamilies"), m_base->fontFamilies },
                { QStringLiteral("fontSize"), m_base->fontSize },
                { QStringLiteral("color"), colorToVariant(m_base->color) },
                { QStringLiteral("shadowColor"), colorToVariant(m_base->shadowColor) },
                { QStringLiteral("shadowOffsetX"), m_base->shadowOffset.x() },
                { QStringLiteral("shadowOffsetY"), m_base->shadowOffset.y() },
                { QStringLiteral("shadowBlur"), m_base->shadowBlur } });
    }
    return map;
}

StyledText StyledText::fromVariantMap(const QVariantMap &map)
{
    std::optional<BaseTextStyle> base;
    const QVariant baseValue = map.value(QStringLiteral("base"));
    if (baseValue.isValid()) {
        const QVariantMap b = baseValue.toMap();
        BaseTextStyle style;
        style.fontFamilies = b.value(QStringLiteral("fontFamilies")).toStringList();
        bool ok = false;
        const qreal size = b.value(QStringLiteral("fontSize")).toDouble(&ok);
        style.fontSize = ok && size > 0 && size < 1000 ? size : 13;
        style.color = colorFromVariant(b.value(QStringLiteral("color")));
        style.shadowColor = colorFromVariant(b.value(QStringLiteral("shadowColor")));
        style.shadowOffset = QPointF(b.value(QStringLiteral("shadowOffsetX")).toDouble(),
            b.value(QStringLiteral("shadowOffsetY")).toDouble());
        style.shadowBlur = b.value(QStringLiteral("shadowBlur")).toDouble();
        base = style;
    }
    StyledText result(map.value(QStringLiteral("text")).toString(), base);
    const QVariantList spans = map.value(QStringLiteral("spans")).toList();
    for (const QVariant &item : spans) {
        const QVariantMap s = item.toMap();
        const auto kind = entityKindFromName(s.value(QStringLiteral("kind")).toString());
        bool startOk = false;
        bool lengthOk = false;
        const qint64 start = s.value(QStringLiteral("start")).toLongLong(&startOk);
        const qint64 length = s.value(QStringLiteral("length")).toLongLong(&lengthOk);
        if (!kind || !startOk || !lengthOk || start < 0 || length <= 0
            || start + length > result.length())
            continue;
        Span span;
        span.start = int(start);
        span.length = int(length);
        span.kind = *kind;
        span.value = s.value(QStringLiteral("value")).toString();
        span.color = colorFromVariant(s.value(QStringLiteral("color")));
        span.pointingHand = s.value(QStringLiteral("pointingHand"), true).toBool();
        result.addSpan(std::move(span));
    }
    return result;
}
