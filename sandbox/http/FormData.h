#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace sandbox {

// Name/value pairs of a query string or an application/x-www-form-urlencoded
// body, in the order sent. Decoding is strict: "+" is a space, "%XX" must be
// two hex digits, and the result must be valid UTF-8; anything else is an
// error with a message naming the fault. Empty pairs (from "a=1&&b=2" or the
// trailing "&" that Velto's query builder leaves) are skipped.
class FormData {
public:
    static std::optional<FormData> parse(const QByteArray &encoded, QString *error = nullptr);

    bool contains(const QString &name) const;
    // The value of the first pair with that name, or nothing.
    std::optional<QString> value(const QString &name) const;
    int count(const QString &name) const;
    QList<QString> names() const;
    const QList<QPair<QString, QString>> &pairs() const { return m_pairs; }

private:
    QList<QPair<QString, QString>> m_pairs;
};

// Strict percent-decoding of one form component ("+" as space); nothing on a
// malformed escape or invalid UTF-8.
std::optional<QString> decodeFormComponent(QByteArrayView encoded);

// Whether the text is well-formed UTF-16 (no lone surrogates).
bool isWellFormedUtf16(const QString &text);

} // namespace sandbox
