#pragma once

// The sandbox's HTTP server in this process, on a loopback port, and a raw
// client that notes when each piece of an answer arrives. Everything runs on
// the test's thread: waiting means running the event loop (waitUntil).

#include "SandboxService.h"
#include "TestSupport.h"
#include "http/SandboxHttpServer.h"

#include <QElapsedTimer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace sandboxtest {

class ServerHarness {
public:
    explicit ServerHarness(sandbox::ServiceOptions options = {})
        : service(options)
        , server(&service)
    {
        port = server.listenOnLoopback(0);
        service.start(u"http://127.0.0.1:%1"_qs.arg(port));
    }

    sandbox::SandboxService service;
    sandbox::SandboxHttpServer server;
    quint16 port = 0;
};

class RawClient {
public:
    struct Arrival {
        qint64 atMs; // since the request was written
        QByteArray bytes;
    };

    RawClient(quint16 port, const QByteArray &method, const QByteArray &target,
        const QByteArray &body = {})
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            const QByteArray bytes = socket.readAll();
            arrivals.append({ clock.elapsed(), bytes });
            received += bytes;
        });
        socket.connectToHost(u"127.0.0.1"_qs, port);
        EXPECT_TRUE(socket.waitForConnected(5000));
        QByteArray out = method + ' ' + target
            + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer demo-token\r\n"
              "Connection: close\r\n";
        if (!body.isEmpty() || method == "POST")
            out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        out += "\r\n" + body;
        clock.start();
        socket.write(out);
        socket.flush();
    }

    qsizetype headerEnd() const { return received.indexOf("\r\n\r\n"); }
    bool hasHeaders() const { return headerEnd() >= 0; }
    int status() const { return received.split(' ').value(1).toInt(); }
    QByteArray header(const QByteArray &name) const
    {
        for (const QByteArray &line : received.left(headerEnd()).split('\n')) {
            if (line.toLower().startsWith(QByteArray(name.toLower() + ':')))
                return line.mid(name.size() + 1).trimmed();
        }
        return {};
    }
    QByteArray body() const { return hasHeaders() ? received.mid(headerEnd() + 4) : QByteArray(); }
    bool hasWholeBody() const
    {
        return hasHeaders() && body().size() >= header("content-length").toLongLong();
    }
    // When the first byte of the body came, and how much of it came with it.
    std::optional<Arrival> firstBodyArrival() const
    {
        qsizetype seen = 0;
        const qsizetype bodyStart = headerEnd() + 4;
        for (const Arrival &a : arrivals) {
            seen += a.bytes.size();
            if (hasHeaders() && seen > bodyStart)
                return Arrival { a.atMs, received.mid(bodyStart, seen - bodyStart) };
        }
        return std::nullopt;
    }

    bool waitFor(const std::function<bool()> &done, int ms = 5000)
    {
        return testsupport::waitUntil(done, std::chrono::milliseconds(ms));
    }

    QTcpSocket socket;
    QElapsedTimer clock;
    QList<Arrival> arrivals;
    QByteArray received;
};

} // namespace sandboxtest
