#include "service/UpdateChecker.h"

#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "platform/AlertPresenter.h"
#include "platform/UrlOpener.h"
#include "service/Network.h"
#include "support/PropertyList.h"
#include "support/cache/SDURLCache.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimeZone>

namespace {

// Seconds since 1 January 2001 UTC, as the setting has always been kept.
const QDateTime referenceDate(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());

QString displayName()
{
    return QCoreApplication::applicationName().isEmpty() ? QStringLiteral("Velto")
                                                         : QCoreApplication::applicationName();
}

QUrl onMakersSite(const QString &path)
{
    QString base = OutsideAddresses::current().makerSiteBase;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + path);
}

QNetworkRequest freshRequest(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setAttribute(
        QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(30000);
    return request;
}

void alert(const char *title, const char *text)
{
    alerts::show(alerts::localized(QString::fromLatin1(title)),
        alerts::localized(QString::fromLatin1(text)).arg(displayName()));
}

} // namespace

UpdateChecker::UpdateChecker(QObject *parent)
    : QObject(parent)
{
}

QString UpdateChecker::buildVersion()
{
    return QStringLiteral(VELTO_VERSION);
}

std::optional<UpdateChecker::Description> UpdateChecker::descriptionFrom(const QVariant &plist)
{
    QVariantMap dictionary = plist.toMap();
    const QVariant keyed = dictionary.value(bundleIdentifier());
    if (keyed.typeId() == QMetaType::QVariantMap)
        dictionary = keyed.toMap();
    Description latest { dictionary.value(QStringLiteral("productVersion")).toString(),
        dictionary.value(QStringLiteral("productPageURL")).toString() };
    if (latest.version.isEmpty() || latest.url.isEmpty()) {
        latest = { dictionary.value(QStringLiteral("version")).toString(),
            dictionary.value(QStringLiteral("url")).toString() };
    }
    if (latest.version.isEmpty())
        return std::nullopt;
    return latest;
}

bool UpdateChecker::checkAtStartup() const
{
    const Preferences &p = Preferences::standard();
    return !p.contains(prefs::updateCheckAtStartup.name) || p.value(prefs::updateCheckAtStartup);
}

void UpdateChecker::setCheckAtStartup(bool check)
{
    Preferences &p = Preferences::standard();
    p.setValue(prefs::updateCheckAtStartup, check);
    p.setValue(prefs::updateLastCheckDate, QStringLiteral("0"));
}

void UpdateChecker::awakeFromNib()
{
    Preferences &p = Preferences::standard();
    if (!p.value(prefs::firstUpdateCheck))
        p.setValue(prefs::updateCheckAtStartup, true);
    p.setValue(prefs::firstUpdateCheck, true);
    if (!p.contains(prefs::updateCheckAtStartup.name)) {
        const int answer = alerts::show(alerts::localized(QStringLiteral("Check for Updates?")),
            alerts::localized(QStringLiteral("Should %1 look for a newer version when it starts? "
                                             "It asks the maker's site at most once a day."))
                .arg(displayName()),
            { QStringLiteral("OK"), QStringLiteral("Cancel") });
        p.setValue(prefs::updateCheckAtStartup, answer == 0);
    }
    if (!checkAtStartup())
        return;
    bool known = false;
    const double seconds = p.value(prefs::updateLastCheckDate).value_or(QString()).toDouble(&known);
    const QDateTime last
        = known && seconds > 0 ? referenceDate.addMSecs(qint64(seconds * 1000)) : QDateTime();
    const QDateTime current = now();
    if (last.isValid() && last.secsTo(current) <= checkIntervalSeconds)
        return;
    p.setValue(
        prefs::updateLastCheckDate, QString::number(double(referenceDate.secsTo(current)), 'f', 0));
    p.setValue(prefs::lastCheckDate, current.toString(Qt::ISODate));
    checkForUpdatesAndNotify(false);
}

void UpdateChecker::checkForUpdates()
{
    Preferences::standard().setValue(prefs::lastCheckDate, now().toString(Qt::ISODate));
    checkForUpdatesAndNotify(true);
}

void UpdateChecker::checkForUpdatesAndNotify(bool report)
{
    const QUrl url = onMakersSite(QStringLiteral("/macpad/%1.plist").arg(bundleIdentifier()));
    QNetworkReply *reply = Network::manager().get(freshRequest(url));
    connect(reply, &QNetworkReply::finished, this, [this, reply, report] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        std::optional<Description> latest;
        if (reply->error() == QNetworkReply::NoError && status == 200) {
            if (const auto plist = PropertyList::decode(reply->readAll()))
                latest = descriptionFrom(*plist);
        }
        if (!latest) {
            qInfo().noquote() << "Update check failed:" << reply->errorString();
            if (report)
                alert("Update Check Failed",
                    "%1 could not find out whether there is a newer version. Please try again "
                    "later.");
            Q_EMIT checkFinished(QStringLiteral("error"));
            return;
        }
        if (latest->version == buildVersion()) {
            if (report)
                alert("You're Up to Date", "%1 is the newest version there is.");
            Q_EMIT checkFinished(QStringLiteral("upToDate"));
            return;
        }
        notifyAboutUpdateToNewVersion(*latest);
    });
}

void UpdateChecker::notifyAboutUpdateToNewVersion(const Description &)
{
    // The notes are fetched fresh, not from an earlier cached copy.
    if (SDURLCache *cache = SDURLCache::sharedURLCache())
        cache->removeAllCachedResponses();
    QNetworkReply *notes
        = Network::manager().get(freshRequest(onMakersSite(QStringLiteral("/macpad/Velto.txt"))));
    connect(notes, &QNetworkReply::finished, this, [this, notes] {
        notes->deleteLater();
        const QString text = notes->error() == QNetworkReply::NoError
            ? QString::fromUtf8(notes->readAll())
            : QString();
        const QString message = text
            + alerts::localized(QStringLiteral("Do you want to download the update now?"))
            + QLatin1Char('\n');
        const int answer = alerts::show(alerts::localized(QStringLiteral("Update available!")),
            message, { QStringLiteral("Download…"), QStringLiteral("Cancel") });
        if (answer == 0)
            UrlOpener::openOrTell(onMakersSite(QStringLiteral("/downloads/Velto.zip")));
        Q_EMIT checkFinished(QStringLiteral("update"));
    });
}
