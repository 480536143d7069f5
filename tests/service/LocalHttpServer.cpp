#include "LocalHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    const int i = headerIndex(name);
    return i < 0 ? QByteArray() : headers.at(i).second;
}

int RecordedRequest::headerIndex(const QByteArray &name) const
{
    for (int i = 0; i < headers.size(); ++i) {
        if (headers.at(i).first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

ScriptedReply ScriptedReply::answer(int status, const QByteArray &body, const QByteArray &contentType)
{
    ScriptedReply r;
    r.status = status;
    r.body = body;
    r.headers.append({QByteArrayLiteral("Content-Type"), contentType});
    return r;
}

ScriptedReply ScriptedReply::redirect(const QByteArray &location)
{
    ScriptedReply r = answer(302, {}, QByteArrayLiteral("text/plain"));
    r.headers.append({QByteArrayLiteral("Location"), location});
    return r;
}

ScriptedReply ScriptedReply::of(Kind kind)
{
    ScriptedReply r = answer(200, QByteArrayLiteral("[{\"id\":\"1\"},{\"id\":\"2\"},{\"id\":\"3\"}]"));
    r.kind = kind;
    return r;
}

LocalHttpServer::LocalHttpServer(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LocalHttpServer::accept);
    m_server.listen(QHostAddress::LocalHost, 0);
    answerAll(ScriptedReply::answer(200, QByteArrayLiteral("[]")));
}

QString LocalHttpServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void LocalHttpServer::answerAll(const ScriptedReply &reply)
{
    m_script = [reply](const RecordedRequest &) { return reply; };
}

void LocalHttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++m_open;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            --m_open;
            if (!socket->property("answered").toBool())
                ++m_closedByClient;
            socket->deleteLater();
        });
    }
}

void LocalHttpServer::readFrom(QTcpSocket *socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0 || socket->property("seen").toBool())
        return;

    RecordedRequest request;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        request.headers.append({name, value});
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            contentLength = value.toLongLong();
    }
    if (buffer.size() < headEnd + 4 + contentLength)
        return; // the rest of the body is on its way
    request.body = buffer.mid(headEnd + 4, contentLength);
    socket->setProperty("seen", true);
    m_requests.append(request);
    respond(socket, m_script(request));
}

void LocalHttpServer::respond(QTcpSocket *socket, const ScriptedReply &reply)
{
    if (reply.kind == ScriptedReply::Kind::Hang)
        return;
    socket->setProperty("answered", true);
    if (reply.kind == ScriptedReply::Kind::Close) {
        socket->disconnectFromHost();
        return;
    }
    if (reply.kind == ScriptedReply::Kind::Trickle) {
        socket->write("HTTP/1.1 200 Scripted\r\nContent-Type: text/plain\r\nContent-Length: 100000\r\n\r\n");
        auto *timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [socket] { socket->write("x"); });
        timer->start(50);
        return;
    }
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\n";
    for (const auto &[name, value] : reply.headers)
        out += name + ": " + value + "\r\n";
    out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    if (reply.kind == ScriptedReply::Kind::CloseMidBody)
        out += reply.body.left(reply.body.size() / 2);
    else
        out += reply.body;
    socket->write(out);
    socket->disconnectFromHost();
}
