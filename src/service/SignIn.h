#pragma once

#include "service/RequestBuilding.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QObject;

// Signing in through the service's own authorisation page: the page's address,
// and the token taken from the redirect to the program's own scheme.
namespace SignIn {

inline const QString clientId = QStringLiteral("Xw3kT9pLq2Vb7RmZ4sHd8NfJ6cYgAe1U");
inline const QString redirectUri = QStringLiteral("velto://done");
// The scheme of the redirect; compared case-sensitively.
inline const QString redirectScheme = QStringLiteral("velto");

// The four parameters of the authorisation page: client id, redirect URI,
// response type "token" and the six scopes joined by one space.
QueryParameters authorisationParameters();
// "<site>/oauth/authenticate?client_id=...&redirect_uri=...&response_type=token&scope=..."
QUrl authorisationUrl(const QString &siteBase);

// The token in a redirect's fragment, "access_token=<token>": spaces before
// the name and around "=" are dropped, everything after the first "="
// belongs to the token (later "&" parameters and trailing spaces too).
// Nothing when the fragment does not hold a token or the token is empty or
// only spaces.
std::optional<QString> tokenFromFragment(const QString &fragment);

// True for an address of the program's own scheme. The scheme is compared
// as it was written, since a parsed URL always has it in lower case.
bool isRedirect(const QString &addressAsWritten);
// The token a redirect address carries, if it is one of the program's own
// and holds a token.
std::optional<QString> tokenFromRedirect(const QString &addressAsWritten);

// Keeps the token (in the keyring, see StoredToken), marks the user signed
// in and writes the store; `done` runs once all of it is kept, while
// `context` (the application when none) lives.
void storeToken(const QString &token, QObject *context = nullptr, std::function<void()> done = {});
// Signs out on this machine only: the flag and the token go, the dock-icon
// setting is reset; `done` runs once the keyring has let go of the token too.
// Nothing is sent to the service.
void forgetCredentials(QObject *context = nullptr, std::function<void()> done = {});

// The service refused the token (401): once per run, an alert says the
// sign-in is no longer valid and offers to sign in again, which forgets the
// token and restarts the program at the sign-in page. Later refusals in the
// same run are only logged, so a refresh timer cannot stack alerts.
void signInNoLongerValid();
// Lets the next refusal ask again (a new run; tests).
void forgetSignInQuestion();

// An address as it may go into the diagnostic log: the fragment, which may
// hold a token, is left out.
QString addressForLog(const QUrl &address);

} // namespace SignIn
