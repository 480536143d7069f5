#include "http/Faults.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace sandbox {

namespace {

constexpr qint64 kDefaultHugeAnswerBytes = 50'000'000;
constexpr qint64 kMaxHugeAnswerBytes = 512 * 1024 * 1024;
constexpr int kDefaultChunkDelayMs = 100;

// Typed reads of the fault's fields; each sets `*ok` to false on a value of
// the wrong type or range and answers the fallback for an absent one.
class FieldReader {
public:
    explicit FieldReader(const QJsonObject &o)
        : m_o(o)
    {
    }

    bool has(const QString &key) const
    {
        const QJsonValue v = m_o.value(key);
        return !v.isUndefined() && !v.isNull();
    }
    qint64 integer(const QString &key, qint64 fallback, qint64 low, qint64 high, bool *ok) const
    {
        if (!has(key))
            return fallback;
        const QJsonValue v = m_o.value(key);
        const double d = v.toDouble(-1e18);
        if (!v.isDouble() || d != double(qint64(d)) || d < double(low) || d > double(high)) {
            *ok = false;
            return fallback;
        }
        return qint64(d);
    }
    bool boolean(const QString &key, bool *ok) const
    {
        if (!has(key))
            return false;
        if (!m_o.value(key).isBool())
            *ok = false;
        return m_o.value(key).toBool();
    }

private:
    const QJsonObject &m_o;
};

QByteArray brokenJson(int status)
{
    return "{\"meta\": {\"code\": " + QByteArray::number(status) + ", \"error_mess";
}

} // namespace

const QStringList &hostileAnswerNames()
{
    static const QStringList names { u"longWord"_s, u"denseEntities"_s, u"deepNesting"_s,
        u"hugeAnswer"_s, u"postsWithoutIds"_s, u"badDates"_s, u"longIds"_s };
    return names;
}

bool Fault::matches(const HttpRequest &request) const
{
    if (!method.isEmpty() && method != request.method)
        return false;
    const QString requestPath = request.path();
    if (path.endsWith(u'*'))
        return requestPath.startsWith(QStringView(path).chopped(1));
    return requestPath == path;
}

QJsonObject Fault::toJson() const
{
    QJsonObject o { { u"id"_s, id }, { u"path"_s, path }, { u"status"_s, status },
        { u"delayMs"_s, delayMs }, { u"badJson"_s, badJson }, { u"drop"_s, drop },
        { u"times"_s, times } };
    if (!method.isEmpty())
        o.insert(u"method"_s, QString::fromLatin1(method));
    if (body) {
        o.insert(u"body"_s, QString::fromUtf8(*body));
        o.insert(u"contentType"_s, QString::fromLatin1(contentType));
    }
    if (!chunks.isEmpty()) {
        QJsonArray pieces;
        for (const QByteArray &chunk : chunks)
            pieces.append(QString::fromUtf8(chunk));
        o.insert(u"chunks"_s, pieces);
        o.insert(u"chunkDelayMs"_s, pacing.chunkDelayMs);
        o.insert(u"contentType"_s, QString::fromLatin1(contentType));
    }
    if (!hostile.isEmpty())
        o.insert(u"hostile"_s, hostile);
    if (hostile == u"hugeAnswer")
        o.insert(u"sizeBytes"_s, sizeBytes);
    if (pacing.trickleMs > 0) {
        o.insert(u"trickleMs"_s, pacing.trickleMs);
        o.insert(u"trickleBytes"_s, pacing.trickleBytes);
    }
    return o;
}

