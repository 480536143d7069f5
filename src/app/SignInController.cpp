#include "app/SignInController.h"

#include "core/OutsideAddresses.h"
#include "platform/AlertPresenter.h"
#include "platform/Relaunch.h"
#include "service/SignIn.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

const QString revokeTitle = QStringLiteral("Revoke Credentials");
const QString revokeText = QStringLiteral(
    "This will revoke your current credentials and you will have to log in again in order to "
    "continue to use Velto and AppDotNet. Do you really want to do this?");
const QString endedTitle = QStringLiteral("Sign-In Ended");
const QString endedText = QStringLiteral(
    "The sign-in window closed before the sign-in was complete. Retry to sign in.");
const QString missingTitle = QStringLiteral("Cannot Sign In");
const QString missingText
    = QStringLiteral("Velto cannot show the sign-in page: the sign-in program %1 is missing or "
                     "cannot be started (%2). Install Velto again to sign in.");

// Far more than any token: a program that writes on without a line end is
// not listened to.
constexpr qsizetype longestLine = 64 * 1024;

} // namespace

SignInController::SignInController(QObject *parent)
    : QObject(parent)
{
}

SignInController::~SignInController()
{
    if (!m_process)
        return;
    m_process->disconnect(this);
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(3000)) {
            m_process->kill();
            m_process->waitForFinished(3000);
        }
    }
}

QString SignInController::programPath()
{
    const QString chosen = qEnvironmentVariable("VELTO_SIGNIN_PROGRAM");
    return chosen.isEmpty()
        ? QCoreApplication::applicationDirPath() + QStringLiteral("/velto-signin")
        : chosen;
}

bool SignInController::isSigningIn() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

qint64 SignInController::processId() const
{
    return isSigningIn() ? m_process->processId() : 0;
}

void SignInController::showSignIn()
{
    if (isSigningIn()) {
        bringForward();
        return;
    }
    discardProcess();
    m_process = new QProcess(this);
    // What it logs is Velto's log; its standard output is the token's alone.
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &SignInController::readToken);
    connect(m_process, &QProcess::finished, this, &SignInController::ended);
    // Queued: the alert is not shown from inside start().
    connect(
        m_process, &QProcess::errorOccurred, this,
        [this, process = m_process](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart && process == m_process)
                failedToStart();
        },
        Qt::QueuedConnection);
    const QUrl page = SignIn::authorisationUrl(OutsideAddresses::current().siteBase);
    m_process->start(programPath(), { page.toString(QUrl::FullyEncoded) });
}

void SignInController::bringForward()
{
    if (isSigningIn())
        m_process->write("raise\n");
}

void SignInController::readToken()
{
    m_output += m_process->readAllStandardOutput();
    const qsizetype end = m_output.indexOf('\n');
    if (end < 0) {
        if (m_output.size() > longestLine)
            m_output.clear();
        return;
    }
    const QString token = QString::fromUtf8(m_output.left(end));
    m_output.fill('\0');
    m_output.clear();
    if (m_tokenTaken || token.trimmed().isEmpty())
        return;
    m_tokenTaken = true;
    // The restart waits for the keyring: the new start must find the token.
    SignIn::storeToken(token, this, [] { Relaunch::restartProgram(); });
}

void SignInController::ended(int exitCode, QProcess::ExitStatus status)
{
    if (m_tokenTaken)
        return;
    if (status == QProcess::NormalExit && exitCode == 0) {
        Q_EMIT quitRequested();
        return;
    }
    if (status == QProcess::CrashExit)
        qWarning("The sign-in program ended abnormally.");
    else
        qWarning("The sign-in program ended with status %d.", exitCode);
    const int answer = alerts::show(alerts::localized(endedTitle), alerts::localized(endedText),
        { QStringLiteral("Retry"), QStringLiteral("Quit") }, AlertStyle::Warning);
    if (answer == 0)
        showSignIn();
    else
        Q_EMIT quitRequested();
}

void SignInController::failedToStart()
{
    qWarning().noquote() << "Cannot start the sign-in program" << m_process->program() << ":"
                         << m_process->errorString();
    alerts::show(alerts::localized(missingTitle),
        alerts::localized(missingText).arg(m_process->program(), m_process->errorString()),
        { QStringLiteral("Quit") }, AlertStyle::Critical);
    Q_EMIT quitRequested();
}

void SignInController::discardProcess()
{
    if (!m_process)
        return;
    m_process->disconnect(this);
    m_process->deleteLater();
    m_process = nullptr;
}

void SignInController::revokeCredentials(const std::function<void()> &forgetMore)
{
    const int answer = alerts::show(alerts::localized(revokeTitle), alerts::localized(revokeText),
        { QStringLiteral("Revoke"), QStringLiteral("Cancel") });
    if (answer != 0)
        return;
    if (forgetMore)
        forgetMore();
    SignIn::forgetCredentials(nullptr, [] { Relaunch::restartProgram(); });
}
