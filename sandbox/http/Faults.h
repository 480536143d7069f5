#pragma once

#include "http/HttpMessage.h"

#include <QJsonArray>
#include <QJsonObject>

#include <optional>

namespace sandbox {

// A misbehaviour the sandbox shows on purpose, set by a test through
// POST /_sandbox/faults. It applies to requests whose path equals `path`
// (or starts with it when `path` ends in "*"), for any method or just
// `method`, the next `times` times (0 or less: until cleared).
struct Fault {
    int id = 0;
    QString path;
    QByteArray method;     // empty: any
    int status = 0;        // answer this status instead of serving the request
    int delayMs = 0;       // wait this long before serving or answering
    bool badJson = false;  // answer a body that is not JSON (status 200 unless `status` says)
    bool drop = false;     // close the connection without any answer
    int times = 1;

    bool matches(const HttpRequest &request) const;
    QJsonObject toJson() const;
    // Reads the control endpoint's JSON body; nothing, with a message, when a
    // field has the wrong type or range or the fault would change nothing.
    static std::optional<Fault> fromJson(const QJsonObject &object, QString *error);
};

// What the server does with one request: wait `delayMs`, then close the
// connection (`drop`), or send `answer`, or serve the request normally.
struct FaultPlan {
    int delayMs = 0;
    bool drop = false;
    std::optional<HttpResponse> answer;
    int faultId = 0;       // 0 when no fault applied
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
