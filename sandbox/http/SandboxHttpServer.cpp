#include "http/SandboxHttpServer.h"

#include "SandboxService.h"

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
        r.headers.append({name.toLower(), value});
    r.body = request.body();
    return r;
}

bool wantsKeepAlive(const HttpRequest &request)
{
    return request.header("connection").toLower().trimmed() != "close";
}

} // namespace

SandboxHttpServer::SandboxHttpServer(SandboxService *service, QObject *parent)
    : QAbstractHttpServer(parent), m_service(service)
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

    auto respond = [this, target, request, plan, clock] {
        if (!target)
            return;  // the client went away while we waited
        int status = 0;
        if (plan.drop) {
            target->abort();
        } else {
            const HttpResponse response = plan.answer ? *plan.answer : m_service->handle(request);
            status = response.status;
            const bool keepAlive = wantsKeepAlive(request);
            target->write(serializeResponse(response, m_service->now(), request.method == "HEAD", keepAlive));
            if (!keepAlive)
                target->disconnectFromHost();
        }
        m_service->record(request, status);
        if (m_logging) {
            std::fprintf(stderr, "%s %s -> %s%s (%lld ms)\n", request.method.constData(),
                         request.target().left(200).constData(),
                         status ? QByteArray::number(status).constData() : "dropped",
                         plan.faultId ? " [fault]" : "", static_cast<long long>(clock.elapsed()));
        }
    };
    auto prepareAndRespond = [this, request, plan, respond] {
        const auto work = plan.drop || plan.answer ? std::nullopt : m_service->prepare(request);
        if (!work) {
            respond();
            return;
        }
        auto *watcher = new QFutureWatcher<void>(this);
        connect(watcher, &QFutureWatcher<void>::finished, this, [watcher, respond] {
            watcher->deleteLater();
            respond();
        });
        watcher->setFuture(*work);
    };
    // A dropped connection is closed from the event loop, never from inside
    // the server's own read handler.
    if (plan.delayMs > 0 || plan.drop)
        QTimer::singleShot(plan.delayMs, this, prepareAndRespond);
    else
        prepareAndRespond();
    return true;
}

void SandboxHttpServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const HttpResponse response = errorResponse(404, QStringLiteral("Not found"));
    socket->write(serializeResponse(response, m_service->now(), false, true));
    Q_UNUSED(request);
}

} // namespace sandbox
