// The entities the sandbox finds in a post's text, with positions in UTF-16 units.
#include "data/Entities.h"

#include <gtest/gtest.h>

using namespace sandbox;

namespace {

std::optional<std::pair<Id, QString>> knownUsers(const QString &name)
{
    if (name.compare(u"alice"_qs, Qt::CaseInsensitive) == 0)
        return std::make_pair(Id(3), u"alice"_qs);
    if (name == u"demo"_qs)
        return std::make_pair(Id(1), u"demo"_qs);
    return std::nullopt;
}

// Each entity as "kind:shown text@position>name or URL".
QStringList found(const QString &text)
{
    const TextEntities e = extractEntities(text, knownUsers);
    QStringList out;
    for (const MentionEntity &m : e.mentions)
        out << u"@:%1@%2>%3#%4"_qs.arg(text.mid(m.pos, m.len)).arg(m.pos).arg(m.name).arg(m.userId);
    for (const HashtagEntity &t : e.hashtags)
        out << u"#:%1@%2>%3"_qs.arg(text.mid(t.pos, t.len)).arg(t.pos).arg(t.name);
    for (const LinkEntity &l : e.links)
        out << u"l:%1@%2>%3"_qs.arg(text.mid(l.pos, l.len)).arg(l.pos).arg(l.url);
    return out;
}

} // namespace

TEST(Entities, MentionsHashtagsAndLinksAsTheProgramMarksThem)
{
    const struct {
        QString text;
        QStringList entities;
    } cases[] = {
        // Two surrogate pairs and a space before the mention; the registered spelling.
        { u"😀😀 @Alice #rain www.example.com"_qs,
            { u"@:@Alice@5>alice#3"_qs, u"#:#rain@12>rain"_qs,
                u"l:www.example.com@18>http://www.example.com"_qs } },
        // The sentence's comma, an unbalanced ")" and "." are not the link's; an address is none.
        { u"See https://example.org/a?b=1, example.net/x (and www.example.com/y). Not me@example.com"_qs,
            { u"l:https://example.org/a?b=1@4>https://example.org/a?b=1"_qs,
                u"l:example.net/x@31>http://example.net/x"_qs,
                u"l:www.example.com/y@50>http://www.example.com/y"_qs } },
        { u"https://en.example.org/wiki/Qt_(software)!"_qs,
            { u"l:https://en.example.org/wiki/Qt_(software)@0>https://en.example.org/wiki/Qt_(software)"_qs } },
        { u"example.community and file.txt and http:// alone"_qs, {} },
        // Nothing inside links, no strangers, no address, no tag after a letter.
        { u"https://example.org/#top https://example.org/@alice @nobody mail@alice.example.com abc#def"_qs,
            { u"l:https://example.org/#top@0>https://example.org/#top"_qs,
                u"l:https://example.org/@alice@25>https://example.org/@alice"_qs } },
        // The tag pattern stops at what is not ASCII.
        { u"Le café #café #my-tag #100DaysOfCode"_qs,
            { u"#:#caf@8>caf"_qs, u"#:#my-tag@14>my-tag"_qs,
                u"#:#100DaysOfCode@22>100DaysOfCode"_qs } },
        { u"@demo @alice @demo"_qs,
            { u"@:@demo@0>demo#1"_qs, u"@:@alice@6>alice#3"_qs, u"@:@demo@13>demo#1"_qs } },
    };
    for (const auto &c : cases)
        EXPECT_EQ(found(c.text), c.entities) << c.text.toStdString();
}
