// A single user record, as the user panel and the lists of followers read it.
#include "FuzzHarness.h"

#include "text/JsonAccess.h"

#include <QJsonDocument>
#include <QJsonObject>

const QList<QByteArray> fuzz::warmUpInputs = {
    R"({"id":"2","username":"bob","counts":{"posts":3},"avatar_image":{"url":"http://a/b"}})",
};

void fuzz::fuzzOne(QByteArrayView input)
{
    const QJsonDocument document = QJsonDocument::fromJson(input.toByteArray());
    QVariantList users;
    if (document.isObject())
        users.append(document.object().toVariantMap());
    else if (document.isArray())
        users = document.array().toVariantList();
    for (const QVariant &entry : std::as_const(users)) {
        const QVariantMap user = entry.toMap();
        for (const char16_t *path : { u"id", u"username", u"name", u"description.text",
                 u"avatar_image.url", u"follows_you", u"you_follow" }) {
            const std::optional<QString> text = JsonAccess::stringForKeyPath(user, path);
            FUZZ_CHECK(JsonAccess::textForKeyPath(user, path) == text.value_or(QString()));
        }
        const QVariantMap counts = user.value(QStringLiteral("counts")).toMap();
        for (const char *key : { "posts", "followers", "following" })
            counts.value(QString::fromLatin1(key)).toLongLong();
        JsonAccess::arrayForKeyPath(user, u"description.entities.links");
    }
}
