#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

// Property lists (XML and binary) as QVariant trees.
//
// Mapping: QVariantMap <-> dictionary, QVariantList/QStringList <-> array,
// QString <-> string, bool <-> boolean, integers <-> integer, double <-> real,
// QByteArray <-> data, QDateTime <-> date. Anything else is written as a string
// of its text form, or skipped when it has none.
namespace PropertyList {

enum class Format { Xml, Binary };

QByteArray encode(const QVariant &value, Format format);

// Decodes XML or binary (detected from the bytes). nullopt when the bytes are
// not a property list.
std::optional<QVariant> decode(const QByteArray &data);

// Reading a file that may be missing: a missing file is not an error, an
// unreadable or undecodable one is.
struct FileResult {
    enum class Status { Missing, Unreadable, Ok };
    Status status = Status::Missing;
    QVariant value;
};
FileResult readFile(const QString &path);

// Writes through a temporary file and a rename, so a crash leaves either the
// old file or the new one, never half of one.
bool writeFileAtomically(const QString &path, const QByteArray &data);

} // namespace PropertyList
