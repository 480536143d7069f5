#include "platform/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>
#include <QVariantMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

std::unique_ptr<DesktopNotifier> &slot()
{
    static std::unique_ptr<DesktopNotifier> notifier;
    return notifier;
}

// Servers read the body as markup (tags such as <b> and <img>, and "&"
// entities); a post's text must reach them as the plain text it is.
QString bodyMarkup(const QString &plain)
{
    QString markup;
    markup.reserve(plain.size());
    for (const QChar c : plain) {
        if (c == u'&')
            markup += QLatin1String("&amp;");
        else if (c == u'<')
            markup += QLatin1String("&lt;");
        else if (c == u'>')
            markup += QLatin1String("&gt;");
        else
            markup += c;
    }
    return markup;
}

} // namespace

DesktopNotifier &DesktopNotifier::current()
{
    if (!slot())
        slot() = std::make_unique<FreedesktopNotifier>();
    return *slot();
}

void DesktopNotifier::setCurrent(std::unique_ptr<DesktopNotifier> notifier)
{
    slot() = std::move(notifier);
}

FreedesktopNotifier::FreedesktopNotifier(QObject *parent)
    : DesktopNotifier(parent)
{
    QDBusConnection::sessionBus().connect(service, path, interface, QStringLiteral("ActionInvoked"),
        this, SLOT(actionInvoked(uint, QString)));
}

void FreedesktopNotifier::notify(const QString &title, const QString &body, bool withSound,
    std::function<void(uint)> done, bool offerReply)
{
    QVariantMap hints { { QStringLiteral("desktop-entry"), QStringLiteral("velto") } };
    if (withSound)
        hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    QDBusMessage call
        = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    call << QStringLiteral("Velto") << uint(0) << QStringLiteral("velto") << title
         << bodyMarkup(body)
         << (offerReply ? QStringList { QStringLiteral("default"), QStringLiteral("Show"),
                 QStringLiteral("reply"), QStringLiteral("Reply") }
                        : QStringList { QStringLiteral("default"), QStringLiteral("Show") })
         << hints << int(-1);
    // Asynchronous: a server that is slow or absent never holds the window.
    auto *watcher
        = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, done = std::move(done)](QDBusPendingCallWatcher *finished) {
            const QDBusPendingReply<uint> reply = *finished;
            finished->deleteLater();
            if (reply.isError())
                qInfo().noquote() << "No desktop notification:" << reply.error().message();
            else
                m_shown.insert(reply.value());
            if (done)
                done(reply.isError() ? 0 : reply.value());
        });
}

void FreedesktopNotifier::close(uint id)
{
    if (id == 0)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, path, interface, QStringLiteral("CloseNotification"));
    call << id;
    m_shown.remove(id);
    QDBusConnection::sessionBus().asyncCall(call);
}

void FreedesktopNotifier::actionInvoked(uint id, const QString &action)
{
    if (!m_shown.contains(id))
        return;
    if (action == u"default")
        Q_EMIT activated(id);
    else if (action == u"reply")
        Q_EMIT replyChosen(id);
}
