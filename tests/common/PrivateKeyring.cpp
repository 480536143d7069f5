#include "PrivateKeyring.h"

#include "TestSupport.h"

#include "platform/SecretService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>

#include <csignal>
#include <sys/prctl.h>

namespace testsupport {

namespace {

const QString secretsName = QStringLiteral("org.freedesktop.secrets");
const QString loginCollection = QStringLiteral("/org/freedesktop/secrets/collection/login");

// No <servicedir>: a name nobody owns stays unowned.
constexpr char busConfig[] = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

// Children end with this process, also when a test crashes.
void endWithParent(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

struct PrivateBus {
    QTemporaryDir dir;
    QProcess process;
    QString address;
    QString problem;

    PrivateBus()
    {
        const QString config = dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(QString::fromLatin1(busConfig).arg(dir.path()).toUtf8()) < 0) {
            problem = QStringLiteral("cannot write ") + config;
            return;
        }
        file.close();
        endWithParent(process);
        process.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1") });
        if (!process.waitForStarted() || !process.waitForReadyRead(10000)
            || !process.canReadLine()) {
            problem = QStringLiteral("dbus-daemon did not start: ") + process.errorString();
            return;
        }
        address = QString::fromUtf8(process.readLine().trimmed());
    }

    static inline const QString checkName = QStringLiteral("keyring-check");
};

// Started on first use and kept to the end of the process.
PrivateBus &privateBus()
{
    static PrivateBus bus;
    return bus;
}

QDBusConnection checkConnection()
{
    return QDBusConnection::connectToBus(privateBus().address, PrivateBus::checkName);
}

} // namespace

PrivateKeyring::PrivateKeyring(Daemon daemon)
{
    PrivateBus &bus = privateBus();
    if (!bus.problem.isEmpty()) {
        m_problem = bus.problem;
        return;
    }
    // The program's keyring speaks over a connection to this bus; its other
    // services (notifications, portals) stay on the test's session bus.
    SecretStore::setCurrent(std::make_unique<SecretService>(
        QDBusConnection::connectToBus(bus.address, QStringLiteral("keyring"))));
    if (daemon == Daemon::None)
        return;

    m_daemon.setProcessEnvironment(environment());
    endWithParent(m_daemon);
    m_daemon.start(QStringLiteral("gnome-keyring-daemon"),
        { QStringLiteral("--foreground"), QStringLiteral("--unlock"),
            QStringLiteral("--components=secrets") });
    m_daemon.write("test-password");
    m_daemon.closeWriteChannel();
    if (!waitUntil(
            [&] { return checkConnection().interface()->isServiceRegistered(secretsName).value(); },
            std::chrono::seconds(10)))
        m_problem = QStringLiteral("gnome-keyring-daemon did not come: ")
            + QString::fromLocal8Bit(m_daemon.readAllStandardError());
}

QString PrivateKeyring::busAddress()
{
    return privateBus().address;
}

PrivateKeyring::~PrivateKeyring()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        pause(false);
        m_daemon.kill();
        m_daemon.waitForFinished();
        // Gone from the bus before the next daemon comes.
        waitUntil([] {
            return !checkConnection().interface()->isServiceRegistered(secretsName).value();
        });
    }
    SecretStore::setCurrent(nullptr);
}

QProcessEnvironment PrivateKeyring::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), privateBus().address);
    for (const char *name : { "HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR" })
        env.insert(QString::fromLatin1(name), m_dir.path());
    return env;
}

std::optional<QString> PrivateKeyring::secret(const QString &key) const
{
    QProcess tool;
    tool.setProcessEnvironment(environment());
    tool.start(QStringLiteral("secret-tool"),
        { QStringLiteral("lookup"), QStringLiteral("server"), QStringLiteral("Velto"),
            QStringLiteral("user"), key });
    tool.waitForFinished(10000);
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(tool.readAllStandardOutput());
}

bool PrivateKeyring::lock() const
{
    QDBusMessage call
        = QDBusMessage::createMethodCall(secretsName, QStringLiteral("/org/freedesktop/secrets"),
            QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"));
    call << QVariant::fromValue(QList<QDBusObjectPath> { QDBusObjectPath(loginCollection) });
    return checkConnection().call(call).type() == QDBusMessage::ReplyMessage;
}

void PrivateKeyring::pause(bool paused)
{
    if (m_daemon.state() != QProcess::NotRunning)
        ::kill(pid_t(m_daemon.processId()), paused ? SIGSTOP : SIGCONT);
}

} // namespace testsupport
