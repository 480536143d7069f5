#include "SandboxServer.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTcpSocket>

namespace {

constexpr char kDemoToken[] = "demo-token";

QByteArray jsonBytes(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QByteArray SandboxServer::Reply::header(const QByteArray &lowerCaseName) const
{
    for (const auto &[name, value] : headers) {
        if (name == lowerCaseName)
            return value;
    }
    return {};
}

QJsonObject SandboxServer::Reply::json() const
{
    return QJsonDocument::fromJson(body).object();
}

QJsonArray SandboxServer::Reply::jsonArray() const
{
    return QJsonDocument::fromJson(body).array();
}

SandboxServer::SandboxServer()
{
    m_process.setProgram(QStringLiteral(VELTO_SANDBOX_BINARY));
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SandboxServer::~SandboxServer()
{
    stop();
}

bool SandboxServer::start(QStringList extraArgs)
{
    stop();
    m_error.clear();
    m_port = 0;
    m_process.setArguments(
        QStringList { QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--quiet") }
        + extraArgs);
    m_process.start(QIODevice::ReadOnly);
    if (!m_process.waitForStarted(10000)) {
        m_error = QStringLiteral("cannot start %1: %2")
                      .arg(m_process.program(), m_process.errorString());
        return false;
    }
    static const QRegularExpression line(
        QStringLiteral("^velto-sandbox listening on http://127\\.0\\.0\\.1:(\\d+)$"));
    QDeadlineTimer deadline(15000);
    QByteArray out;
    while (!out.contains('\n')) {
        if (deadline.hasExpired() || m_process.state() != QProcess::Running) {
            m_error = QStringLiteral("velto-sandbox did not report its port; output: %1")
                          .arg(QString::fromUtf8(out));
            stop();
            return false;
        }
        m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        out += m_process.readAllStandardOutput();
    }
    const auto m = line.match(QString::fromUtf8(out.left(out.indexOf('\n'))));
    if (!m.hasMatch()) {
        m_error = QStringLiteral("unexpected first line: %1").arg(QString::fromUtf8(out));
        stop();
        return false;
    }
    m_port = quint16(m.captured(1).toUInt());
    return true;
}

void SandboxServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool SandboxServer::isRunning() const
{
    return m_process.state() == QProcess::Running && m_port != 0;
}

QUrl SandboxServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
}

QString SandboxServer::apiBase() const
{
    return baseUrl().toString() + QStringLiteral("/stream/0");
}

QString SandboxServer::token() const
{
    return QString::fromLatin1(kDemoToken);
}

void SandboxServer::setEnvironment() const
{
    const QByteArray base = baseUrl().toString().toUtf8();
    qputenv("VELTO_API_BASE", base + "/stream/0");
    qputenv("VELTO_SITE_BASE", base);
    qputenv("VELTO_PROBE_URL", base + "/");
    qputenv("VELTO_SHORTENER_BASE", base);
    qputenv("VELTO_IMAGE_HOST_BASE", base);
    qputenv("VELTO_MAKER_SITE_BASE", base);
}

SandboxServer::Reply SandboxServer::request(const QByteArray &method, const QByteArray &target,
    const QByteArray &body, const QList<QPair<QByteArray, QByteArray>> &headers,
    int timeoutMs) const
{
    Reply reply;
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), m_port);
    if (!socket.waitForConnected(timeoutMs))
        return reply;
    QByteArray out = method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1:"
        + QByteArray::number(m_port) + "\r\nConnection: close\r\n";
    for (const auto &[name, value] : headers)
        out += name + ": " + value + "\r\n";
    if (!body.isEmpty() || method == "POST" || method == "PUT")
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "\r\n" + body;
    socket.write(out);

    QDeadlineTimer deadline(timeoutMs);
    QByteArray in;
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        if (socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            in += socket.readAll();
    }
    in += socket.readAll();

    const qsizetype headerEnd = in.indexOf("\r\n\r\n");
    if (headerEnd < 0 || !in.startsWith("HTTP/1."))
        return reply;
    const QList<QByteArray> lines = in.left(headerEnd).split('\n');
    reply.status = lines.first().split(' ').value(1).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            reply.headers.append(
                { lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed() });
    }
    reply.body = in.mid(headerEnd + 4);
    return reply;
}

SandboxServer::Reply SandboxServer::api(
    const QByteArray &method, const QByteArray &apiPath, const QByteArray &body) const
{
    QList<QPair<QByteArray, QByteArray>> headers { { "Authorization",
        QByteArray("Bearer ") + kDemoToken } };
    if (!body.isEmpty())
        headers.append(
            qMakePair(QByteArray("Content-Type"), QByteArray("application/x-www-form-urlencoded")));
    return request(method, "/stream/0/" + apiPath, body, headers);
}

