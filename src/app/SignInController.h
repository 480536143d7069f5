#pragma once

#include <QByteArray>
#include <QObject>

#include <QProcess>
#include <functional>

// Signing in and out. Signed out, Velto shows no window of its own: it starts
// the sign-in program (velto-signin, which alone loads the web engine) on the
// service's authorisation page and reads the token from the program's
// standard output, one line, so it never passes through a file or a command
// line. The token is stored and written at once and the program restarts,
// signed in. Signing out forgets the token here and restarts.
class SignInController : public QObject {
    Q_OBJECT
public:
    explicit SignInController(QObject *parent = nullptr);
    ~SignInController() override;

    // Starts the sign-in program on the authorisation page; while it runs,
    // brings its window forward instead.
    void showSignIn();
    bool isSigningIn() const;
    // The sign-in program's process while it runs, else 0.
    qint64 processId() const;
    // Asks the sign-in program to bring its window forward.
    void bringForward();

    // VELTO_SIGNIN_PROGRAM when set, else velto-signin beside this program.
    static QString programPath();

    // Asks, then signs out, runs `forgetMore` (what else is the user's to
    // forget) and restarts the program.
    static void revokeCredentials(const std::function<void()> &forgetMore = {});

Q_SIGNALS:
    // The user quit the sign-in, or it cannot go on: the program ends.
    void quitRequested();

private:
    void readToken();
    void ended(int exitCode, QProcess::ExitStatus status);
    void failedToStart();
    void discardProcess();

    QProcess *m_process = nullptr;
    QByteArray m_output;
    bool m_tokenTaken = false;
};