std::optional<Fault> Fault::fromJson(const QJsonObject &o, QString *error)
{
    auto fail = [error](const QString &message) -> std::optional<Fault> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    static const QStringList known { u"path"_s, u"method"_s, u"status"_s, u"delayMs"_s,
        u"badJson"_s, u"drop"_s, u"times"_s, u"body"_s, u"contentType"_s, u"chunks"_s,
        u"chunkDelayMs"_s, u"trickleMs"_s, u"trickleBytes"_s, u"hostile"_s, u"sizeBytes"_s };
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!known.contains(it.key()))
            return fail(u"unknown field \"%1\""_s.arg(it.key()));
    }
    const FieldReader read(o);

    Fault f;
    if (!o.value(u"path"_s).isString() || !o.value(u"path"_s).toString().startsWith(u'/'))
        return fail(u"\"path\" must be a string beginning with \"/\""_s);
    f.path = o.value(u"path"_s).toString();
    if (o.contains(u"method"_s)) {
        if (!o.value(u"method"_s).isString())
            return fail(u"\"method\" must be a string"_s);
        f.method = o.value(u"method"_s).toString().toUpper().toLatin1();
    }
    bool ok = true;
    f.status = int(read.integer(u"status"_s, 0, 0, 599, &ok));
    if (!ok || (f.status != 0 && f.status < 100))
        return fail(u"\"status\" must be a whole number from 100 to 599"_s);
    f.delayMs = int(read.integer(u"delayMs"_s, 0, 0, 120000, &ok));
    if (!ok)
        return fail(u"\"delayMs\" must be a whole number from 0 to 120000"_s);
    f.times = int(read.integer(u"times"_s, 1, -1000000, 1000000, &ok));
    if (!ok)
        return fail(u"\"times\" must be a whole number"_s);
    f.badJson = read.boolean(u"badJson"_s, &ok);
    f.drop = read.boolean(u"drop"_s, &ok);
    if (!ok)
        return fail(u"\"badJson\" and \"drop\" must be true or false"_s);

    // The answer's own body: a string as it is, or JSON written out.
    if (read.has(u"body"_s)) {
        const QJsonValue v = o.value(u"body"_s);
        if (v.isString()) {
            f.body = v.toString().toUtf8();
            f.contentType = "text/plain; charset=utf-8";
        } else if (v.isObject() || v.isArray()) {
            f.body = v.isObject() ? QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact)
                                  : QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact);
            f.contentType = "application/json; charset=utf-8";
        } else {
            return fail(u"\"body\" must be a string, a JSON object or a JSON array"_s);
        }
    }
    if (read.has(u"chunks"_s)) {
        const QJsonArray pieces = o.value(u"chunks"_s).toArray();
        if (!o.value(u"chunks"_s).isArray() || pieces.isEmpty())
            return fail(u"\"chunks\" must be an array of one or more strings"_s);
        for (const QJsonValue &piece : pieces) {
            if (!piece.isString() || piece.toString().isEmpty())
                return fail(u"each of \"chunks\" must be a string of at least one character"_s);
            f.chunks.append(piece.toString().toUtf8());
        }
        f.contentType = "text/plain; charset=utf-8";
        f.pacing.chunkDelayMs
            = int(read.integer(u"chunkDelayMs"_s, kDefaultChunkDelayMs, 0, 120000, &ok));
        if (!ok)
            return fail(u"\"chunkDelayMs\" must be a whole number from 0 to 120000"_s);
    } else if (read.has(u"chunkDelayMs"_s)) {
        return fail(u"\"chunkDelayMs\" needs \"chunks\""_s);
    }
    if (read.has(u"contentType"_s)) {
        if (!o.value(u"contentType"_s).isString()
            || o.value(u"contentType"_s).toString().contains(u'\n'))
            return fail(u"\"contentType\" must be a string on one line"_s);
        if (!f.body && f.chunks.isEmpty())
            return fail(u"\"contentType\" needs \"body\" or \"chunks\""_s);
        f.contentType = o.value(u"contentType"_s).toString().toUtf8();
    }
    if (read.has(u"hostile"_s)) {
        f.hostile = o.value(u"hostile"_s).toString();
        if (!hostileAnswerNames().contains(f.hostile))
            return fail(u"\"hostile\" must be one of %1"_s.arg(hostileAnswerNames().join(u", ")));
    }
    if (f.hostile == u"hugeAnswer") {
        f.sizeBytes
            = read.integer(u"sizeBytes"_s, kDefaultHugeAnswerBytes, 1, kMaxHugeAnswerBytes, &ok);
        if (!ok)
            return fail(
                u"\"sizeBytes\" must be a whole number from 1 to %1"_s.arg(kMaxHugeAnswerBytes));
    } else if (read.has(u"sizeBytes"_s)) {
        return fail(u"\"sizeBytes\" belongs to \"hostile\": \"hugeAnswer\""_s);
    }

    f.pacing.trickleMs = int(read.integer(u"trickleMs"_s, 0, 1, 600000, &ok));
    if (!ok)
        return fail(u"\"trickleMs\" must be a whole number from 1 to 600000"_s);
    f.pacing.trickleBytes = int(read.integer(u"trickleBytes"_s, 1, 1, 1024 * 1024, &ok));
    if (!ok)
        return fail(u"\"trickleBytes\" must be a whole number from 1 to 1048576"_s);
    if (read.has(u"trickleBytes"_s) && f.pacing.trickleMs == 0)
        return fail(u"\"trickleBytes\" needs \"trickleMs\""_s);

    const int answers = int(f.badJson) + int(f.body.has_value()) + int(!f.chunks.isEmpty())
        + int(!f.hostile.isEmpty());
    if (answers > 1)
        return fail(u"give only one of badJson, body, chunks and hostile"_s);
    // A status beside drop has always been allowed (and ignored); the answers are not.
    if (f.drop && (answers > 0 || f.pacing.trickleMs > 0))
        return fail(
            u"a dropped connection answers nothing: drop goes with delayMs and times only"_s);
    if (f.pacing.trickleMs > 0 && !f.chunks.isEmpty())
        return fail(u"give either chunks or trickleMs, not both"_s);
    if (f.status == 0 && f.delayMs == 0 && !f.drop && answers == 0 && f.pacing.trickleMs == 0)
        return fail(
            u"the fault changes nothing: give status, delayMs, badJson, drop, body, chunks, hostile or trickleMs"_s);
    return f;
}

