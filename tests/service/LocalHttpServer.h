#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <functional>
#include <utility>

class QTcpSocket;

// One request as it arrived on the wire: nothing decoded, headers in the
// order they were sent.
struct RecordedRequest {
    QByteArray method;
    QByteArray target; // path and query, exactly as sent
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const;
    // Position among the headers, -1 when absent (case-insensitive name).
    int headerIndex(const QByteArray &name) const;
};

// What the server does with a request.
struct ScriptedReply {
    enum class Kind {
        Answer,       // status line, headers, body, then close
        Close,        // close the connection without a word
        Hang,         // never answer
        CloseMidBody, // announce the whole body, send half, close
        Trickle,      // announce a large body, send one byte every 50 ms
    };
    Kind kind = Kind::Answer;
    int status = 200;
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;

    static ScriptedReply answer(int status, const QByteArray &body = {},
                                const QByteArray &contentType = QByteArrayLiteral("application/json"));
    static ScriptedReply redirect(const QByteArray &location);
    static ScriptedReply of(Kind kind);
};

// A small HTTP/1.1 server on 127.0.0.1 for the tests: records every request
// and answers as the test scripts it. One request per connection.
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    using Script = std::function<ScriptedReply(const RecordedRequest &)>;

    explicit LocalHttpServer(QObject *parent = nullptr);

    // "http://127.0.0.1:<port>"
    QString origin() const;
    void answerAll(const ScriptedReply &reply);
    void setScript(Script script) { m_script = std::move(script); }

    QList<RecordedRequest> requests() const { return m_requests; }
    int connectionsOpen() const { return m_open; }
    int connectionsClosedByClient() const { return m_closedByClient; }

private:
    void accept();
    void readFrom(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const ScriptedReply &reply);

    QTcpServer m_server;
    Script m_script;
    QList<RecordedRequest> m_requests;
    int m_open = 0;
    int m_closedByClient = 0;
};
