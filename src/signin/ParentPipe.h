#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// The sign-in program's line to the Velto that started it. The token goes
// back on standard output, the only thing ever written there: the descriptor
// is kept for the token alone and standard output itself is pointed at
// standard error, so no log line of the toolkit or the web engine reaches the
// pipe, and the web engine's own processes never inherit it. Standard input
// carries Velto's requests, one a line ("raise" brings the window forward);
// when it ends Velto has gone, and a token would reach nobody.
class ParentPipe : public QObject {
    Q_OBJECT
public:
    // Takes both descriptors and closes them when it goes.
    ParentPipe(int tokenFd, int requestFd, QObject *parent = nullptr);
    ~ParentPipe() override;
    // Standard output for the token, standard input for the requests.
    static ParentPipe *fromStandardStreams(QObject *parent = nullptr);

    // Writes the token and a line end, then closes the token's descriptor.
    // False when it could not be written whole (Velto has gone).
    bool sendToken(const QString &token);

Q_SIGNALS:
    void comeForwardAsked();
    void parentGone();

private:
    void readRequests();

    int m_tokenFd = -1;
    int m_requestFd = -1;
    QSocketNotifier *m_requests = nullptr;
    QByteArray m_pending;
};
