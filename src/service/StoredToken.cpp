#include "service/StoredToken.h"

#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "platform/SecretStore.h"

#include <QDebug>
#include <QUrl>

namespace StoredToken {

namespace {

using Outcome = SecretStore::Outcome;

Preferences &preferences()
{
    return Preferences::standard();
}

QString fileToken()
{
    return preferences().value(prefs::accessToken).value_or(QString());
}

void keepInFile(const QString &token)
{
    Preferences &p = preferences();
    p.setValue(prefs::accessToken, token);
    p.setValue(prefs::isUserAuthDone, true);
    // Written at once: the program restarts next and must find it.
    p.sync();
}

void logMissing(const char *what, const SecretStore::Answer &answer)
{
    // The keyring's own words name the failure, never the secret.
    qWarning().noquote() << "No keyring:" << what << QStringLiteral("(%1)").arg(answer.problem);
}

// The file's token into the keyring, confirmed by reading it back before the
// file lets go of it.
void migrate(SecretStore &store, const QString &token, QObject *context,
    const std::function<void(const Loaded &)> &done)
{
    const QString key = keyringKey();
    store.write(key, token, context,
        [&store, token, key, context, done](const SecretStore::Answer &written) {
            if (written.outcome != Outcome::Done) {
                logMissing("the token stays in the preferences file", written);
                done({ token, true });
                return;
            }
            store.read(key, context, [token, done](const SecretStore::Answer &read) {
                if (read.outcome != Outcome::Done || read.secret != token) {
                    if (read.outcome == Outcome::Done)
                        qWarning("The keyring gave back another token than it was given; the "
                                 "preferences file keeps the token.");
                    else
                        logMissing("the token stays in the preferences file", read);
                    done({ token, true });
                    return;
                }
                preferences().remove(prefs::accessToken);
                preferences().sync();
                done({ token, false });
            });
        });
}

} // namespace

QString keyringKey()
{
    const QUrl api(OutsideAddresses::current().apiBase);
    QString host = api.host();
    if (api.port() != -1)
        host += QLatin1Char(':') + QString::number(api.port());
    return host + QLatin1Char(' ') + preferences().filePath();
}

void load(QObject *context, std::function<void(const Loaded &)> done)
{
    SecretStore *store = SecretStore::current();
    const QString inFile = fileToken();
    if (!store) {
        done({ inFile, false });
        return;
    }
    if (!inFile.isEmpty()) {
        migrate(*store, inFile, context, done);
        return;
    }
    store->read(keyringKey(), context, [done](const SecretStore::Answer &read) {
        if (read.outcome == Outcome::NoKeyring)
            logMissing("the token cannot be read", read);
        done({ read.secret, read.outcome == Outcome::NoKeyring });
    });
}

void store(const QString &token, QObject *context, std::function<void()> done)
{
    SecretStore *keyring = SecretStore::current();
    if (!keyring) {
        keepInFile(token);
        done();
        return;
    }
    keyring->write(keyringKey(), token, context, [token, done](const SecretStore::Answer &written) {
        if (written.outcome != Outcome::Done) {
            logMissing("the token is kept in the preferences file", written);
            keepInFile(token);
        } else {
            Preferences &p = preferences();
            // An older token left in the file would be taken over at the next start.
            p.remove(prefs::accessToken);
            p.setValue(prefs::isUserAuthDone, true);
            p.sync();
        }
        done();
    });
}

void forget(QObject *context, std::function<void()> done)
{
    Preferences &p = preferences();
    p.setValue(prefs::isUserAuthDone, false);
    p.remove(prefs::accessToken);
    p.setValue(prefs::launchAsAgentApp, false);
    p.sync();
    SecretStore *keyring = SecretStore::current();
    if (!keyring) {
        done();
        return;
    }
    keyring->remove(keyringKey(), context, [done](const SecretStore::Answer &removed) {
        if (removed.outcome == Outcome::NoKeyring)
            logMissing("its entry for Velto may remain", removed);
        done();
    });
}

} // namespace StoredToken
