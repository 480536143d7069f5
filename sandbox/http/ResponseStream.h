#pragma once

#include "http/Faults.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QTcpSocket;

namespace sandbox {

// Writes one answer's body to a socket after its headers have gone out,
// without holding the server's thread: paced bodies by a timer (a trickle of
// N bytes every K ms, or given pieces with pauses between them), large ones
// as fast as the client reads them, a few hundred kilobytes at a time, so
// the body is never copied whole into the socket's buffer. It ends, and
// deletes itself, when the body is sent or the client has gone away.
class ResponseStream : public QObject {
    Q_OBJECT
public:
    // Starts at once. The stream is a child of the socket, so it cannot
    // outlive it. `closeWhenDone`: disconnect once the body is sent.
    ResponseStream(QTcpSocket *socket, QByteArray body, Pacing pacing, bool closeWhenDone);

    // Bodies up to this size without pacing are written in one go by the server.
    static constexpr qsizetype kDirectWriteLimit = 1024 * 1024;

Q_SIGNALS:
    // `complete`: every byte was handed to the socket; false when the client left first.
    void finished(bool complete);

private:
    void writeFlowing();
    void writeNextPiece();
    void end(bool complete);

    QPointer<QTcpSocket> m_socket;
    QByteArray m_body; // shared with whoever made it, never copied whole
    Pacing m_pacing;
    bool m_closeWhenDone;
    qsizetype m_offset = 0;
    int m_nextChunk = 0;
    QTimer m_timer;
    bool m_ended = false;
};

} // namespace sandbox
