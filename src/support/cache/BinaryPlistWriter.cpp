#include "support/cache/BinaryPlistWriter.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
constexpr qint64 kPlistEpochMSecs = 978307200000LL;

int bytesFor(quint64 value)
{
    if (value <= 0xff)
        return 1;
    if (value <= 0xffff)
        return 2;
    if (value <= 0xffffffffULL)
        return 4;
    return 8;
}

void appendBigEndian(QByteArray &out, quint64 value, int width)
{
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xff));
}

// An integer object: marker 0x1n, then 2^n bytes.
void appendInteger(QByteArray &out, quint64 value)
{
    const int width = bytesFor(value);
    const int power = width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3;
    out.append(char(0x10 | power));
    appendBigEndian(out, value, width);
}

// A marker with a count in its low nibble, or 0xF and an integer after it.
void appendMarker(QByteArray &out, quint8 type, quint64 count)
{
    if (count < 15) {
        out.append(char(type | count));
    } else {
        out.append(char(type | 0x0f));
        appendInteger(out, count);
    }
}

} // namespace

BinaryPlistWriter::Id BinaryPlistWriter::startObject()
{
    m_offsets.append(quint64(m_objects.size()));
    return Id(m_offsets.size() - 1);
}

BinaryPlistWriter::Id BinaryPlistWriter::addString(const QString &text)
{
    const Id id = startObject();
    const bool ascii
        = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii) {
        appendMarker(m_objects, 0x50, quint64(text.size()));
        m_objects.append(text.toLatin1());
    } else {
        appendMarker(m_objects, 0x60, quint64(text.size())); // UTF-16 units, big-endian
        for (const QChar c : text)
            appendBigEndian(m_objects, c.unicode(), 2);
    }
    return id;
}

BinaryPlistWriter::Id BinaryPlistWriter::addUnsigned(quint64 value)
{
    const Id id = startObject();
    appendInteger(m_objects, value);
    return id;
}

BinaryPlistWriter::Id BinaryPlistWriter::addDate(qint64 msecsSinceEpoch)
{
    const Id id = startObject();
    const double seconds = double(msecsSinceEpoch - kPlistEpochMSecs) / 1000.0;
    quint64 bits = 0;
    std::memcpy(&bits, &seconds, sizeof bits);
    m_objects.append(char(0x33));
    appendBigEndian(m_objects, bits, 8);
    return id;
}

BinaryPlistWriter::Id BinaryPlistWriter::addDictionary(QList<QPair<Id, Id>> keysAndValues)
{
    // Placed at the end, once the number of objects (and so the width of an
    // object reference) is known.
    m_offsets.append(0);
    const Id id = Id(m_offsets.size() - 1);
    m_dictionaries.append({ id, std::move(keysAndValues) });
    return id;
}

QByteArray BinaryPlistWriter::finish(Id top)
{
    const quint64 objectCount = quint64(m_offsets.size());
    const int refSize = bytesFor(objectCount == 0 ? 0 : objectCount - 1);
    for (const auto &[id, entries] : m_dictionaries) {
        m_offsets[id] = quint64(m_objects.size());
        appendMarker(m_objects, 0xd0, quint64(entries.size()));
        for (const auto &entry : entries)
            appendBigEndian(m_objects, entry.first, refSize);
        for (const auto &entry : entries)
            appendBigEndian(m_objects, entry.second, refSize);
    }

    const quint64 offsetTableStart = quint64(m_objects.size());
    const int offsetSize = bytesFor(offsetTableStart);
    m_objects.reserve(m_objects.size() + qsizetype(objectCount) * offsetSize + 32);
    for (const quint64 offset : std::as_const(m_offsets))
        appendBigEndian(m_objects, offset, offsetSize);

    // Trailer: six unused bytes, the two widths, then three 64-bit numbers.
    m_objects.append(QByteArray(6, '\0'));
    m_objects.append(char(offsetSize));
    m_objects.append(char(refSize));
    appendBigEndian(m_objects, objectCount, 8);
    appendBigEndian(m_objects, top, 8);
    appendBigEndian(m_objects, offsetTableStart, 8);
    return std::move(m_objects);
}
