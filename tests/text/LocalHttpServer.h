#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QUrl>

// A tiny HTTP/1.1 server on 127.0.0.1 for the link probe and preview tests:
// each path answers a fixed response, hangs, or drops the connection.
class LocalHttpServer : public QObject {
public:
    struct Response {
        int status = 200;
        QByteArray contentType;
        QByteArray body;
        QByteArray location; // for redirects
        bool hang = false;   // never answer
        bool drop = false;   // close without a word
    };

    LocalHttpServer();
    void route(const QString &path, Response response) { m_routes.insert(path, std::move(response)); }
    QUrl url(const QString &path) const;
    QList<QString> requestedPaths() const { return m_requested; }

private:
    void answer(class QTcpSocket *socket);

    QTcpServer m_server;
    QHash<QString, Response> m_routes;
    QList<QString> m_requested;
};