int FaultTable::add(Fault fault)
{
    fault.id = m_nextId++;
    m_faults.append(fault);
    return fault.id;
}

void FaultTable::clear()
{
    m_faults.clear();
}

QJsonArray FaultTable::toJson() const
{
    QJsonArray out;
    for (const Fault &f : m_faults)
        out.append(f.toJson());
    return out;
}

FaultPlan FaultTable::take(const HttpRequest &request)
{
    FaultPlan plan;
    for (qsizetype i = 0; i < m_faults.size(); ++i) {
        Fault &f = m_faults[i];
        if (!f.matches(request))
            continue;
        plan.faultId = f.id;
        plan.delayMs = f.delayMs;
        plan.drop = f.drop;
        plan.pacing = f.pacing;
        const int status = f.status ? f.status : 200;
        HttpResponse r;
        r.status = status;
        if (f.drop) {
            // nothing to answer
        } else if (f.badJson) {
            r.contentType = "application/json; charset=utf-8";
            r.body = brokenJson(status);
            plan.answer = r;
        } else if (f.body) {
            r.contentType = f.contentType;
            r.body = *f.body;
            plan.answer = r;
        } else if (!f.chunks.isEmpty()) {
            r.contentType = f.contentType;
            for (const QByteArray &chunk : std::as_const(f.chunks)) {
                r.body += chunk;
                plan.pacing.chunkSizes.append(chunk.size());
            }
            plan.answer = r;
        } else if (!f.hostile.isEmpty()) {
            r.contentType = "application/json; charset=utf-8";
            plan.answer = r; // the service writes the body
            plan.hostile = f.hostile;
            plan.sizeBytes = f.sizeBytes;
        } else if (f.status != 0) {
            plan.answer = errorResponse(status, u"Fault injected by the sandbox"_s);
        }
        if (f.times > 0 && --f.times == 0)
            m_faults.removeAt(i);
        break;
    }
    return plan;
}

} // namespace sandbox
