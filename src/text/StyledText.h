#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <QVariantMap>

#include <optional>
#include <vector>

// The look of a whole post text: font, colour and the faint shadow below the
// glyphs. Sizes are logical pixels, so a 13 here is as tall as the 13-point
// text the row geometry was designed around.
struct BaseTextStyle {
    QStringList fontFamilies;
    qreal fontSize = 13;
    QColor color;
    QColor shadowColor;
    QPointF shadowOffset; // y grows downwards
    qreal shadowBlur = 0;

    friend bool operator==(const BaseTextStyle &, const BaseTextStyle &) = default;
};

// The three kinds of marked span. Their names are the attribute names the rest
// of the program speaks of.
enum class EntityKind { Link, Hash, User };

QString entityKindName(EntityKind kind); // "Link", "Hash", "User"
std::optional<EntityKind> entityKindFromName(const QString &name);

// What a character of styled text carries beyond the base style. A character
// can be inside several spans (a "#top" fragment inside a link): every custom
// attribute stays, colour and cursor come from the span added last.
struct TextAttributes {
    std::optional<QString> link;
    std::optional<QString> hash;
    std::optional<QString> user;
    QColor color; // invalid: the base colour
    bool pointingHand = false; // the pointing-hand cursor over this character

    bool isEntity() const { return link || hash || user; }
    friend bool operator==(const TextAttributes &, const TextAttributes &) = default;
};

// A post text with its marks: the text itself (never altered) plus the spans
// added over it, in the order they were added. Positions and lengths are
// UTF-16 code units, as QString counts them. A plain value: cheap to copy,
// safe to build on any thread.
//
// A long text can hold a mark for every two characters ("#a#a#a..."), so a
// mark is kept in twelve bytes: its range and the index of a style shared by
// the marks that look alike. A style holds the kind, colour and cursor, and
// says where the value comes from: a hashtag's or mention's value is the
// characters it marks, a link's the characters after "http://" or "mailto:"
// or as written, so none of them is copied; any other value is kept in a
// style of its own.
class StyledText {
public:
    // A mark as callers write and read it.
    struct Span {
        int start = 0;
        int length = 0;
        EntityKind kind = EntityKind::Link;
        QString value; // the URL, "#tag" or "@name"
        QColor color;
        bool pointingHand = true;

        int end() const { return start + length; }
        friend bool operator==(const Span &, const Span &) = default;
    };

    // A stretch of text whose characters all carry the same attributes.
    struct Run {
        int start = 0;
        int length = 0;
        TextAttributes attributes;
    };

    StyledText() = default;
    explicit StyledText(QString text, std::optional<BaseTextStyle> base = std::nullopt);

    const QString &text() const { return m_text; }
    int length() const { return int(m_text.size()); }
    bool isEmpty() const { return m_text.isEmpty(); }

    // Absent for text marked without base styling (the composer's).
    const std::optional<BaseTextStyle> &baseStyle() const { return m_base; }
    void setBaseStyle(std::optional<BaseTextStyle> base) { m_base = std::move(base); }

    qsizetype spanCount() const { return m_marks.size(); }
    Span span(qsizetype index) const;
    // Every span, or those of one kind, in the order added. Each value is
    // made anew: read a long text's spans one kind at a time.
    QList<Span> spans() const;
    QList<Span> spans(EntityKind kind) const;

    // Adds a span over [start, start + length); the part outside the text is
    // cut off, an empty remainder is dropped.
    void addSpan(const Span &span);
    // addSpan() of a span whose value is the characters it marks, after
    // "http://" or "mailto:" where asked, with the pointing hand, without
    // making the value.
    enum class ValuePrefix : quint8 { None, Http, Mailto };
    void addCharactersSpan(int start, int length, EntityKind kind, const QColor &color,
        ValuePrefix prefix = ValuePrefix::None);
    // Room for `count` more spans, so marking a long text grows the list once.
    void reserveSpans(qsizetype count) { m_marks.reserve(m_marks.size() + count); }

    // The attributes of the character at `index` (none outside the text).
    TextAttributes attributesAt(int index) const;
    // The whole text cut into runs of equal attributes, in text order;
    // runs without marks are included, so the runs cover the text exactly.
    QList<Run> runs() const;

    // {text, spans, base} for the archives; fromVariantMap accepts what
    // toVariantMap wrote and drops spans that do not fit the text.
    QVariantMap toVariantMap() const;
    static StyledText fromVariantMap(const QVariantMap &map);

    // Equal texts, base styles and spans, however the spans are kept.
    friend bool operator==(const StyledText &, const StyledText &);

private:
    // Where a span's value comes from.
    enum class ValueSource : quint8 { Characters, HttpAndCharacters, MailtoAndCharacters, Kept };
    struct Style {
        EntityKind kind = EntityKind::Link;
        ValueSource source = ValueSource::Characters;
        bool pointingHand = true;
        QColor color;
        QString keptValue; // only for ValueSource::Kept
    };
    struct Mark {
        qint32 start = 0;
        qint32 length = 0;
        quint32 style = 0;
    };

    struct ValueParts;
    struct Deciding;
    struct MadeValues;

    void addMark(int start, int length, const Style &style);
    const Style &styleOf(qsizetype mark) const { return m_styles[m_marks[mark].style]; }
    ValueParts valueParts(qsizetype mark) const;
    QString value(qsizetype mark) const;
    Deciding deciding(const std::vector<int> &covering) const;
    bool sameAttributes(const Deciding &a, const Deciding &b) const;
    TextAttributes attributesFor(const Deciding &deciding, MadeValues &made) const;

    QString m_text;
    std::optional<BaseTextStyle> m_base;
    QList<Mark> m_marks;
    QList<Style> m_styles;
};

// Spans and runs hold only values Qt moves with a plain memory copy, so the
// lists of a long, densely marked text grow without moving each element.
Q_DECLARE_TYPEINFO(StyledText::Span, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(StyledText::Run, Q_RELOCATABLE_TYPE);
Q_DECLARE_METATYPE(StyledText)
