#pragma once

// SandboxServer: runs the built velto-sandbox as a child process for a test or
// a benchmark (no test framework needed), on a free loopback port, and talks
// to its control endpoints with short blocking requests.
//
// What the sandbox offers (base = baseUrl(), e.g. http://127.0.0.1:41234):
//   base/stream/0/...       the stream API; token "demo-token" is user "demo" (id "1")
//   base/oauth/authenticate the sign-in page (client_id Xw3kT9pLq2Vb7RmZ4sHd8NfJ6cYgAe1U,
//                           redirect_uri velto://done; demo / demo, others "password")
//   base/<user>/post/<id>   permalinks;  base/  the root page (reachability probe)
//   base/create.php?format=simple&url=...   the shortener; base/s/<code> redirects
//   base/img.php (multipart field "uploaded", answers "YES <link>") and base/img/<name>;
//                           base/img/sample-1.png ... sample-8.png are always there
//   base/macpad/Velto.txt   release notes; base/macpad/<anything>.plist the version
//                           description (productVersion, productPageURL)
//   base/downloads/Velto.zip
//   base/avatars/<name>.png a PNG for any name of letters, digits, "-" and "_"
// The maker's account is user "velto", id "2".
//
// Control endpoints (no token needed, never subject to faults; JSON bodies):
//   POST   /_sandbox/faults   {"path": "/stream/0/posts/stream", "method": "GET",
//                             "status": 500, "delayMs": 0, "badJson": false,
//                             "drop": false, "times": 1}
//          path is matched exactly, or as a prefix when it ends in "*"; method is
//          optional (any method); times 0 or less: until cleared. Effects: wait
//          delayMs, then close the connection without an answer (drop), or answer
//          `status` with an error object, or a body that is not JSON (badJson,
//          status 200 unless given); with only delayMs the request is served
//          normally after the wait. An injected answer changes no state.
//          Answers {"ok": true, "id": n}; 400 with a message for a bad fault.
//   GET    /_sandbox/faults   the active faults;  DELETE /_sandbox/faults  clears them
//   POST   /_sandbox/reset    back to the seeded world; clears faults, issued tokens,
//                             uploads, short links and the request log
//   GET    /_sandbox/requests the last 500 requests served (method, path, query as
//                             sent, headers, body, status; 0 = dropped);
//   DELETE /_sandbox/requests clears that log
//   POST   /_sandbox/tokens   {"username": "alice"} -> {"access_token", "user_id"}
//   POST   /_sandbox/mention  {"from": "alice", "text": "..."} (both optional): a new
//                             post mentioning the demo user, answered as a post object
//   POST   /_sandbox/version  {"version": "0.3.0" or null, "notes": "..."}: what the
//                             maker's site announces (default "0.2.0")
//   GET    /_sandbox/state    the whole state as saved by --state

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

class SandboxServer {
public:
    struct Reply {
        int status = 0;   // 0: no answer
        QList<QPair<QByteArray, QByteArray>> headers;  // names in lower case
        QByteArray body;
        QByteArray header(const QByteArray &lowerCaseName) const;
        QJsonObject json() const;
        QJsonArray jsonArray() const;
    };

    SandboxServer();
    ~SandboxServer();
    SandboxServer(const SandboxServer &) = delete;
    SandboxServer &operator=(const SandboxServer &) = delete;

    // Starts the binary with "--port 0 --quiet" and `extraArgs` (a later
    // "--port N" wins) and waits up to 15 s for its listening line.
    bool start(QStringList extraArgs = {});
    void stop();
    bool isRunning() const;
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    QUrl baseUrl() const;
    QString apiBase() const;           // base + "/stream/0"
    QString token() const;             // "demo-token"

    // Points the six VELTO_* variables at this sandbox.
    void setEnvironment() const;

    bool injectFault(const QString &path, int status, int delayMs = 0, bool badJson = false,
                     bool drop = false, int times = 1);
    bool clearFaults();
    bool reset();

    QString issueToken(const QString &username);
    QJsonObject postMention(const QString &from = {}, const QString &text = {});
    QJsonArray requests();
    bool clearRequests();
    bool setLatestVersion(const QString &version);  // empty: the description names none

    // A blocking request to the sandbox (HTTP/1.1, one connection, closed after
    // the answer). `target` is the path with any query, e.g. "/stream/0/users/me".
    Reply request(const QByteArray &method, const QByteArray &target, const QByteArray &body = {},
                  const QList<QPair<QByteArray, QByteArray>> &headers = {}, int timeoutMs = 10000) const;
    // The same with "Authorization: Bearer <token()>".
    Reply api(const QByteArray &method, const QByteArray &apiPath, const QByteArray &body = {}) const;

private:
    Reply control(const QByteArray &method, const QByteArray &path, const QJsonObject &body = {});

    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
