#include "PrivateKeyring.h"

#include "TestSupport.h"

#include "platform/SecretStore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QLibrary>

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

template <typename F> F glibFunction(const char *library, const char *name)
{
    return reinterpret_cast<F>(QLibrary::resolve(QString::fromLatin1(library), 0, name));
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

    // The keyring library reaches the bus through GLib's shared session
    // connection, which by default ends the process when its bus goes away
    // (here at the process's own end). Held from the first keyring on; false
    // when this process already talks to another session bus.
    bool holdSessionConnection()
    {
        if (held)
            return true;
        using BusGet = void *(*)(int, void *, void **);
        auto busGet = glibFunction<BusGet>("gio-2.0", "g_bus_get_sync");
        auto setExitOnClose
            = glibFunction<void (*)(void *, int)>("gio-2.0", "g_dbus_connection_set_exit_on_close");
        auto uniqueName
            = glibFunction<const char *(*)(void *)>("gio-2.0", "g_dbus_connection_get_unique_name");
        void *connection = busGet ? busGet(2 /* G_BUS_TYPE_SESSION */, nullptr, nullptr) : nullptr;
        if (!connection || !setExitOnClose || !uniqueName)
            return false;
        setExitOnClose(connection, 0);
        const QDBusConnection check = QDBusConnection::connectToBus(address, checkName);
        held = check.interface()->isServiceRegistered(QString::fromUtf8(uniqueName(connection)));
        return held;
    }

    bool held = false;
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
    // The toolkit's own session bus (notifications, portals) stays the
    // test's: it is opened, if it was not yet, before the address changes.
    QDBusConnection::sessionBus();
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        m_oldAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8());
    if (!bus.holdSessionConnection()) {
        m_problem = QStringLiteral("this process already uses another session bus for keyrings");
        return;
    }
    qunsetenv("VELTO_KEYRING");
    SecretStore::setCurrent(nullptr);
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

PrivateKeyring::~PrivateKeyring()
{
    // The keyring library opens its next session with the next daemon.
    if (auto disconnect = glibFunction<void (*)()>("secret-1", "secret_service_disconnect"))
        disconnect();
    if (m_daemon.state() != QProcess::NotRunning) {
        pause(false);
        m_daemon.kill();
        m_daemon.waitForFinished();
        // Gone from the bus before the next daemon comes.
        waitUntil([] {
            return !checkConnection().interface()->isServiceRegistered(secretsName).value();
        });
    }
    if (m_oldAddress.isNull())
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    else
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_oldAddress);
    qputenv("VELTO_KEYRING", "off");
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
