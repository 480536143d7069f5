#include "http/Multipart.h"

namespace sandbox {

namespace {

// Reads `key=value` or `key="value"` parameters of a header value such as
// `form-data; name="uploaded"; filename="/tmp/a b.jpg"`.
QByteArray headerParameter(const QByteArray &headerValue, const QByteArray &key)
{
    qsizetype i = 0;
    const qsizetype n = headerValue.size();
    while (i < n) {
        const qsizetype semi = headerValue.indexOf(';', i);
        if (semi < 0)
            return {};
        i = semi + 1;
        while (i < n && headerValue[i] == ' ')
            ++i;
        const qsizetype eq = headerValue.indexOf('=', i);
        if (eq < 0)
            return {};
        const QByteArray name = headerValue.mid(i, eq - i).trimmed().toLower();
        i = eq + 1;
        QByteArray value;
        if (i < n && headerValue[i] == '"') {
            ++i;
            while (i < n && headerValue[i] != '"') {
                if (headerValue[i] == '\\' && i + 1 < n)
                    ++i;
                value.append(headerValue[i]);
                ++i;
            }
            ++i; // closing quote
        } else {
            const qsizetype end = headerValue.indexOf(';', i);
            value = headerValue.mid(i, end < 0 ? -1 : end - i).trimmed();
            i = end < 0 ? n : end;
        }
        if (name == key)
            return value;
    }
    return {};
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

} // namespace

std::optional<QByteArray> multipartBoundary(const QByteArray &contentType)
{
    const QByteArray lower = contentType.trimmed().toLower();
    if (!lower.startsWith("multipart/form-data"))
        return std::nullopt;
    const QByteArray boundary = headerParameter(contentType, "boundary");
    if (boundary.isEmpty() || boundary.size() > 200)
        return std::nullopt;
    return boundary;
}

std::optional<QList<MultipartPart>> parseMultipart(
    const QByteArray &body, const QByteArray &boundary, QString *error)
{
    const QByteArray delimiter = "--" + boundary;
    const QByteArray nextDelimiter = "\r\n" + delimiter;
    QList<MultipartPart> parts;

    qsizetype pos = body.indexOf(delimiter);
    if (pos < 0) {
        fail(error, QStringLiteral("the body holds no part boundary"));
        return std::nullopt;
    }
    pos += delimiter.size();
    while (true) {
        if (body.mid(pos, 2) == "--")
            return parts; // closing delimiter
        if (body.mid(pos, 2) != "\r\n") {
            fail(error, QStringLiteral("a boundary is not followed by a line break"));
            return std::nullopt;
        }
        pos += 2;
        const qsizetype headersEnd = body.indexOf("\r\n\r\n", pos);
        if (headersEnd < 0) {
            fail(error, QStringLiteral("a part has no end of headers"));
            return std::nullopt;
        }
        MultipartPart part;
        const QList<QByteArray> lines = body.mid(pos, headersEnd - pos).split('\n');
        for (QByteArray line : lines) {
            line = line.trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon < 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-disposition") {
                part.name = headerParameter(value, "name");
                part.fileName = headerParameter(value, "filename");
            } else if (name == "content-type") {
                part.contentType = value;
            }
        }
        const qsizetype dataStart = headersEnd + 4;
        const qsizetype dataEnd = body.indexOf(nextDelimiter, dataStart);
        if (dataEnd < 0) {
            fail(error, QStringLiteral("the body ends inside a part"));
            return std::nullopt;
        }
        part.data = body.mid(dataStart, dataEnd - dataStart);
        parts.append(part);
        pos = dataEnd + nextDelimiter.size();
    }
}

} // namespace sandbox
