#pragma once

#include <QObject>

// Tells when the machine is about to sleep and when it has woken, from
// logind's PrepareForSleep signal on the system bus. Without a system bus or
// logind nothing is reported (one line is logged).
class SleepWatcher : public QObject {
    Q_OBJECT
public:
    explicit SleepWatcher(QObject *parent = nullptr);
    bool isConnected() const { return m_connected; }

Q_SIGNALS:
    void willSleep();
    void didWake();

private Q_SLOTS:
    void prepareForSleep(bool sleeping);

private:
    bool m_connected = false;
};
