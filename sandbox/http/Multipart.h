#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace sandbox {

struct MultipartPart {
    QByteArray name; // the form field, from Content-Disposition
    QByteArray fileName; // as sent (Velto sends the full local path); empty when absent
    QByteArray contentType; // empty when the part has none
    QByteArray data;
};

// The boundary parameter of a "multipart/form-data" Content-Type, or nothing
// when the type is another one or names no boundary.
std::optional<QByteArray> multipartBoundary(const QByteArray &contentType);

// Splits a multipart/form-data body. Nothing, with a message, when the body
// does not follow the boundary structure.
std::optional<QList<MultipartPart>> parseMultipart(
    const QByteArray &body, const QByteArray &boundary, QString *error = nullptr);

} // namespace sandbox
