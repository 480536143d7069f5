#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

const QByteArray comeForward = "come-forward\n";
const QByteArray cameForward = "came-forward\n";

QString runtimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

QString profileName(const QString &profile)
{
    return QStringLiteral("velto-")
        + QString::fromLatin1(QCryptographicHash::hash(profile.toUtf8(), QCryptographicHash::Sha256)
                                  .toHex()
                                  .left(16));
}

} // namespace

SingleInstance::SingleInstance(const QString &profile, QObject *parent)
    : QObject(parent)
    , m_socketPath(runtimeFolder() + QLatin1Char('/') + profileName(profile))
    , m_lock(m_socketPath + QStringLiteral(".lock"))
{
    // Held as long as the program runs, however long that is; a lock whose
    // process has gone is taken over.
    m_lock.setStaleLockTime(0);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
    if (QCoreApplication *application = QCoreApplication::instance()) {
        // A quitting program is no longer the one to bring forward.
        connect(application, &QCoreApplication::aboutToQuit, this, [this] { m_server.close(); });
    }
}

SingleInstance::~SingleInstance()
{
    m_server.close();
}

bool SingleInstance::claim(int patienceMs)
{
    const QDeadlineTimer deadline(patienceMs);
    for (;;) {
        if (m_lock.tryLock(0)) {
            listen();
            return true;
        }
        if (askRunningToComeForward()) {
            qInfo("Velto already runs on this profile: brought it forward");
            return false;
        }
        if (deadline.hasExpired()) {
            qWarning().noquote() << "Velto already runs on this profile and does not answer (lock"
                                 << m_lock.fileName() << "held)";
            return false;
        }
        QThread::msleep(100);
    }
}

bool SingleInstance::askRunningToComeForward()
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(comeForward);
    if (!socket.waitForBytesWritten(1000))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(3000))
            return false;
    }
    return socket.readLine() == cameForward;
}

void SingleInstance::listen()
{
    // Holding the lock, a socket file left here is one nobody listens on.
    QLocalServer::removeServer(m_socketPath);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_socketPath))
        qWarning().noquote() << "Cannot listen on" << m_socketPath << ":" << m_server.errorString();
}

void SingleInstance::answer(QLocalSocket *socket)
{
    while (socket->canReadLine()) {
        if (socket->readLine() != comeForward)
            continue;
        qInfo("a second start on this profile: coming forward");
        Q_EMIT secondStartAsked();
        socket->write(cameForward);
        socket->flush();
    }
}
