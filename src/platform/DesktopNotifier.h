#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

// Desktop notifications: shown by the desktop's notification server, and
// reported back when the user clicks one. Tests install their own.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Shows a notification of plain text (never markup); `done` gets its id
    // (0 when none was shown). With `offerReply`, it also offers a "Reply"
    // action where the server shows actions.
    virtual void notify(const QString &title, const QString &body, bool withSound,
        std::function<void(uint)> done = {}, bool offerReply = false)
        = 0;
    virtual void close(uint id) = 0;

    static DesktopNotifier &current();
    static void setCurrent(std::unique_ptr<DesktopNotifier> notifier);

Q_SIGNALS:
    // The user clicked the notification (its default action).
    void activated(uint id);
    // The user chose its "Reply" action.
    void replyChosen(uint id);
};

// The freedesktop.org notification server on the session bus.
class FreedesktopNotifier : public DesktopNotifier {
    Q_OBJECT
public:
    explicit FreedesktopNotifier(QObject *parent = nullptr);

    void notify(const QString &title, const QString &body, bool withSound,
        std::function<void(uint)> done = {}, bool offerReply = false) override;
    void close(uint id) override;

private Q_SLOTS:
    void actionInvoked(uint id, const QString &action);

private:
    // The server tells every client of every click: only ours count.
    QSet<uint> m_shown;
};
