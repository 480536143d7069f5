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

// A value as the characters of a prefix and then of a stretch of text, so
// that values can be compared without being made.
struct StyledText::ValueParts {
    QLatin1StringView prefix;
    QStringView rest;

    qsizetype size() const { return prefix.size() + rest.size(); }
    char16_t at(qsizetype i) const
    {
        return i < prefix.size() ? char16_t(prefix.at(i).unicode())
                                 : rest.at(i - prefix.size()).unicode();
    }
    QString toString() const
    {
        QString result;
        result.reserve(size());
        result.append(prefix);
        result.append(rest);
        return result;
    }
    friend bool operator==(const ValueParts &a, const ValueParts &b)
    {
        if (a.prefix == b.prefix)
            return a.rest == b.rest;
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (a.at(i) != b.at(i))
                return false;
        }
        return true;
    }
};

namespace {

const QLatin1StringView httpPrefix("http://");
const QLatin1StringView mailtoPrefix("mailto:");

bool sameLook(const QColor &a, bool aHand, const QColor &b, bool bHand)
{
    return aHand == bHand && a == b;
}

// Whether two marks of `text` carry equal values without making them: two
// hashtags alike are the same characters in two places of the text.
template <typename Marks, typename Styles, typename Parts>
bool sameValue(const QString &text, const Marks &marks, const Styles &styles, int a, int b,
    const Parts &valueParts)
{
    if (a == b)
        return true;
    const auto &x = marks.constData()[a];
    const auto &y = marks.constData()[b];
    const auto &s = styles.constData()[x.style];
    const auto &t = styles.constData()[y.style];
    using Source = decltype(s.source);
    if (s.source == t.source && s.source != Source::Kept) {
        return x.length == y.length
            && std::equal(text.constData() + x.start, text.constData() + x.start + x.length,
                text.constData() + y.start);
    }
    return valueParts(a) == valueParts(b);
}

// The spans kept as `marks` of the kinds `keep` takes. A value equal to the
// one made before for its kind is shared, so the spans of a text full of one
// hashtag hold one string.
template <typename Marks, typename Styles, typename Keep, typename Value, typename Parts>
QList<StyledText::Span> collectSpans(const QString &text, const Marks &marks, const Styles &styles,
    const Keep &keep, const Value &value, const Parts &valueParts)
{
    QList<StyledText::Span> result;
    int madeFrom[3] = { -1, -1, -1 };
    QString made[3];
    for (int i = 0; i < int(marks.size()); ++i) {
        const auto &mark = marks.constData()[i];
        const auto &style = styles.constData()[mark.style];
        if (!keep(style.kind))
            continue;
        const int kind = int(style.kind);
        if (madeFrom[kind] < 0 || !sameValue(text, marks, styles, madeFrom[kind], i, valueParts))
            made[kind] = value(i);
        madeFrom[kind] = i;
        result.append(
            { mark.start, mark.length, style.kind, made[kind], style.color, style.pointingHand });
    }
    return result;
}

} // namespace

StyledText::ValueParts StyledText::valueParts(qsizetype mark) const
{
    const Mark &m = m_marks[mark];
    const Style &style = m_styles[m.style];
    const QStringView characters = QStringView(m_text).sliced(m.start, m.length);
    switch (style.source) {
    case ValueSource::Characters:
        return { {}, characters };
    case ValueSource::HttpAndCharacters:
        return { httpPrefix, characters };
    case ValueSource::MailtoAndCharacters:
        return { mailtoPrefix, characters };
    case ValueSource::Kept:
        break;
    }
    return { {}, style.keptValue };
}

QString StyledText::value(qsizetype mark) const
{
    const Style &style = styleOf(mark);
    // A kept value is shared, not copied.
    return style.source == ValueSource::Kept ? style.keptValue : valueParts(mark).toString();
}

StyledText::Span StyledText::span(qsizetype index) const
{
    const Mark &mark = m_marks[index];
    const Style &style = m_styles[mark.style];
    return { mark.start, mark.length, style.kind, value(index), style.color, style.pointingHand };
}

QList<StyledText::Span> StyledText::spans() const
{
    return collectSpans(
        m_text, m_marks, m_styles, [](EntityKind) { return true; },
        [this](int mark) { return value(mark); }, [this](int mark) { return valueParts(mark); });
}

QList<StyledText::Span> StyledText::spans(EntityKind kind) const
{
    return collectSpans(
        m_text, m_marks, m_styles, [kind](EntityKind of) { return of == kind; },
        [this](int mark) { return value(mark); }, [this](int mark) { return valueParts(mark); });
}

