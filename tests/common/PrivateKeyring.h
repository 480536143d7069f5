#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <optional>

namespace testsupport {

// A keyring of the test's own: gnome-keyring-daemon, unlocked, with its files
// in a fresh private folder (or, when asked for none, no keyring at all), on
// a private session bus on which nothing starts on demand, so never the
// user's own keyring daemon. While it lives, the program's keyring is in use
// (the tests turn it off otherwise). The bus is one per test process; the
// keyrings of its tests come and go on it.
class PrivateKeyring {
public:
    enum class Daemon { Unlocked, None };
    explicit PrivateKeyring(Daemon daemon = Daemon::Unlocked);
    ~PrivateKeyring();
    PrivateKeyring(const PrivateKeyring &) = delete;
    PrivateKeyring &operator=(const PrivateKeyring &) = delete;

    // Empty when the bus (and the daemon asked for) are up; else what failed.
    QString problem() const { return m_problem; }
    // The private bus, for a fake keyring of a test's own.
    static QString busAddress();

    // What Velto's entry under `key` holds, read by the keyring's own tool;
    // nothing when there is no such entry.
    std::optional<QString> secret(const QString &key) const;
    // Locks the keyring; with nobody on the bus to ask for the password, it
    // refuses every write.
    bool lock() const;
    // Stops and continues the daemon: a keyring that does not answer.
    void pause(bool paused);

private:
    QProcessEnvironment environment() const;

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_problem;
};

} // namespace testsupport
