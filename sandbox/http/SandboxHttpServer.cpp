#include "http/SandboxHttpServer.h"

#include "SandboxService.h"
#include "http/ResponseStream.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QHttpServerRequest>
#include <QMetaEnum>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>

namespace sandbox {

namespace {

HttpRequest toHttpRequest(const QHttpServerRequest &request)
{
    HttpRequest r;
    const auto method = request.method();
    const char *name = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(method));
    r.method = method == QHttpServerRequest::Method::Unknown || !name ? QByteArray("UNKNOWN")
                                                                      : QByteArray(name).toUpper();
    const QUrl url = request.url();
    r.rawPath = url.path(QUrl::FullyEncoded).toUtf8();
    if (r.rawPath.isEmpty())
        r.rawPath = "/";
    r.rawQuery = url.query(QUrl::FullyEncoded).toUtf8();
    for (const auto &[name, value] : request.headers())
        r.headers.append({ name.toLower(), value });
    r.body = request.body();
    return r;
}

bool wantsKeepAlive(const HttpRequest &request)
{
    return request.header("connection").toLower().trimmed() != "close";
}

// Calls `done` on this thread with the future's result once it is there.
template <typename T, typename Done>
void whenFinished(const QFuture<T> &future, QObject *context, Done done)
{
    auto *watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcher<T>::finished, context, [watcher, done] {
        watcher->deleteLater();
        if constexpr (std::is_void_v<T>)
            done();
        else
            done(watcher->result());
    });
    watcher->setFuture(future);
}

} // namespace

SandboxHttpServer::SandboxHttpServer(SandboxService *service, QObject *parent)
    : QAbstractHttpServer(parent)
    , m_service(service)
{
}

quint16 SandboxHttpServer::listenOnLoopback(quint16 port)
{
    return listen(QHostAddress::LocalHost, port);
}

bool SandboxHttpServer::handleRequest(const QHttpServerRequest &serverRequest, QTcpSocket *socket)
{
    const HttpRequest request = toHttpRequest(serverRequest);
    const FaultPlan plan = m_service->planFor(request);
    QPointer<QTcpSocket> target(socket);
    QElapsedTimer clock;
    clock.start();

    auto proceed = [this, target, request, plan, clock] {
        if (!target)
            return; // the client went away while we waited
        if (plan.drop) {
            target->abort();
            m_service->record(request, 0);
            logLine(request, 0, plan, clock);
            return;
        }
        auto send = [this, target, request, plan, clock](const HttpResponse &response) {
            if (target)
                sendAnswer(target, request, response, plan, clock);
        };
        if (plan.pendingBody) {
            whenFinished(*plan.pendingBody, this, [plan, send](const QByteArray &body) {
                HttpResponse response = *plan.answer;
                response.body = body;
                send(response);
            });
            return;
        }
        if (plan.answer) {
            send(*plan.answer);
            return;
        }
        if (const auto work = m_service->prepare(request)) {
            whenFinished(*work, this, [this, request, send] { send(m_service->handle(request)); });
            return;
        }
        send(m_service->handle(request));
    };
    // A dropped connection is closed from the event loop, never from inside
    // the server's own read handler.
    if (plan.delayMs > 0 || plan.drop)
        QTimer::singleShot(plan.delayMs, this, proceed);
    else
        proceed();
    return true;
}

void SandboxHttpServer::sendAnswer(QTcpSocket *socket, const HttpRequest &request,
    const HttpResponse &response, const FaultPlan &plan, const QElapsedTimer &clock)
{
    const bool keepAlive = wantsKeepAlive(request);
    const bool withBody
        = request.method != "HEAD" && !isBodyless(response.status) && !response.body.isEmpty();
    if (withBody
        && (plan.pacing.isPaced() || response.body.size() > ResponseStream::kDirectWriteLimit)) {
        socket->write(serializeHead(response, m_service->now(), keepAlive));
        socket->flush();
        auto *stream = new ResponseStream(socket, response.body, plan.pacing, !keepAlive);
        ++m_streams;
        connect(stream, &QObject::destroyed, this, [this] { --m_streams; });
    } else {
        socket->write(
            serializeResponse(response, m_service->now(), request.method == "HEAD", keepAlive));
        if (!keepAlive)
            socket->disconnectFromHost();
    }
    m_service->record(request, response.status);
    logLine(request, response.status, plan, clock);
}

void SandboxHttpServer::logLine(
    const HttpRequest &request, int status, const FaultPlan &plan, const QElapsedTimer &clock) const
{
    if (!m_logging)
        return;
    std::fprintf(stderr, "%s %s -> %s%s (%lld ms)\n", request.method.constData(),
        request.target().left(200).constData(),
        status ? QByteArray::number(status).constData() : "dropped", plan.faultId ? " [fault]" : "",
        static_cast<long long>(clock.elapsed()));
}

void SandboxHttpServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const HttpResponse response = errorResponse(404, QStringLiteral("Not found"));
    socket->write(serializeResponse(response, m_service->now(), false, true));
    Q_UNUSED(request);
}

} // namespace sandbox
