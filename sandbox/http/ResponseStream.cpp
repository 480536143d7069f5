#include "http/ResponseStream.h"

#include <QTcpSocket>

namespace sandbox {

namespace {

// Enough to keep a loopback connection busy, little enough that a slow
// reader does not make the sandbox buffer the body.
constexpr qsizetype kPieceBytes = 256 * 1024;
constexpr qint64 kBufferedBytes = 1024 * 1024;

} // namespace

ResponseStream::ResponseStream(
    QTcpSocket *socket, QByteArray body, Pacing pacing, bool closeWhenDone)
    : QObject(socket)
    , m_socket(socket)
    , m_body(std::move(body))
    , m_pacing(std::move(pacing))
    , m_closeWhenDone(closeWhenDone)
{
    connect(socket, &QTcpSocket::disconnected, this, [this] { end(false); });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this] { end(false); });
    if (m_pacing.trickleMs > 0) {
        m_timer.setInterval(m_pacing.trickleMs);
        connect(&m_timer, &QTimer::timeout, this, &ResponseStream::writeNextPiece);
        m_timer.start();
    } else if (!m_pacing.chunkSizes.isEmpty()) {
        m_timer.setSingleShot(true);
        m_timer.setInterval(m_pacing.chunkDelayMs);
        connect(&m_timer, &QTimer::timeout, this, &ResponseStream::writeNextPiece);
        // The first piece goes out right behind the headers, as its own write.
        QTimer::singleShot(0, this, &ResponseStream::writeNextPiece);
    } else {
        connect(socket, &QTcpSocket::bytesWritten, this, &ResponseStream::writeFlowing);
        QTimer::singleShot(0, this, &ResponseStream::writeFlowing);
    }
}

void ResponseStream::writeFlowing()
{
    if (m_ended)
        return;
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return end(false);
    while (m_offset < m_body.size() && m_socket->bytesToWrite() < kBufferedBytes) {
        const qsizetype n = std::min(kPieceBytes, m_body.size() - m_offset);
        m_socket->write(m_body.constData() + m_offset, n);
        m_offset += n;
    }
    if (m_offset >= m_body.size())
        end(true);
}

void ResponseStream::writeNextPiece()
{
    if (m_ended)
        return;
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return end(false);
    qsizetype n = 0;
    if (m_pacing.trickleMs > 0)
        n = m_pacing.trickleBytes;
    else if (m_nextChunk < m_pacing.chunkSizes.size())
        n = m_pacing.chunkSizes.at(m_nextChunk++);
    n = std::min(n, m_body.size() - m_offset);
    if (n > 0) {
        m_socket->write(m_body.constData() + m_offset, n);
        m_socket->flush();
        m_offset += n;
    }
    if (m_offset >= m_body.size()
        || (m_pacing.trickleMs == 0 && m_nextChunk >= m_pacing.chunkSizes.size()))
        end(true);
    else if (m_pacing.trickleMs == 0)
        m_timer.start();
}

void ResponseStream::end(bool complete)
{
    if (m_ended)
        return;
    m_ended = true;
    m_timer.stop();
    if (complete && m_closeWhenDone && m_socket)
        m_socket->disconnectFromHost(); // after what is still buffered
    Q_EMIT finished(complete);
    deleteLater();
}

} // namespace sandbox
