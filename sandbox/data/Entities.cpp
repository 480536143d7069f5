#include "data/Entities.h"

#include <QRegularExpression>

namespace sandbox {

namespace {

const QRegularExpression &linkPattern()
{
    static const QRegularExpression re(
        QStringLiteral(
            R"((?<![A-Za-z0-9_@./-])(?:(?:https?://|www\.)[^\s<>"]+)"
            R"(|(?:[a-z0-9](?:[a-z0-9-]*[a-z0-9])?\.)+(?:com|org|net|io|dev|app|de|fr|uk|info|me)\b(?:/[^\s<>"]*)?))"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression &hashtagPattern()
{
    static const QRegularExpression re(QStringLiteral(R"((?<![A-Za-z0-9_])#([A-Za-z0-9_-]+))"));
    return re;
}

const QRegularExpression &mentionPattern()
{
    static const QRegularExpression re(QStringLiteral(R"((?<![A-Za-z0-9_])@([A-Za-z0-9_]+))"));
    return re;
}

// Drops closing punctuation that belongs to the sentence, not the link.
int trimmedLinkLength(QStringView link)
{
    int len = int(link.size());
    while (len > 0) {
        const QChar last = link.at(len - 1);
        if (QStringView(u".,;:!?'\"").contains(last)) {
            --len;
        } else if (last == u')') {
            const QStringView body = link.first(len);
            if (body.count(u'(') >= body.count(u')'))
                break;
            --len;
        } else {
            break;
        }
    }
    return len;
}

bool insideAny(const QList<LinkEntity> &links, int pos)
{
    for (const LinkEntity &link : links) {
        if (pos >= link.pos && pos < link.pos + link.len)
            return true;
    }
    return false;
}

} // namespace

QList<LinkEntity> findLinks(const QString &text)
{
    QList<LinkEntity> links;
    auto it = linkPattern().globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const int pos = int(m.capturedStart());
        const int len = trimmedLinkLength(m.capturedView());
        if (len == 0)
            continue;
        const QString shown = text.mid(pos, len);
        if (shown.compare(u"www.", Qt::CaseInsensitive) == 0)
            continue;
        const bool hasScheme = shown.startsWith(u"http://", Qt::CaseInsensitive)
            || shown.startsWith(u"https://", Qt::CaseInsensitive);
        if (hasScheme && shown.indexOf(u"://") + 3 >= shown.size())
            continue; // a bare "http://" names no host
        links.append(
            LinkEntity { shown, hasScheme ? shown : QStringLiteral("http://") + shown, pos, len });
    }
    return links;
}

TextEntities extractEntities(const QString &text, const UserLookup &lookup)
{
    TextEntities entities;
    entities.links = findLinks(text);

    auto tags = hashtagPattern().globalMatch(text);
    while (tags.hasNext()) {
        const QRegularExpressionMatch m = tags.next();
        const int pos = int(m.capturedStart());
        if (insideAny(entities.links, pos))
            continue;
        entities.hashtags.append(HashtagEntity { m.captured(1), pos, int(m.capturedLength()) });
    }

    auto mentions = mentionPattern().globalMatch(text);
    while (mentions.hasNext()) {
        const QRegularExpressionMatch m = mentions.next();
        const int pos = int(m.capturedStart());
        if (insideAny(entities.links, pos) || !lookup)
            continue;
        const auto user = lookup(m.captured(1));
        if (!user)
            continue;
        entities.mentions.append(
            MentionEntity { user->second, user->first, pos, int(m.capturedLength()) });
    }
    return entities;
}

} // namespace sandbox