SandboxServer::Reply SandboxServer::control(
    const QByteArray &method, const QByteArray &path, const QJsonObject &body, int timeoutMs)
{
    const QByteArray bytes = method == "POST" ? jsonBytes(body) : QByteArray();
    return request(
        method, "/_sandbox/" + path, bytes, { { "Content-Type", "application/json" } }, timeoutMs);
}

int SandboxServer::addFault(const QJsonObject &fault)
{
    const Reply reply = control("POST", "faults", fault);
    return reply.status == 200 ? reply.json().value(QStringLiteral("id")).toInt() : 0;
}

bool SandboxServer::injectAnswer(const QString &path, const QByteArray &body,
    const QByteArray &contentType, int status, int times)
{
    return addFault({ { QStringLiteral("path"), path },
               { QStringLiteral("body"), QString::fromUtf8(body) },
               { QStringLiteral("contentType"), QString::fromLatin1(contentType) },
               { QStringLiteral("status"), status }, { QStringLiteral("times"), times } })
        != 0;
}

bool SandboxServer::injectChunks(
    const QString &path, const QList<QByteArray> &chunks, int chunkDelayMs, int times)
{
    QJsonArray pieces;
    for (const QByteArray &chunk : chunks)
        pieces.append(QString::fromUtf8(chunk));
    return addFault({ { QStringLiteral("path"), path }, { QStringLiteral("chunks"), pieces },
               { QStringLiteral("chunkDelayMs"), chunkDelayMs },
               { QStringLiteral("times"), times } })
        != 0;
}

bool SandboxServer::injectTrickle(const QString &path, int trickleMs, int trickleBytes, int times)
{
    return addFault({ { QStringLiteral("path"), path }, { QStringLiteral("trickleMs"), trickleMs },
               { QStringLiteral("trickleBytes"), trickleBytes },
               { QStringLiteral("times"), times } })
        != 0;
}

bool SandboxServer::setLatency(int ms, int jitterMs)
{
    return control("POST", "latency",
               { { QStringLiteral("ms"), ms }, { QStringLiteral("jitterMs"), jitterMs } })
               .status
        == 200;
}

int SandboxServer::latencyMs()
{
    const Reply reply = control("GET", "latency");
    return reply.status == 200 ? reply.json().value(QStringLiteral("ms")).toInt() : -1;
}

QStringList SandboxServer::postMentions(int count, const QString &from)
{
    QJsonObject body { { QStringLiteral("count"), count } };
    if (!from.isEmpty())
        body.insert(QStringLiteral("from"), from);
    QStringList out;
    // Thousands of new posts take a moment.
    for (const QJsonValue &id :
        control("POST", "mention", body, 60000).json().value(QStringLiteral("ids")).toArray())
        out.append(id.toString());
    return out;
}

bool SandboxServer::injectFault(
    const QString &path, int status, int delayMs, bool badJson, bool drop, int times)
{
    QJsonObject fault { { QStringLiteral("path"), path }, { QStringLiteral("delayMs"), delayMs },
        { QStringLiteral("badJson"), badJson }, { QStringLiteral("drop"), drop },
        { QStringLiteral("times"), times } };
    if (status != 0)
        fault.insert(QStringLiteral("status"), status);
    return control("POST", "faults", fault).status == 200;
}

bool SandboxServer::clearFaults()
{
    return control("DELETE", "faults").status == 200;
}

bool SandboxServer::reset()
{
    return control("POST", "reset").status == 200;
}

QJsonObject SandboxServer::postMention(const QString &from, const QString &text)
{
    QJsonObject body;
    if (!from.isEmpty())
        body.insert(QStringLiteral("from"), from);
    if (!text.isEmpty())
        body.insert(QStringLiteral("text"), text);
    return control("POST", "mention", body).json();
}

QJsonArray SandboxServer::requests()
{
    return control("GET", "requests").jsonArray();
}

int SandboxServer::requestCount(const QString &method, const QString &path)
{
    int count = 0;
    for (const QJsonValue &logged : requests()) {
        const QJsonObject request = logged.toObject();
        count += request.value(QStringLiteral("method")).toString() == method
            && request.value(QStringLiteral("path")).toString() == path;
    }
    return count;
}

bool SandboxServer::clearRequests()
{
    return control("DELETE", "requests").status == 200;
}

bool SandboxServer::setLatestVersion(const QString &version)
{
    const QJsonValue value = version.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(version);
    return control("POST", "version", { { QStringLiteral("version"), value } }).status == 200;
}
