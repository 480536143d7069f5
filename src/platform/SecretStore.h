#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

// The desktop's keyring (the Secret Service: GNOME Keyring, KWallet) as a
// place for secrets of this program, each under a key of its own. Every call
// answers later, on the window's thread, and only while `context` lives; it
// never waits for the keyring itself.
class SecretStore {
public:
    enum class Outcome {
        Done, // read (with the secret), written or deleted
        NotFound, // the keyring answered and holds nothing under the key
        NoKeyring, // none answered, it refused, or it failed; `problem` says how
    };
    struct Answer {
        Outcome outcome = Outcome::NoKeyring;
        QString secret;
        QString problem;
    };
    using Callback = std::function<void(const Answer &)>;

    // A keyring that has not answered by then counts as missing for the rest
    // of the run: later calls answer NoKeyring at once. The time a prompt
    // waits for the user does not count; a prompt left unanswered for a
    // minute is dismissed and the call answers NoKeyring.
    static constexpr std::chrono::seconds answerTimeout { 10 };

    virtual ~SecretStore() = default;
    virtual void read(const QString &key, QObject *context, Callback done) = 0;
    virtual void write(const QString &key, const QString &secret, QObject *context, Callback done)
        = 0;
    virtual void remove(const QString &key, QObject *context, Callback done) = 0;

    // The desktop's keyring, or none when VELTO_KEYRING is "off" (the token
    // then stays in the preferences file, as where no keyring answers, but
    // without saying so).
    static SecretStore *current();
    // Puts another store in place; an empty one brings back the desktop's.
    static void setCurrent(std::unique_ptr<SecretStore> store);
};
