#pragma once

#include <QObject>
#include <QString>

#include <functional>

// Where the bearer token is kept between runs. Where the desktop has a
// keyring, it holds the token; the preferences file keeps "access_token"
// only where no keyring answers (or where VELTO_KEYRING=off turns the
// keyring off). The flag "isUserAuthDone" stays in the file either way.
//
// The keyring entry belongs to the service "Velto"; its key names the API's
// host (and port) and the preferences file, e.g.
// "api.example.net /home/ann/.config/Velto/Velto.conf". One preferences file
// holds one sign-in, so the pair names the account: a second account (in a
// profile of its own) or another service gets an entry of its own, and a
// start finds its entry before it knows anything from the service.
//
// Every answer comes later on the window's thread, and only while `context`
// lives; without a keyring it comes at once.
namespace StoredToken {

struct Loaded {
    QString token; // empty when none is known
    // No keyring answered: the token, if any, stays in the file this run.
    bool keyringMissing = false;
};

QString keyringKey();

// At a signed-in start. A token found in the file is moved into a working
// keyring: written, read back to confirm, only then removed from the file;
// any failure leaves the file as it was.
void load(QObject *context, std::function<void(const Loaded &)> done);

// After a sign-in: the token goes to the keyring, or to the file where none
// answers, and the user counts as signed in. Everything is on disk when
// `done` runs.
void store(const QString &token, QObject *context, std::function<void()> done);

// Signs out on this machine: the flag and the file's token go at once, the
// keyring's entry after; `done` runs when the keyring has answered.
void forget(QObject *context, std::function<void()> done);

} // namespace StoredToken
