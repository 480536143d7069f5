#pragma once

// ScriptedHttpServer: a small HTTP/1.1 server on a free 127.0.0.1 port whose
// answers a test or a benchmark writes by hand, for what the sandbox cannot
// stage: exact headers, broken or slow connections, answers held back until
// the test releases them. Needs no test framework.
//
//     ScriptedHttpServer server;
//     server.route("/a.png", Reply::answer(200, png, "image/png"));
//     server.route("/moved", Reply::redirect("/a.png"));
//     server.route("/slow", Reply::answer(200, QByteArray(100000, 'x')).trickled(50));
//     server.setHandler([](const Request &r) { return Reply::json(200, r.body); });
//     ... server.url("/a.png") ...; server.requests(); server.hits("/a.png");
//
// Which answer a request gets: the route for its path (the target without the
// query), else the handler; by default the handler answers 404.
// Each answer carries the reply's headers in the order given, then
// "Content-Length" (unless given, or the status is 204 or 304) and, unless
// keep-alive is on, "Connection: close"; a HEAD request gets no body.
// One request per connection unless setKeepAlive(true).
// The records can be read from any thread; scripting belongs to the thread
// the server lives on (see ScriptedHttpServerThread).

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QThread>
#include <QUrl>

#include <functional>
#include <utility>

class QTcpSocket;

class ScriptedHttpServer : public QObject {
public:
    using Headers = QList<std::pair<QByteArray, QByteArray>>;

    // One request as it arrived on the wire: nothing decoded, headers in the
    // order they were sent.
    struct Request {
        QByteArray method;
        QByteArray target; // path and query, exactly as sent
        Headers headers;
        QByteArray body;

        QByteArray path() const; // the target without its query
        QByteArray header(const QByteArray &name) const; // case-insensitive; empty when absent
        int headerIndex(const QByteArray &name) const; // position among the headers, -1 when absent
    };

    struct Reply {
        enum class Kind {
            Answer, // status line, headers, body
            Close, // close the connection without a word
            Hang, // say nothing until answerHanging() or the client gives up
            CloseMidBody, // announce the whole body, send half of it, close
        };
        Kind kind = Kind::Answer;
        int status = 200;
        Headers headers;
        QByteArray body;
        int trickleEveryMs = 0; // > 0: the body goes out one byte at a time, this far apart

        // "Content-Type" only when contentType is not empty.
        static Reply answer(
            int status, const QByteArray &body = {}, const QByteArray &contentType = {});
        static Reply json(int status, const QByteArray &body);
        static Reply redirect(const QByteArray &location, int status = 302);
        static Reply close();
        static Reply hang();

        Reply &header(const QByteArray &name, const QByteArray &value);
        Reply cutMidBody() const;
        Reply trickled(int everyMs) const;
    };

    using Handler = std::function<Reply(const Request &)>;

    explicit ScriptedHttpServer(QObject *parent = nullptr);
    ~ScriptedHttpServer() override;

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_port; }
    QString origin() const; // "http://127.0.0.1:<port>"
    QUrl url(const QString &pathAndQuery) const;

    void route(const QByteArray &path, const Reply &reply) { m_routes.insert(path, reply); }
    void setHandler(Handler handler) { m_handler = std::move(handler); }
    void answerAll(const Reply &reply); // drops the routes; every request gets `reply`
    void setKeepAlive(bool on) { m_keepAlive = on; }

    // Answers the oldest request for `path` that is hanging; false when none
    // is (or its client has gone).
    bool answerHanging(const QByteArray &path, const Reply &reply);

    QList<Request> requests() const;
    int hits() const;
    int hits(const QByteArray &path) const;
    // Connections the client closed before the answer it waited for had
    // begun; one that never sent a whole request counts too.
    int connectionsClosedByClient() const;

    // A loopback port nobody listens on, for "no server at all".
    static quint16 unusedPort();

private:
    struct Connection;

    void accept();
    void readFrom(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const Request &request, const Reply &reply);
    void finish(QTcpSocket *socket);
    void trickle(QTcpSocket *socket, QByteArray rest, int everyMs);

    QTcpServer m_server;
    quint16 m_port = 0;
    QHash<QByteArray, Reply> m_routes;
    Handler m_handler;
    bool m_keepAlive = false;
    QHash<QTcpSocket *, Connection *> m_connections;
    QList<std::pair<Request, QTcpSocket *>> m_hanging;

    mutable QMutex m_recordLock;
    QList<Request> m_requests;
    int m_closedByClient = 0;
};

// A ScriptedHttpServer on a thread of its own, for a caller whose thread is
// busy or being measured. `setUp` scripts it on that thread before the
// constructor returns; handlers run there too.
class ScriptedHttpServerThread {
public:
    explicit ScriptedHttpServerThread(const std::function<void(ScriptedHttpServer &)> &setUp = {});
    ~ScriptedHttpServerThread();
    ScriptedHttpServerThread(const ScriptedHttpServerThread &) = delete;
    ScriptedHttpServerThread &operator=(const ScriptedHttpServerThread &) = delete;

    // Its records and address; do not script it from here.
    const ScriptedHttpServer &server() const { return *m_server; }

private:
    QThread m_thread;
    ScriptedHttpServer *m_server = nullptr;
};
