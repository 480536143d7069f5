#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

// Looks for a newer version on the maker's site: at start-up at most once a
// day when the user allows it, and when asked (Help > Check for Updates…).
// Any version text other than the program's own counts as an update; the
// alert then shows the release notes and offers the download. The fetches
// never hold the window.
class UpdateChecker : public QObject {
    Q_OBJECT
public:
    struct Description {
        QString version;
        QString url;
    };
    static constexpr qint64 checkIntervalSeconds = 86400;

    explicit UpdateChecker(QObject *parent = nullptr);

    // The version description in a property list: "productVersion" and
    // "productPageURL", else "version" and "url" for both; the list may hold
    // it under the program's identifier. Nothing without a version.
    static std::optional<Description> descriptionFrom(const QVariant &plist);
    static QString bundleIdentifier() { return QStringLiteral("net.velto.Velto"); }
    static QString buildVersion();

    // Start-up: the one-time question, then a check when a day has passed.
    void awakeFromNib();
    void checkForUpdates();
    // Reports "up to date" and failures only when asked to.
    void checkForUpdatesAndNotify(bool report);

    bool checkAtStartup() const;
    // Also forgets the last check, so the next start checks at once.
    void setCheckAtStartup(bool check);

    // Tests pin the clock.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

Q_SIGNALS:
    // A check ended: "update", "upToDate" or "error" (also when nothing was shown).
    void checkFinished(const QString &outcome);

private:
    void notifyAboutUpdateToNewVersion(const Description &latest);
    QDateTime now() const { return m_clock ? m_clock() : QDateTime::currentDateTimeUtc(); }

    std::function<QDateTime()> m_clock;
};
