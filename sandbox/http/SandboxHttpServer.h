#pragma once

#include "http/Faults.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>

namespace sandbox {

class SandboxService;

// The HTTP side of the sandbox: turns each request into the service's own
// request value, applies the fault plan (delay, dropped connection, injected
// answer, paced body), and writes the answer itself, with a Date header and
// keep-alive. Nothing it does waits on its thread: delays are timers, slow
// work runs on workers, bodies go out as the socket takes them.
// Listens on 127.0.0.1 only.
class SandboxHttpServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    explicit SandboxHttpServer(SandboxService *service, QObject *parent = nullptr);

    // Listens on 127.0.0.1; port 0 picks a free one. Answers the port, or 0.
    quint16 listenOnLoopback(quint16 port);
    // One line per request on stderr: method, target, status, time taken.
    void setLogging(bool on) { m_logging = on; }
    // Answers whose body is still going out (trickles, split and huge answers).
    int streamsInProgress() const { return m_streams; }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    void sendAnswer(QTcpSocket *socket, const HttpRequest &request, const HttpResponse &response,
        const FaultPlan &plan, const QElapsedTimer &clock);
    void logLine(const HttpRequest &request, int status, const FaultPlan &plan,
        const QElapsedTimer &clock) const;

    SandboxService *m_service;
    bool m_logging = false;
    int m_streams = 0;
};

} // namespace sandbox
