#include "service/PostPictures.h"

#include "core/OutsideAddresses.h"
#include "core/Preferences.h"

namespace PostPictures {

namespace {

bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https");
}

} // namespace

bool isOwnImageHostPicture(const QUrl &url, const QUrl &imageHost)
{
    if (!isWebAddress(url) || !isWebAddress(imageHost))
        return false;
    if (url.host().compare(imageHost.host(), Qt::CaseInsensitive) != 0
        || url.port(url.scheme() == u"https" ? 443 : 80)
            != imageHost.port(imageHost.scheme() == u"https" ? 443 : 80))
        return false;
    QString base = imageHost.path();
    while (base.endsWith(u'/'))
        base.chop(1);
    const QString pictures = base + QStringLiteral("/img/");
    return url.path().startsWith(pictures) && url.path().size() > pictures.size();
}

bool hasPictureExtension(const QUrl &url)
{
    const QString path = url.path().toLower();
    for (const char *extension : { ".jpg", ".jpeg", ".png", ".gif", ".webp" }) {
        if (path.endsWith(QLatin1String(extension)))
            return true;
    }
    return false;
}

QList<QUrl> pictureLinks(const StyledText &text, const QUrl &imageHost, bool otherSites)
{
    QList<QUrl> pictures;
    for (const StyledText::Span &span : text.spans(EntityKind::Link)) {
        const QUrl url(span.value, QUrl::StrictMode);
        if (!isWebAddress(url) || pictures.contains(url))
            continue;
        if (isOwnImageHostPicture(url, imageHost) || (otherSites && hasPictureExtension(url)))
            pictures.append(url);
        if (pictures.size() == maxPictures)
            break;
    }
    return pictures;
}

QList<QUrl> pictureLinks(const StyledText &text)
{
    return pictureLinks(text, QUrl(OutsideAddresses::current().imageHostBase), otherSitesAllowed());
}

bool otherSitesAllowed()
{
    // Stored as its opposite: a key never written reads as false, and other
    // sites' pictures are shown until the reader says otherwise.
    return !Preferences::standard().value(prefs::prefsHideOtherSitePictures);
}

} // namespace PostPictures
