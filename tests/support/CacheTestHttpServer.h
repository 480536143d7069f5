#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

#include <functional>

class QTcpSocket;

// A small HTTP/1.1 server on a free loopback port whose answers the test
// writes by hand, headers and all; it counts what reaches it.
class CacheTestHttpServer : public QObject {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names lower-cased
    };
    struct Reply {
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
    };
    using Handler = std::function<Reply(const Request &)>;

    explicit CacheTestHttpServer(Handler handler);
    ~CacheTestHttpServer() override;

    bool isListening() const { return m_server.isListening(); }
    QString url(const QString &path) const;
    const QList<Request> &requests() const { return m_requests; }
    qsizetype hits() const { return m_requests.size(); }

private:
    void serve(QTcpSocket *socket);

    Handler m_handler;
    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<Request> m_requests;
};
