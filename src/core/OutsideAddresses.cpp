#include "core/OutsideAddresses.h"

#include "core/Preferences.h"

#include <QtGlobal>

#include <optional>

namespace {

std::optional<OutsideAddresses> &currentSlot()
{
    static std::optional<OutsideAddresses> slot;
    return slot;
}

void override(QString &field, const char *name)
{
    const QString key = QString::fromLatin1(name);
    if (auto stored = Preferences::standard().rawString(QStringLiteral("OutsideAddresses/") + key);
        stored && !stored->isEmpty())
        field = *stored;
    const QByteArray env = qgetenv(name);
    if (!env.isEmpty())
        field = QString::fromUtf8(env);
    while (field.endsWith(QLatin1Char('/')) && field.size() > 1
        && name != QByteArrayLiteral("VELTO_PROBE_URL"))
        field.chop(1);
}

} // namespace

OutsideAddresses OutsideAddresses::defaults()
{
    OutsideAddresses a;
    a.apiBase = QStringLiteral("https://api.velto.example/stream/0");
    a.siteBase = QStringLiteral("https://account.velto.example");
    a.probeUrl = QStringLiteral("http://www.velto.example/");
    a.shortenerBase = QStringLiteral("https://short.velto.example");
    a.imageHostBase = QStringLiteral("https://img.velto.example");
    a.makerSiteBase = QStringLiteral("https://www.velto.example");
    return a;
}

OutsideAddresses OutsideAddresses::load()
{
    OutsideAddresses a = defaults();
    override(a.apiBase, "VELTO_API_BASE");
    override(a.siteBase, "VELTO_SITE_BASE");
    override(a.probeUrl, "VELTO_PROBE_URL");
    override(a.shortenerBase, "VELTO_SHORTENER_BASE");
    override(a.imageHostBase, "VELTO_IMAGE_HOST_BASE");
    override(a.makerSiteBase, "VELTO_MAKER_SITE_BASE");
    return a;
}

const OutsideAddresses &OutsideAddresses::current()
{
    auto &slot = currentSlot();
    if (!slot)
        slot = load();
    return *slot;
}

void OutsideAddresses::setCurrent(const OutsideAddresses &addresses)
{
    currentSlot() = addresses;
}

QStringList OutsideAddresses::variableNames()
{
    return { QStringLiteral("VELTO_API_BASE"), QStringLiteral("VELTO_SITE_BASE"),
        QStringLiteral("VELTO_PROBE_URL"), QStringLiteral("VELTO_SHORTENER_BASE"),
        QStringLiteral("VELTO_IMAGE_HOST_BASE"), QStringLiteral("VELTO_MAKER_SITE_BASE") };
}

QString OutsideAddresses::storedKey(const QString &variableName)
{
    return QStringLiteral("OutsideAddresses/") + variableName;
}

QString OutsideAddresses::addressProblem(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("The address is empty.");
    if (trimmed != text || trimmed.contains(QLatin1Char(' ')))
        return QStringLiteral("An address cannot contain spaces.");
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid())
        return QStringLiteral("\"%1\" is not a well-formed address.").arg(trimmed);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return QStringLiteral("An address must begin with http:// or https://.");
    if (url.host().isEmpty())
        return QStringLiteral("The address has no host name.");
    if (url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty())
        return QStringLiteral("An address may have a path but no query, fragment or user name.");
    return {};
}