void StyledText::addMark(int start, int length, const Style &style)
{
    // The styles most recently used are the likeliest again (a marked text
    // has one for each kind); looking further back would make a text whose
    // every span looks different cost the square of its spans.
    constexpr qsizetype looked = 8;
    qsizetype found = -1;
    for (qsizetype i = m_styles.size() - 1; i >= 0 && i >= m_styles.size() - looked; --i) {
        const Style &s = m_styles.constData()[i];
        if (s.kind == style.kind && s.source == style.source
            && sameLook(s.color, s.pointingHand, style.color, style.pointingHand)
            && s.keptValue == style.keptValue) {
            found = i;
            break;
        }
    }
    if (found < 0) {
        found = m_styles.size();
        m_styles.append(style);
    }
    m_marks.append(Mark { start, length, quint32(found) });
}

void StyledText::addSpan(const Span &span)
{
    const int start = std::clamp(span.start, 0, length());
    const qint64 wantedEnd = qint64(span.start) + qint64(span.length);
    const int end = int(std::clamp<qint64>(wantedEnd, start, length()));
    if (end <= start)
        return;
    Style style { span.kind, ValueSource::Kept, span.pointingHand, span.color, {} };
    const QStringView characters = QStringView(m_text).sliced(start, end - start);
    const QStringView value = span.value;
    if (value == characters)
        style.source = ValueSource::Characters;
    else if (value.size() == httpPrefix.size() + characters.size() && value.startsWith(httpPrefix)
        && value.sliced(httpPrefix.size()) == characters)
        style.source = ValueSource::HttpAndCharacters;
    else if (value.size() == mailtoPrefix.size() + characters.size()
        && value.startsWith(mailtoPrefix) && value.sliced(mailtoPrefix.size()) == characters)
        style.source = ValueSource::MailtoAndCharacters;
    else
        style.keptValue = span.value;
    addMark(start, end - start, style);
}

void StyledText::addCharactersSpan(
    int start, int length, EntityKind kind, const QColor &color, ValuePrefix prefix)
{
    const int from = std::clamp(start, 0, this->length());
    const int end = int(std::clamp<qint64>(qint64(start) + qint64(length), from, this->length()));
    const ValueSource source = prefix == ValuePrefix::Http ? ValueSource::HttpAndCharacters
        : prefix == ValuePrefix::Mailto                    ? ValueSource::MailtoAndCharacters
                                                           : ValueSource::Characters;
    if (end > from)
        addMark(from, end - from, Style { kind, source, true, color, {} });
}

// The marks that decide the attributes of a character: for each kind the
// last one added over it (whose value it carries), and the last of all
// (whose colour and cursor it takes); -1 for none.
struct StyledText::Deciding {
    int of[3] = { -1, -1, -1 };
    int last = -1;

    friend bool operator==(const Deciding &, const Deciding &) = default;
};

// The value last made for each kind and the mark it was made from, so that
// a run of the same value as the one before shares its string.
struct StyledText::MadeValues {
    int mark[3] = { -1, -1, -1 };
    QString value[3];
};

StyledText::Deciding StyledText::deciding(const std::vector<int> &covering) const
{
    Deciding result;
    const Mark *marks = m_marks.constData();
    const Style *styles = m_styles.constData();
    for (int mark : covering)
        result.of[int(styles[marks[mark].style].kind)] = mark;
    if (!covering.empty())
        result.last = covering.back();
    return result;
}

bool StyledText::sameAttributes(const Deciding &a, const Deciding &b) const
{
    if (a == b)
        return true;
    for (int kind = 0; kind < 3; ++kind) {
        if ((a.of[kind] < 0) != (b.of[kind] < 0))
            return false;
        if (a.of[kind] >= 0
            && !sameValue(m_text, m_marks, m_styles, a.of[kind], b.of[kind],
                [this](int mark) { return valueParts(mark); }))
            return false;
    }
    if ((a.last < 0) != (b.last < 0))
        return false;
    if (a.last < 0)
        return true;
    const Style &x = styleOf(a.last);
    const Style &y = styleOf(b.last);
    return sameLook(x.color, x.pointingHand, y.color, y.pointingHand);
}

TextAttributes StyledText::attributesFor(const Deciding &deciding, MadeValues &made) const
{
    TextAttributes attributes;
    std::optional<QString> *values[3] = { &attributes.link, &attributes.hash, &attributes.user };
    static_assert(
        int(EntityKind::Link) == 0 && int(EntityKind::Hash) == 1 && int(EntityKind::User) == 2);
    for (int kind = 0; kind < 3; ++kind) {
        const int mark = deciding.of[kind];
        if (mark < 0)
            continue;
        if (made.mark[kind] < 0
            || !sameValue(m_text, m_marks, m_styles, made.mark[kind], mark,
                [this](int mark) { return valueParts(mark); })) {
            made.value[kind] = value(mark);
        }
        made.mark[kind] = mark;
        *values[kind] = made.value[kind];
    }
    if (deciding.last >= 0) {
        attributes.color = styleOf(deciding.last).color;
        attributes.pointingHand = styleOf(deciding.last).pointingHand;
    }
    return attributes;
}

