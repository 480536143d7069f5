#include "text/ComposerRules.h"

#include "text/JsonAccess.h"
#include "text/PostTextStyling.h"

namespace ComposerRules {

QString buttonImageFor(quint64 postType)
{
    switch (postType) {
    case Reply:
        return QStringLiteral("replyTemplate");
    case Quote:
        return QStringLiteral("quoteTemplate");
    default:
        return QStringLiteral("postTemplate");
    }
}

bool isKnownPostType(quint64 postType)
{
    return postType == NewPost || postType == Reply || postType == Quote;
}

bool answersAPost(quint64 postType)
{
    return postType == Reply || postType == Quote;
}

QColor counterGreen()
{
    return QColor::fromRgbF(0.228f, 0.431f, 0.0f);
}

QColor counterOrange()
{
    return QColor::fromRgbF(0.8f, 0.378f, 0.0f);
}

QColor counterRed()
{
    return QColor::fromRgbF(0.609f, 0.0f, 0.063f);
}

Counter counterFor(qsizetype length)
{
    Counter counter;
    counter.visible = length > 0;
    // The thresholds are those of the length plus the next character.
    const qsizetype next = length + 1;
    if (next <= 236)
        counter.color = counterGreen();
    else if (next <= 246)
        counter.color = counterOrange();
    else
        counter.color = counterRed();
    counter.remaining = maximumLength - length;
    return counter;
}

bool allowsChange(qsizetype currentLength, const QString &replacement)
{
    return replacement.isEmpty() || currentLength < maximumLength;
}

QString replyText(const QVariantMap &post, const QString &meID)
{
    QString text = QStringLiteral("@%1 ").arg(
        JsonAccess::stringForKeyPath(post, u"user.username").value_or(QString()));
    const QVariantList mentions
        = JsonAccess::arrayForKeyPath(post, u"entities.mentions").value_or(QVariantList());
    for (const QVariant &item : mentions) {
        const QVariantMap mention = item.toMap();
        const auto id = JsonAccess::stringForKey(mention, QStringLiteral("id"));
        const auto name = JsonAccess::stringForKey(mention, QStringLiteral("name"));
        // A mention without a name would leave a lone "@".
        if ((id && *id == meID && !meID.isEmpty()) || !name || name->isEmpty())
            continue;
        text += QStringLiteral("@%1 ").arg(*name);
    }
    return text;
}

QString quoteText(const QVariantMap &post)
{
    const QString user = JsonAccess::stringForKeyPath(post, u"user.username").value_or(QString());
    const QString text = JsonAccess::stringForKeyPath(post, u"text").value_or(QString());
    return QStringLiteral("» @") + user + QStringLiteral("  ") + text + QLatin1Char(' ');
}

bool pasteShouldBeShortened(const QString &pasted)
{
    if (pasted.size() <= 20)
        return false;
    if (!pasted.contains(QLatin1String("http://")) && !pasted.contains(QLatin1String("https://")))
        return false;
    for (const QChar c : pasted) {
        if (c.isSpace() || c == u'#')
            return false;
    }
    return true;
}

BaseTextStyle composerTextStyle(qint64 prefsFontSize)
{
    BaseTextStyle style = PostTextStyling::baseStyle(prefsFontSize);
    style.color = QColor::fromRgbF(0.2f, 0.2f, 0.2f);
    return style;
}

} // namespace ComposerRules
