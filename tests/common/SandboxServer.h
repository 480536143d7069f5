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
//                           base/img/sample-1.png ... sample-8.png are always there;
//                           slow-1.png ... slow-8.png are the same, answered 8 s late;
//                           broken.png is text sent as image/png; huge.png a
//                           decompression bomb (20000 x 20000 pixels in a few KB)
//   base/pictures/photo-N.jpg  sample N as "another site" (reach it as localhost)
//   base/macpad/Velto.txt   release notes; base/macpad/<anything>.plist the version
//                           description (productVersion, productPageURL)
//   base/downloads/Velto.zip
//   base/avatars/<name>.png a PNG for any name of letters, digits, "-" and "_"
// The maker's account is user "velto", id "2".
//
// Command-line options besides --port, --seed, --state, --demo, --quiet and
// --mention-interval: --latency MS and --latency-jitter MS (each 0 to 60000,
// default 0) make every answer but the control routes' wait MS, plus a fresh
// draw of 0 to jitter ms, before it goes out, as a distant service would.
//
// Control endpoints (no token needed, never subject to faults or latency; JSON bodies):
//   POST   /_sandbox/faults   {"path": "/stream/0/posts/stream", "method": "GET",
//                             "status": 500, "delayMs": 0, "badJson": false,
//                             "drop": false, "times": 1}
//          path is matched exactly, or as a prefix when it ends in "*"; method is
//          optional (any method); times 0 or less: until cleared. Effects: wait
//          delayMs (0 to 120000, on top of the latency), then close the connection
//          without an answer (drop), or answer `status` with an error object, or a
//          body that is not JSON (badJson, status 200 unless given); with only
//          delayMs the request is served normally after the wait. An injected
//          answer changes no state. Further fields (at most one of badJson, body,
//          chunks and hostile; none of them with drop):
//            "body": "NO" (a string, sent as UTF-8) or a JSON object or array (sent as
//                compact JSON); answered with `status` (default 200) and
//                "contentType" (default "text/plain; charset=utf-8" for a string,
//                "application/json; charset=utf-8" for JSON). "body": "" is an empty answer.
//            "chunks": ["Y", "ES"], "chunkDelayMs": 300 (default 100, 0 to 120000):
//                one body sent as separate writes, the first right after the headers,
//                then one per pause; Content-Length is the whole; status and
//                contentType as for body.
//            "trickleMs": 5000 (1 to 600000), "trickleBytes": 1 (default, up to
//                1048576): the headers at once, then that many bytes of the body every
//                trickleMs, for whatever is answered (served or injected; not with
//                chunks). Ends when the body is sent or the client goes away; other
//                requests are served meanwhile.
//            "hostile": a generated JSON answer of stream posts (status default 200),
//                each a copy of a stored post as the viewer sees it under an id from
//                999999999 down (never a stored post's id), without reply_to:
//                "longWord"        one post whose text is one word of 200000 letters
//                "denseEntities"   one post whose text is "#tag @alice a.com " 11000
//                                  times, with all 33000 entities
//                "deepNesting"     not posts: 100000 arrays nested in one another
//                "hugeAnswer"      a valid array of posts of at most "sizeBytes"
//                                  (default 50000000, 1 to 536870912; at least one
//                                  post); made once per size and streamed out
//                "postsWithoutIds" seven posts: complete; no "id"; no "user"; no
//                                  "text"/"html"; id, user, text null; id "", user {},
//                                  text ""; complete
//                "badDates"        nine posts with created_at "YESTERDAY", "",
//                                  "2024-13-45T25:61:61Z", "2024-02-30T12:00:00Z",
//                                  "1700000000", 1700000000, null, an HTTP date, none
//                "longIds"         five posts with 40-digit ids, thread ids and user ids;
//                                  each after the first replies to the one before
//          Answers {"ok": true, "id": n}; 400 with a message for a bad fault.
//   GET    /_sandbox/faults   the active faults;  DELETE /_sandbox/faults  clears them
//   GET    /_sandbox/latency  {"ms": 0, "jitterMs": 0}
//   POST   /_sandbox/latency  {"ms": 300, "jitterMs": 50} (jitterMs optional, default 0;
//                             each 0 to 60000): answers {"ok": true, "ms", "jitterMs"}
//   POST   /_sandbox/reset    back to the seeded world; clears faults, issued tokens,
//                             uploads, short links and the request log; the latency
//                             goes back to the command line's
//   GET    /_sandbox/requests the last 500 requests served (method, path, query as
//                             sent, headers, body, status; 0 = dropped);
//   DELETE /_sandbox/requests clears that log
//   POST   /_sandbox/tokens   {"username": "alice"} -> {"access_token", "user_id"}
//   POST   /_sandbox/mention  {"from": "alice", "text": "..."} (both optional): a new
//                             post mentioning the demo user, answered as a post object;
//                             with "count": 1500 (1 to 20000) that many at once, answered
//                             {"ok": true, "count": n, "ids": ["...", ...]} oldest first
//   POST   /_sandbox/pictures five mentions of the demo user linking pictures: a good
//                             one, broken.png, slow-5.png, huge.png and one on localhost;
//                             answers {"ok": true, "count": 5, "ids": [...]}
//   POST   /_sandbox/following {"count": 5000} (1 to 20000): that many made-up users
//                             (valid names of at most 20 characters, avatars, password
//                             "password"), followed by the demo user; answers {"ok": true,
//                             "count", "ids", "usernames"}. Lists still answer their first
//                             page (count, default 50, at most 200).
//   POST   /_sandbox/followers {"count": N}: the same, the new users following the demo user
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
        int status = 0; // 0: no answer
        QList<QPair<QByteArray, QByteArray>> headers; // names in lower case
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
    qint64 processId() const { return m_process.processId(); }
    QUrl baseUrl() const;
    QString apiBase() const; // base + "/stream/0"
    QString token() const; // "demo-token"

    // Points the six VELTO_* variables at this sandbox.
    void setEnvironment() const;

    bool injectFault(const QString &path, int status, int delayMs = 0, bool badJson = false,
        bool drop = false, int times = 1);
    // Any fault as POST /_sandbox/faults takes it; its id, or 0 when refused.
    int addFault(const QJsonObject &fault);
    // An answer of our own: `body` (UTF-8 text) with that type and status.
    bool injectAnswer(const QString &path, const QByteArray &body,
        const QByteArray &contentType = "text/plain; charset=utf-8", int status = 200,
        int times = 1);
    // One text body sent in these pieces, `chunkDelayMs` apart.
    bool injectChunks(const QString &path, const QList<QByteArray> &chunks, int chunkDelayMs = 100,
        int times = 1);
    // The normal answer, its body `trickleBytes` every `trickleMs`.
    bool injectTrickle(const QString &path, int trickleMs, int trickleBytes = 1, int times = 1);
    bool clearFaults();
    bool reset();

    bool setLatency(int ms, int jitterMs = 0);
    int latencyMs(); // -1 when the sandbox does not answer

    QJsonObject postMention(const QString &from = {}, const QString &text = {});
    // `count` new mentions of the demo user at once; their ids, oldest first.
    QStringList postMentions(int count, const QString &from = {});
    QJsonArray requests();
    // How many of the logged requests had this method and exactly this path.
    int requestCount(const QString &method, const QString &path);
    bool clearRequests();
    bool setLatestVersion(const QString &version); // empty: the description names none

    // A blocking request to the sandbox (HTTP/1.1, one connection, closed after
    // the answer). `target` is the path with any query, e.g. "/stream/0/users/me".
    Reply request(const QByteArray &method, const QByteArray &target, const QByteArray &body = {},
        const QList<QPair<QByteArray, QByteArray>> &headers = {}, int timeoutMs = 10000) const;
    // The same with "Authorization: Bearer <token()>".
    Reply api(
        const QByteArray &method, const QByteArray &apiPath, const QByteArray &body = {}) const;

private:
    Reply control(const QByteArray &method, const QByteArray &path, const QJsonObject &body = {},
        int timeoutMs = 10000);

    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
