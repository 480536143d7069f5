#pragma once

#include "http/HttpMessage.h"

#include <QFuture>
#include <QJsonArray>
#include <QJsonObject>

#include <optional>

namespace sandbox {

// How an answer's body goes out after its headers. Without pacing the body is
// written as fast as the client takes it.
struct Pacing {
    int trickleMs = 0; // > 0: `trickleBytes` of the body every `trickleMs`
    int trickleBytes = 1;
    QList<qsizetype> chunkSizes; // not empty: the body in pieces of these sizes...
    int chunkDelayMs = 0; // ...with this pause between two of them

    bool isPaced() const { return trickleMs > 0 || !chunkSizes.isEmpty(); }
};

// The generated answers a fault may carry (`hostile`), as their names read in
// the fault's JSON: "longWord", "denseEntities", "deepNesting", "hugeAnswer",
// "postsWithoutIds", "badDates", "longIds".
const QStringList &hostileAnswerNames();

// A misbehaviour the sandbox shows on purpose, set by a test through
// POST /_sandbox/faults. It applies to requests whose path equals `path`
// (or starts with it when `path` ends in "*"), for any method or just
// `method`, the next `times` times (0 or less: until cleared).
struct Fault {
    int id = 0;
    QString path;
    QByteArray method; // empty: any
    int status = 0; // answer this status instead of serving the request
    int delayMs = 0; // wait this long before serving or answering
    bool badJson = false; // answer a body that is not JSON (status 200 unless `status` says)
    bool drop = false; // close the connection without any answer
    std::optional<QByteArray> body; // answer this body (status 200 unless `status` says)...
    QByteArray contentType; // ...with this type
    QList<QByteArray> chunks; // answer these pieces as one body, in separate writes
    QString hostile; // answer a generated page of this kind (hostileAnswerNames)
    qint64 sizeBytes = 0; // the size of a "hugeAnswer"
    Pacing pacing; // trickle or chunk pauses for whatever is answered
    int times = 1;

    bool matches(const HttpRequest &request) const;
    QJsonObject toJson() const;
    // Reads the control endpoint's JSON body; nothing, with a message, when a
    // field has the wrong type or range, fields contradict each other, or the
    // fault would change nothing.
    static std::optional<Fault> fromJson(const QJsonObject &object, QString *error);
};

// What the server does with one request: wait `delayMs`, then close the
// connection (`drop`), or send `answer`, or serve the request normally; the
// body goes out as `pacing` says.
struct FaultPlan {
    int delayMs = 0;
    bool drop = false;
    std::optional<HttpResponse> answer;
    // The body of `answer` when it is still being made (a huge generated page);
    // the server sends the answer once it is there.
    std::optional<QFuture<QByteArray>> pendingBody;
    QString hostile; // set by the table; the service turns it into `answer`
    qint64 sizeBytes = 0;
    Pacing pacing;
    int faultId = 0; // 0 when no fault applied
};

class FaultTable {
public:
    int add(Fault fault);
    void clear();
    QJsonArray toJson() const;
    bool isEmpty() const { return m_faults.isEmpty(); }

    // The plan for a request; uses up one of the first matching fault's times.
    FaultPlan take(const HttpRequest &request);

private:
    QList<Fault> m_faults;
    int m_nextId = 1;
};

} // namespace sandbox