TextAttributes StyledText::attributesAt(int index) const
{
    if (index < 0 || index >= length())
        return {};
    std::vector<int> covering;
    for (int i = 0; i < int(m_marks.size()); ++i) {
        if (index >= m_marks[i].start && index < m_marks[i].start + m_marks[i].length)
            covering.push_back(i);
    }
    MadeValues made;
    return attributesFor(deciding(covering), made);
}

QList<StyledText::Run> StyledText::runs() const
{
    QList<Run> result;
    if (m_text.isEmpty())
        return result;
    if (m_marks.isEmpty())
        return { Run { 0, length(), {} } };
    // One sweep over the mark edges in text order, keeping the marks that
    // cover the current position (by the order they were added, which decides
    // colour and cursor). Looking every cut up in all marks instead is
    // quadratic, and a long text full of marks would freeze the window.
    struct Edge {
        int position;
        int mark;
        bool opens;
    };
    // The edges in text order by counting them per position: linear in the
    // text and the marks. Every mark holds at least one character, so no
    // mark opens and closes at one position and the order among edges at one
    // position does not matter.
    const Mark *marks = m_marks.constData();
    std::vector<int> before(std::size_t(length()) + 2, 0);
    for (const Mark &mark : m_marks) {
        ++before[std::size_t(mark.start) + 1];
        ++before[std::size_t(mark.start + mark.length) + 1];
    }
    for (std::size_t p = 1; p < before.size(); ++p)
        before[p] += before[p - 1];
    std::vector<Edge> edges(std::size_t(2 * m_marks.size()));
    for (int i = 0; i < int(m_marks.size()); ++i) {
        const Mark &mark = marks[i];
        edges[std::size_t(before[std::size_t(mark.start)]++)] = { mark.start, i, true };
        edges[std::size_t(before[std::size_t(mark.start + mark.length)]++)]
            = { mark.start + mark.length, i, false };
    }

    // The marks over the current position, in the order they were added; a
    // few at most, so a sorted vector beats a tree.
    std::vector<int> covering;
    Deciding previous;
    MadeValues made;
    std::size_t next = 0;
    int at = 0;
    while (at < length()) {
        while (next < edges.size() && edges[next].position <= at) {
            const int mark = edges[next].mark;
            const auto place = std::lower_bound(covering.begin(), covering.end(), mark);
            if (edges[next].opens)
                covering.insert(place, mark);
            else if (place != covering.end() && *place == mark)
                covering.erase(place);
            ++next;
        }
        const int until = next < edges.size() ? std::min(edges[next].position, length()) : length();
        const Deciding now = deciding(covering);
        // Neighbours with equal attributes (two marks meeting with the same
        // values) read as one run; they are compared before any is made.
        if (!result.isEmpty() && sameAttributes(previous, now))
            result.last().length += until - at;
        else
            result.append(Run { at, until - at, attributesFor(now, made) });
        previous = now;
        at = until;
    }
    return result;
}

bool operator==(const StyledText &a, const StyledText &b)
{
    if (a.m_text != b.m_text || a.m_base != b.m_base || a.m_marks.size() != b.m_marks.size())
        return false;
    // Copies of one text share their lists (the list's caches compare them often).
    if (a.m_marks.constData() == b.m_marks.constData()
        && a.m_styles.constData() == b.m_styles.constData())
        return true;
    for (qsizetype i = 0; i < a.m_marks.size(); ++i) {
        const StyledText::Mark &x = a.m_marks[i];
        const StyledText::Mark &y = b.m_marks[i];
        const StyledText::Style &s = a.m_styles[x.style];
        const StyledText::Style &t = b.m_styles[y.style];
        if (x.start != y.start || x.length != y.length || s.kind != t.kind
            || !sameLook(s.color, s.pointingHand, t.color, t.pointingHand)
            || !(a.valueParts(i) == b.valueParts(i)))
            return false;
    }
    return true;
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
    spans.reserve(m_marks.size());
    for (const Span &span : this->spans()) {
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
        result.addSpan(
            { int(start), int(length), *kind, s.value(QStringLiteral("value")).toString(),
                colorFromVariant(s.value(QStringLiteral("color"))),
                s.value(QStringLiteral("pointingHand"), true).toBool() });
    }
    return result;
}
