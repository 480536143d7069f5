#include "service/PostRecord.h"

#include "text/JsonAccess.h"

namespace {

QString read(const QVariantMap &post, QStringView path)
{
    return JsonAccess::stringForKeyPath(post, path).value_or(QString());
}

} // namespace

PostRecord PostRecord::fromJson(const QJsonObject &object)
{
    PostRecord record;
    record.post = object.toVariantMap();
    return record;
}

QString PostRecord::id() const
{
    return read(post, u"id");
}
QString PostRecord::createdAt() const
{
    return read(post, u"created_at");
}
QString PostRecord::text() const
{
    return read(post, u"text");
}
QString PostRecord::userId() const
{
    return read(post, u"user.id");
}
QString PostRecord::username() const
{
    return read(post, u"user.username");
}
QString PostRecord::name() const
{
    return read(post, u"user.name");
}
QString PostRecord::avatarUrl() const
{
    return read(post, u"user.avatar_image.url");
}
QString PostRecord::sourceName() const
{
    return read(post, u"source.name");
}
QString PostRecord::sourceLink() const
{
    return read(post, u"source.link");
}

bool PostRecord::hasReplyTo() const
{
    return post.contains(QStringLiteral("reply_to"));
}

bool PostRecord::youStarred() const
{
    const QVariant value = post.value(QStringLiteral("you_starred"));
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return value.toDouble() != 0;
    case QMetaType::QString:
        return value.toString() == u"1"
            || value.toString().compare(u"true", Qt::CaseInsensitive) == 0;
    default:
        return false;
    }
}

QStringList PostRecord::mentionIds() const
{
    QStringList ids;
    const auto mentions = JsonAccess::arrayForKeyPath(post, u"entities.mentions");
    if (!mentions)
        return ids;
    for (const QVariant &mention : *mentions) {
        if (auto id = JsonAccess::stringForKey(mention.toMap(), QStringLiteral("id")))
            ids.append(*id);
    }
    return ids;
}

std::optional<QString> PostRecord::mentionIdForName(const QString &name) const
{
    const auto mentions = JsonAccess::arrayForKeyPath(post, u"entities.mentions");
    if (!mentions)
        return std::nullopt;
    for (const QVariant &mention : *mentions) {
        const QVariantMap map = mention.toMap();
        if (JsonAccess::stringForKey(map, QStringLiteral("name")) == name)
            return JsonAccess::stringForKey(map, QStringLiteral("id"));
    }
    return std::nullopt;
}

SelectedPostFacts SelectedPostFacts::from(const PostRecord &record, const QString &meID)
{
    SelectedPostFacts facts;
    facts.replyOrQuoteID = record.id();
    facts.sourceName = QStringLiteral("Via %1").arg(record.sourceName());
    facts.hasReplies = record.hasReplyTo();
    facts.isPostStarred = record.youStarred();
    facts.isMe = !meID.isEmpty() && record.userId() == meID;
    facts.starItemTitle
        = facts.isPostStarred ? QStringLiteral("Unstar Post") : QStringLiteral("Star Post");
    return facts;
}

namespace PostTransformers {

bool isMEtoBOOL(const PostRecord *record, const QString &meID)
{
    if (!record)
        return false;
    return record->userId() != meID;
}

bool isMentiontoBOOL(const PostRecord *record, const QString &meID)
{
    return !isNOTMentiontoBOOL(record, meID);
}

bool isNOTMentiontoBOOL(const PostRecord *record, const QString &meID)
{
    if (!record || meID.isEmpty())
        return false;
    return record->mentionIds().contains(meID);
}

} // namespace PostTransformers
