#pragma once

#include <QAbstractHttpServer>

namespace sandbox {

class SandboxService;

// The HTTP side of the sandbox: turns each request into the service's own
// request value, applies the fault plan (delay, dropped connection, injected
// answer), and writes the answer itself, with a Date header and keep-alive.
// Listens on 127.0.0.1 only.
class SandboxHttpServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    explicit SandboxHttpServer(SandboxService *service, QObject *parent = nullptr);

    // Listens on 127.0.0.1; port 0 picks a free one. Answers the port, or 0.
    quint16 listenOnLoopback(quint16 port);
    // One line per request on stderr: method, target, status, time taken.
    void setLogging(bool on) { m_logging = on; }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    SandboxService *m_service;
    bool m_logging = false;
};

} // namespace sandbox
