#include "text/TextClick.h"

#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "platform/UrlOpener.h"

#include <QDebug>
#include <QRegularExpression>

namespace TextClick {

QString linkStringForValue(const QString &value)
{
    static const QRegularExpression schemeWithAuthority(
        QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    if (value.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || value.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)
        || value.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)
        || schemeWithAuthority.match(value).hasMatch())
        return value;
    return QStringLiteral("http://") + value;
}

QUrl urlForLinkValue(const QString &value)
{
    const QUrl url(linkStringForValue(value), QUrl::TolerantMode);
    return url.isValid() ? url : QUrl();
}

ClickActions actionsFor(const TextAttributes &attributes)
{
    ClickActions actions;
    if (attributes.link)
        actions.link = urlForLinkValue(*attributes.link);
    actions.hashtag = attributes.hash;
    actions.user = attributes.user;
    return actions;
}

ClickActions actionsAt(const StyledText &text, int index)
{
    if (index < 0 || index >= text.length())
        return {};
    return actionsFor(text.attributesAt(index));
}

void openLink(const QUrl &url)
{
    if (!url.isValid() || url.isEmpty())
        return;
    UrlOpener::openFromService(url);
}

void loadHashtag(const QString &hashtag)
{
    // The key keeps the last tag as a record; the tag itself goes with the notification.
    Preferences::standard().setValue(prefs::currentHashtag, hashtag);
    NotificationBus::defaultCenter().post(nf::loadHash, hashtag);
}

void loadUser(const QString &user)
{
    Preferences::standard().setValue(prefs::currentUser, user);
    NotificationBus::defaultCenter().post(nf::loadUser, user);
}

bool performPostTextClick(const ClickActions &actions, const LinkOpening &open)
{
    if (actions.link) {
        if (open)
            open(*actions.link);
        else
            openLink(*actions.link);
    }
    if (actions.hashtag)
        loadHashtag(*actions.hashtag);
    if (actions.user)
        loadUser(*actions.user);
    return !actions.isEmpty();
}

} // namespace TextClick
