#include "http/Faults.h"

using namespace Qt::StringLiterals;

namespace sandbox {

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
    QJsonObject o{{u"id"_s, id}, {u"path"_s, path}, {u"status"_s, status}, {u"delayMs"_s, delayMs},
                  {u"badJson"_s, badJson}, {u"drop"_s, drop}, {u"times"_s, times}};
    if (!method.isEmpty())
        o.insert(u"method"_s, QString::fromLatin1(method));
    return o;
}

std::optional<Fault> Fault::fromJson(const QJsonObject &o, QString *error)
{
    auto fail = [error](const QString &message) -> std::optional<Fault> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    static const QStringList known{u"path"_s, u"method"_s, u"status"_s, u"delayMs"_s,
                                   u"badJson"_s, u"drop"_s, u"times"_s};
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!known.contains(it.key()))
            return fail(u"unknown field \"%1\""_s.arg(it.key()));
    }
    auto integer = [&](const QString &key, int fallback, int low, int high, bool *ok) {
        const QJsonValue v = o.value(key);
        if (v.isUndefined() || v.isNull())
            return fallback;
        const double d = v.toDouble(-1e18);
        if (!v.isDouble() || d != double(qint64(d)) || d < low || d > high) {
            *ok = false;
            return fallback;
        }
        return int(d);
    };
    auto boolean = [&](const QString &key, bool *ok) {
        const QJsonValue v = o.value(key);
        if (v.isUndefined() || v.isNull())
            return false;
        if (!v.isBool())
            *ok = false;
        return v.toBool();
    };

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
    f.status = integer(u"status"_s, 0, 0, 599, &ok);
    if (!ok || (f.status != 0 && f.status < 100))
        return fail(u"\"status\" must be a whole number from 100 to 599"_s);
    f.delayMs = integer(u"delayMs"_s, 0, 0, 120000, &ok);
    if (!ok)
        return fail(u"\"delayMs\" must be a whole number from 0 to 120000"_s);
    f.times = integer(u"times"_s, 1, -1000000, 1000000, &ok);
    if (!ok)
        return fail(u"\"times\" must be a whole number"_s);
    f.badJson = boolean(u"badJson"_s, &ok);
    f.drop = boolean(u"drop"_s, &ok);
    if (!ok)
        return fail(u"\"badJson\" and \"drop\" must be true or false"_s);
    if (f.status == 0 && f.delayMs == 0 && !f.badJson && !f.drop)
        return fail(u"the fault changes nothing: give status, delayMs, badJson or drop"_s);
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
        if (!f.drop && (f.status != 0 || f.badJson)) {
            const int status = f.status ? f.status : 200;
            if (f.badJson) {
                HttpResponse r;
                r.status = status;
                r.contentType = "application/json; charset=utf-8";
                r.body = "{\"meta\": {\"code\": " + QByteArray::number(status) + ", \"error_mess";
                plan.answer = r;
            } else {
                plan.answer = errorResponse(status, u"Fault injected by the sandbox"_s);
            }
        }
        if (f.times > 0 && --f.times == 0)
            m_faults.removeAt(i);
        break;
    }
    return plan;
}

} // namespace sandbox
