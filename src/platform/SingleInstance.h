#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalSocket;

// One running program per profile: two would write the same files. The
// first start holds a lock file in the runtime folder, named after the
// profile's folders, and listens on a local socket beside it; a later start
// on the same profile asks it over the socket to come forward and ends.
// While the running program quits it no longer answers, so a start that
// follows a quit (a relaunch) waits for the lock instead.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `profile` names the files the program writes (any text that differs
    // between profiles and is equal for one).
    explicit SingleInstance(const QString &profile, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the program on its profile; false when
    // another one runs there and has been asked to come forward, or holds
    // the profile without answering for `patienceMs`.
    bool claim(int patienceMs = 10000);

    QString socketPath() const { return m_socketPath; }

Q_SIGNALS:
    // Another start on this profile asked this program to come forward.
    void secondStartAsked();

private:
    bool askRunningToComeForward();
    void listen();
    void answer(QLocalSocket *socket);

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer m_server;
};
