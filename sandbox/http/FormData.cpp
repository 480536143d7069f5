#include "http/FormData.h"

#include <QStringDecoder>

namespace sandbox {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<QString> decodeFormComponent(QByteArrayView encoded)
{
    QByteArray bytes;
    bytes.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '+') {
            bytes.append(' ');
        } else if (c == '%') {
            if (i + 2 >= encoded.size())
                return std::nullopt;
            const int hi = hexValue(encoded[i + 1]);
            const int lo = hexValue(encoded[i + 2]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            bytes.append(char(hi * 16 + lo));
            i += 2;
        } else {
            bytes.append(c);
        }
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool isWellFormedUtf16(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
        } else if (c.isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

std::optional<FormData> FormData::parse(const QByteArray &encoded, QString *error)
{
    FormData form;
    const QList<QByteArray> parts = encoded.split('&');
    for (const QByteArray &part : parts) {
        if (part.isEmpty())
            continue;
        const qsizetype eq = part.indexOf('=');
        const QByteArrayView rawName
            = eq < 0 ? QByteArrayView(part) : QByteArrayView(part).first(eq);
        const QByteArrayView rawValue
            = eq < 0 ? QByteArrayView() : QByteArrayView(part).sliced(eq + 1);
        const auto name = decodeFormComponent(rawName);
        const auto value = decodeFormComponent(rawValue);
        if (!name || !value) {
            if (error)
                *error = QStringLiteral("malformed percent-encoding or invalid UTF-8 in \"%1\"")
                             .arg(QString::fromLatin1(part.left(60)));
            return std::nullopt;
        }
        if (name->isEmpty()) {
            if (error)
                *error = QStringLiteral("a parameter without a name");
            return std::nullopt;
        }
        form.m_pairs.append({ *name, *value });
    }
    return form;
}

bool FormData::contains(const QString &name) const
{
    return count(name) > 0;
}

std::optional<QString> FormData::value(const QString &name) const
{
    for (const auto &[key, value] : m_pairs) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

int FormData::count(const QString &name) const
{
    int n = 0;
    for (const auto &pair : m_pairs)
        n += pair.first == name ? 1 : 0;
    return n;
}

QList<QString> FormData::names() const
{
    QList<QString> out;
    for (const auto &pair : m_pairs) {
        if (!out.contains(pair.first))
            out.append(pair.first);
    }
    return out;
}

} // namespace sandbox
