#include "ScriptedHttpServer.h"

#include <QMutexLocker>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <memory>

struct ScriptedHttpServer::Connection {
    QByteArray buffer;
    bool awaitingAnswer = true; // no answer begun for the request (or the connection) yet
    bool busy = false; // hanging, trickling or closing: read no further request
};

QByteArray ScriptedHttpServer::Request::path() const
{
    const qsizetype query = target.indexOf('?');
    return query < 0 ? target : target.left(query);
}

QByteArray ScriptedHttpServer::Request::header(const QByteArray &name) const
{
    const int i = headerIndex(name);
    return i < 0 ? QByteArray() : headers.at(i).second;
}

int ScriptedHttpServer::Request::headerIndex(const QByteArray &name) const
{
    for (int i = 0; i < headers.size(); ++i) {
        if (headers.at(i).first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::answer(
    int status, const QByteArray &body, const QByteArray &contentType)
{
    Reply r;
    r.status = status;
    r.body = body;
    if (!contentType.isEmpty())
        r.header("Content-Type", contentType);
    return r;
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::json(int status, const QByteArray &body)
{
    return answer(status, body, "application/json");
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::redirect(
    const QByteArray &location, int status)
{
    return answer(status, {}, "text/plain").header("Location", location);
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::close()
{
    Reply r;
    r.kind = Kind::Close;
    return r;
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::hang()
{
    Reply r;
    r.kind = Kind::Hang;
    return r;
}

ScriptedHttpServer::Reply &ScriptedHttpServer::Reply::header(
    const QByteArray &name, const QByteArray &value)
{
    headers.append({ name, value });
    return *this;
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::cutMidBody() const
{
    Reply r = *this;
    r.kind = Kind::CloseMidBody;
    return r;
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::trickled(int everyMs) const
{
    Reply r = *this;
    r.trickleEveryMs = everyMs;
    return r;
}

ScriptedHttpServer::ScriptedHttpServer(QObject *parent)
    : QObject(parent)
{
    answerAll(Reply::answer(404, "<p>not here</p>", "text/html"));
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedHttpServer::accept);
    m_server.listen(QHostAddress::LocalHost, 0);
    m_port = m_server.serverPort();
}

ScriptedHttpServer::~ScriptedHttpServer()
{
    // Sockets still open would report their end into a half-destroyed server.
    const QList<QTcpSocket *> sockets = m_connections.keys();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        delete socket;
    }
    qDeleteAll(m_connections);
}

QString ScriptedHttpServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QUrl ScriptedHttpServer::url(const QString &pathAndQuery) const
{
    return QUrl(origin() + pathAndQuery);
}

void ScriptedHttpServer::answerAll(const Reply &reply)
{
    m_routes.clear();
    m_handler = [reply](const Request &) { return reply; };
}

QList<ScriptedHttpServer::Request> ScriptedHttpServer::requests() const
{
    QMutexLocker lock(&m_recordLock);
    return m_requests;
}

int ScriptedHttpServer::hits() const
{
    QMutexLocker lock(&m_recordLock);
    return int(m_requests.size());
}

int ScriptedHttpServer::hits(const QByteArray &path) const
{
    QMutexLocker lock(&m_recordLock);
    return int(std::count_if(m_requests.cbegin(), m_requests.cend(),
        [&](const Request &r) { return r.path() == path; }));
}

int ScriptedHttpServer::connectionsClosedByClient() const
{
    QMutexLocker lock(&m_recordLock);
    return m_closedByClient;
}

quint16 ScriptedHttpServer::unusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort(); // closed again when `probe` goes
}

bool ScriptedHttpServer::answerHanging(const QByteArray &path, const Reply &reply)
{
    for (qsizetype i = 0; i < m_hanging.size(); ++i) {
        if (m_hanging.at(i).first.path() != path)
            continue;
        const auto [request, socket] = m_hanging.takeAt(i);
        if (!m_connections.contains(socket) || socket->state() != QAbstractSocket::ConnectedState)
            return false;
        m_connections.value(socket)->busy = false;
        respond(socket, request, reply);
        if (m_keepAlive)
            readFrom(socket);
        return true;
    }
    return false;
}

void ScriptedHttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        m_connections.insert(socket, new Connection);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        // Queued: a socket may report its end from inside disconnectFromHost(),
        // while its connection is still being served.
        connect(
            socket, &QTcpSocket::disconnected, this,
            [this, socket] {
                const std::unique_ptr<Connection> connection(m_connections.take(socket));
                m_hanging.removeIf([socket](const auto &entry) { return entry.second == socket; });
                if (connection && connection->awaitingAnswer) {
                    QMutexLocker lock(&m_recordLock);
                    ++m_closedByClient;
                }
                socket->deleteLater();
            },
            Qt::QueuedConnection);
    }
}

void ScriptedHttpServer::readFrom(QTcpSocket *socket)
{
    Connection *connection = m_connections.value(socket);
    if (!connection)
        return;
    connection->buffer += socket->readAll();
    while (!connection->busy) {
        QByteArray &buffer = connection->buffer;
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        Request request;
        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        qsizetype contentLength = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed();
            const QByteArray value = line.mid(colon + 1).trimmed();
            request.headers.append({ name, value });
            if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
                contentLength = value.toLongLong();
        }
        if (buffer.size() < headEnd + 4 + contentLength)
            return; // the rest of the body is on its way
        request.body = buffer.mid(headEnd + 4, contentLength);
        buffer.remove(0, headEnd + 4 + contentLength);
        {
            QMutexLocker lock(&m_recordLock);
            m_requests.append(request);
        }
        connection->awaitingAnswer = true;
        const auto route = m_routes.constFind(request.path());
        respond(socket, request, route != m_routes.cend() ? route.value() : m_handler(request));
    }
}

void ScriptedHttpServer::respond(QTcpSocket *socket, const Request &request, const Reply &reply)
{
    Connection *connection = m_connections.value(socket);
    if (reply.kind == Reply::Kind::Hang) {
        connection->busy = true;
        m_hanging.append({ request, socket });
        return;
    }
    connection->awaitingAnswer = false;
    if (reply.kind == Reply::Kind::Close) {
        connection->busy = true;
        socket->disconnectFromHost();
        return;
    }

    const bool bodyless = reply.status == 204 || reply.status == 304;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\n";
    bool lengthGiven = false;
    for (const auto &[name, value] : reply.headers) {
        head += name + ": " + value + "\r\n";
        lengthGiven = lengthGiven || name.compare("Content-Length", Qt::CaseInsensitive) == 0;
    }
    if (!lengthGiven && !bodyless)
        head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    if (!m_keepAlive)
        head += "Connection: close\r\n";
    head += "\r\n";
    const QByteArray body = request.method == "HEAD" || bodyless ? QByteArray() : reply.body;

    if (reply.kind == Reply::Kind::CloseMidBody) {
        connection->busy = true;
        socket->write(head + body.left(body.size() / 2));
        socket->disconnectFromHost();
    } else if (reply.trickleEveryMs > 0 && !body.isEmpty()) {
        connection->busy = true;
        socket->write(head);
        trickle(socket, body, reply.trickleEveryMs);
    } else {
        socket->write(head + body);
        finish(socket);
    }
}

void ScriptedHttpServer::trickle(QTcpSocket *socket, QByteArray rest, int everyMs)
{
    auto *timer = new QTimer(socket);
    connect(
        timer, &QTimer::timeout, socket, [this, socket, timer, rest = std::move(rest)]() mutable {
            if (!m_connections.contains(socket))
                return; // the client has gone; the socket and this timer go with it
            socket->write(rest.left(1));
            rest.remove(0, 1);
            if (!rest.isEmpty())
                return;
            timer->deleteLater();
            m_connections.value(socket)->busy = false;
            finish(socket);
            if (m_keepAlive)
                readFrom(socket);
        });
    timer->start(everyMs);
}

void ScriptedHttpServer::finish(QTcpSocket *socket)
{
    if (m_keepAlive)
        return;
    m_connections.value(socket)->busy = true;
    socket->disconnectFromHost();
}

ScriptedHttpServerThread::ScriptedHttpServerThread(
    const std::function<void(ScriptedHttpServer &)> &setUp)
{
    m_thread.start();
    QObject context;
    context.moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        &context,
        [this, &setUp] {
            m_server = new ScriptedHttpServer;
            if (setUp)
                setUp(*m_server);
        },
        Qt::BlockingQueuedConnection);
}

ScriptedHttpServerThread::~ScriptedHttpServerThread()
{
    QObject context;
    context.moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        &context, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}
