#pragma once
// The avatar server the cache benchmark measures against: velto-sandbox when
// its binary is there and answers, otherwise a stand-in QHttpServer on its own
// thread serving the same route with the same headers.

#include "support/cache/HttpDate.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QImage>
#include <QBuffer>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

namespace cachebench {

// A noisy 72 x 72 picture: PNG cannot squeeze it, so each file is ~16 KB.
inline QByteArray avatarPng(const QString &name)
{
    QImage image(72, 72, QImage::Format_RGB32);
    QRandomGenerator random(qHash(name));
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = random.generate() | 0xff000000u;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

class StandInServer {
public:
    StandInServer()
    {
        m_thread.start();
        QObject context;
        context.moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            &context,
            [this] {
                m_server = new QHttpServer;
                m_server->route(QStringLiteral("/avatars/<arg>"),
                                [this](const QString &name, const QHttpServerRequest &) {
                                    ++m_hits;
                                    QHttpServerResponse response(QByteArray("image/png"), png(name));
                                    response.setHeader("Cache-Control", "max-age=3600");
                                    response.setHeader("ETag", '"' + name.toUtf8() + '"');
                                    response.setHeader("Date", HttpDate::format(QDateTime::currentDateTimeUtc()).toLatin1());
                                    return response;
                                });
                m_port = m_server->listen(QHostAddress::LocalHost, 0);
            },
            Qt::BlockingQueuedConnection);
    }

    ~StandInServer()
    {
        QObject context;
        context.moveToThread(&m_thread);
        QMetaObject::invokeMethod(&context, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    int hits() const { return m_hits.load(); }

private:
    QByteArray png(const QString &name)
    {
        QMutexLocker lock(&m_pngLock);
        auto found = m_pngs.constFind(name);
        if (found == m_pngs.cend())
            found = m_pngs.insert(name, avatarPng(name));
        return found.value();
    }

    QThread m_thread;
    QHttpServer *m_server = nullptr;
    quint16 m_port = 0;
    std::atomic<int> m_hits{0};
    QMutex m_pngLock;
    QHash<QString, QByteArray> m_pngs;
};

// One GET, waited for with a local event loop; the body, or empty on failure.
inline QByteArray fetchOnce(QNetworkAccessManager &manager, const QUrl &url, int timeoutMs = 3000)
{
    QNetworkReply *reply = manager.get(QNetworkRequest(url));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QByteArray body;
    if (reply->isFinished() && reply->error() == QNetworkReply::NoError
        && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200)
        body = reply->readAll();
    reply->abort();
    delete reply;
    return body;
}

// velto-sandbox started on a free port, if it exists and serves avatars.
class Sandbox {
public:
    bool start(const QString &binary)
    {
        if (!QFileInfo(binary).isExecutable())
            return false;
        m_process.start(binary, {QStringLiteral("--port"), QStringLiteral("0")});
        if (!m_process.waitForStarted(3000))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (!m_process.canReadLine() && waited.elapsed() < 5000
               && m_process.state() == QProcess::Running)
            m_process.waitForReadyRead(100);
        const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
        static const QRegularExpression pattern(
            QStringLiteral("^velto-sandbox listening on (http://127\\.0\\.0\\.1:\\d+)$"));
        const auto match = pattern.match(line);
        if (!match.hasMatch())
            return false;
        m_base = match.captured(1);
        QNetworkAccessManager probe;
        return fetchOnce(probe, QUrl(m_base + QStringLiteral("/avatars/1.png"))).startsWith("\x89PNG");
    }

    ~Sandbox()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(2000))
                m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    QString base() const { return m_base; }

private:
    QProcess m_process;
    QString m_base;
};

} // namespace cachebench
