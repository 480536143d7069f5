#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <QThread>

// A desktop service on the test's session bus, over a connection and a
// thread of its own (so that it also answers a call that waits): a hung one
// takes every call to its object and never answers; a live one answers every
// call with an empty reply.
class BusServiceStub : public QDBusVirtualObject {
public:
    enum class Answers { never, empty };

    BusServiceStub(const QString &name, const QString &path, Answers answers = Answers::never)
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name))
        , m_name(name)
        , m_path(path)
        , m_answers(answers)
    {
        m_offered = m_bus.registerService(name)
            && m_bus.registerVirtualObject(path, this, QDBusConnection::SubPath);
        m_thread.start();
        moveToThread(&m_thread);
    }
    ~BusServiceStub() override
    {
        m_bus.unregisterObject(m_path);
        m_bus.unregisterService(m_name);
        QDBusConnection::disconnectFromBus(m_name);
        m_thread.quit();
        m_thread.wait();
    }
    bool isOffered() const { return m_offered; }

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (m_answers == Answers::empty)
            connection.send(message.createReply());
        return true;
    }

private:
    QDBusConnection m_bus;
    QString m_name;
    QString m_path;
    Answers m_answers;
    bool m_offered = false;
    QThread m_thread;
};
