#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>

// A desktop service that is on the test's session bus but hung: it holds its
// name and takes every call to its object without ever answering.
class SilentBusService : public QDBusVirtualObject {
public:
    SilentBusService(const QString &name, const QString &path)
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name))
        , m_name(name)
        , m_path(path)
    {
        m_offered = m_bus.registerService(name)
            && m_bus.registerVirtualObject(path, this, QDBusConnection::SubPath);
    }
    ~SilentBusService() override
    {
        m_bus.unregisterObject(m_path);
        m_bus.unregisterService(m_name);
        QDBusConnection::disconnectFromBus(m_name);
    }
    bool isOffered() const { return m_offered; }

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &, const QDBusConnection &) override { return true; }

private:
    QDBusConnection m_bus;
    QString m_name;
    QString m_path;
    bool m_offered = false;
};
