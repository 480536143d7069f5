#include "service/SignIn.h"

#include "platform/AlertPresenter.h"
#include "platform/Relaunch.h"
#include "service/StoredToken.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

namespace SignIn {

QueryParameters authorisationParameters()
{
    static const QStringList scopes { QStringLiteral("stream"), QStringLiteral("email"),
        QStringLiteral("write_post"), QStringLiteral("follow"), QStringLiteral("messages"),
        QStringLiteral("export") };
    return {
        { QStringLiteral("client_id"), clientId },
        { QStringLiteral("redirect_uri"), QUrl(redirectUri).toString(QUrl::FullyEncoded) },
        { QStringLiteral("response_type"), QStringLiteral("token") },
        { QStringLiteral("scope"), scopes.join(QLatin1Char(' ')) },
    };
}

QUrl authorisationUrl(const QString &siteBase)
{
    QString base = siteBase;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return URLWithBaseURL(
        QUrl(base + QStringLiteral("/oauth/authenticate")), authorisationParameters());
}

std::optional<QString> tokenFromFragment(const QString &fragment)
{
    // Anchored at both ends with a greedy group: trailing spaces stay with
    // the token, since "(.+)" takes them before " *$" is tried.
    static const QRegularExpression pattern(QStringLiteral("^ *access_token *= *(.+) *$"));
    const QRegularExpressionMatch match = pattern.match(fragment);
    if (!match.hasMatch())
        return std::nullopt;
    const QString token = match.captured(1);
    // A token of spaces alone would sign the user in to nothing but refusals.
    if (token.trimmed().isEmpty())
        return std::nullopt;
    return token;
}

bool isRedirect(const QString &addressAsWritten)
{
    const qsizetype colon = addressAsWritten.indexOf(QLatin1Char(':'));
    return colon > 0 && QStringView(addressAsWritten).left(colon) == redirectScheme;
}

std::optional<QString> tokenFromRedirect(const QString &addressAsWritten)
{
    if (!isRedirect(addressAsWritten))
        return std::nullopt;
    const qsizetype hash = addressAsWritten.indexOf(QLatin1Char('#'));
    if (hash < 0)
        return std::nullopt;
    // The fragment as it stands: a token is sent to the service as it came.
    return tokenFromFragment(addressAsWritten.mid(hash + 1));
}

void storeToken(const QString &token, QObject *context, std::function<void()> done)
{
    StoredToken::store(token, context ? context : QCoreApplication::instance(), [done] {
        if (done)
            done();
    });
}

void forgetCredentials(QObject *context, std::function<void()> done)
{
    StoredToken::forget(context ? context : QCoreApplication::instance(), [done] {
        if (done)
            done();
    });
}

namespace {

bool &signInQuestionAsked()
{
    static bool asked = false;
    return asked;
}

} // namespace

void signInNoLongerValid()
{
    if (signInQuestionAsked()) {
        qWarning("The service still refuses the sign-in (401).");
        return;
    }
    signInQuestionAsked() = true;
    const int answer = alerts::show(alerts::localized(QStringLiteral("Sign-In No Longer Valid")),
        alerts::localized(QStringLiteral(
            "The service no longer accepts Velto's sign-in, so nothing can be loaded or sent. "
            "Sign in again to go on.")),
        { QStringLiteral("Sign In Again"), QStringLiteral("Later") }, AlertStyle::Warning);
    if (answer != 0)
        return;
    forgetCredentials(nullptr, [] { Relaunch::restartProgram(); });
}

void forgetSignInQuestion()
{
    signInQuestionAsked() = false;
}

QString addressForLog(const QUrl &address)
{
    return address.adjusted(QUrl::RemoveFragment | QUrl::RemoveUserInfo).toDisplayString();
}

} // namespace SignIn
