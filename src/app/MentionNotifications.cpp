#include "app/MentionNotifications.h"

#include "app/MainWindow.h"
#include "core/Preferences.h"
#include "platform/DesktopNotifier.h"

#include <QJsonObject>

MentionNotifications::MentionNotifications(MainWindow *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
{
    connect(&DesktopNotifier::current(), &DesktopNotifier::activated, this,
        &MentionNotifications::activated);
    connect(&DesktopNotifier::current(), &DesktopNotifier::replyChosen, this,
        &MentionNotifications::replyChosen);
}

QString MentionNotifications::titleFor(const QJsonObject &mention)
{
    const QJsonObject user = mention.value(QStringLiteral("user")).toObject();
    return QStringLiteral("@%1 (%2)")
        .arg(user.value(QStringLiteral("username")).toString(),
            user.value(QStringLiteral("name")).toString());
}

void MentionNotifications::announce(const QJsonArray &mentions)
{
    // The window in front shows the count; notifications then only when asked for.
    if (m_window->isActiveWindow() && !Preferences::standard().value(prefs::prefsShowInNC))
        return;
    const qsizetype shown = mentions.size() > shownAtOnce + 1 ? shownAtOnce : mentions.size();
    for (qsizetype i = 0; i < shown; ++i) {
        const QJsonObject mention = mentions.at(i).toObject();
        deliver(titleFor(mention), mention.value(QStringLiteral("text")).toString(), mention);
    }
    if (shown < mentions.size()) {
        deliver(QStringLiteral("Velto"),
            QStringLiteral("%1 more new mentions").arg(mentions.size() - shown));
    }
}

void MentionNotifications::sendNotification()
{
    deliver(QStringLiteral("@tester"), QStringLiteral("This is a test notification from Velto…"));
}

void MentionNotifications::deliver(
    const QString &title, const QString &body, const QJsonObject &mention)
{
    DesktopNotifier::current().notify(
        title, body, Preferences::standard().value(prefs::prefsUseNCSound),
        [this, mention](uint id) {
            if (id == 0)
                return;
            m_delivered.append(id);
            if (!mention.isEmpty())
                m_mentionOf.insert(id, mention);
        },
        !mention.isEmpty());
}

void MentionNotifications::bringWindowForward()
{
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

void MentionNotifications::replyChosen(uint id)
{
    const QJsonObject mention = m_mentionOf.take(id);
    m_delivered.removeAll(id);
    DesktopNotifier::current().close(id);
    if (mention.isEmpty())
        return;
    bringWindowForward();
    Q_EMIT replyWanted(mention.toVariantMap());
}

void MentionNotifications::activated(uint id)
{
    Q_EMIT mentionsWanted();
    bringWindowForward();
    const bool all = Preferences::standard().value(prefs::prefsRemoveAllNotifications);
    for (uint delivered : QList<uint>(m_delivered)) {
        if (all || delivered == id) {
            DesktopNotifier::current().close(delivered);
            m_delivered.removeAll(delivered);
            m_mentionOf.remove(delivered);
        }
    }
    if (!all)
        DesktopNotifier::current().close(id);
}
