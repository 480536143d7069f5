#include "media/ZipArchive.h"

#include <QtEndian>

#include <array>

namespace sandbox {

namespace {

void put16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

quint32 crc32(const QByteArray &data)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t {};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : data)
        crc = table[(crc ^ quint8(ch)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

QByteArray makeZip(const QList<QPair<QString, QByteArray>> &files)
{
    // Fixed date and time (2024-01-01 00:00) so the download never changes.
    constexpr quint16 dosTime = 0;
    constexpr quint16 dosDate = ((2024 - 1980) << 9) | (1 << 5) | 1;
    QByteArray out;
    QByteArray directory;
    for (const auto &[name, data] : files) {
        const QByteArray fileName = name.toUtf8();
        const quint32 crc = crc32(data);
        const quint32 offset = quint32(out.size());

        put32(out, 0x04034b50);
        put16(out, 10); // version needed
        put16(out, 0x0800); // names are UTF-8
        put16(out, 0); // stored
        put16(out, dosTime);
        put16(out, dosDate);
        put32(out, crc);
        put32(out, quint32(data.size()));
        put32(out, quint32(data.size()));
        put16(out, quint16(fileName.size()));
        put16(out, 0);
        out += fileName;
        out += data;

        put32(directory, 0x02014b50);
        put16(directory, 20); // made by
        put16(directory, 10);
        put16(directory, 0x0800);
        put16(directory, 0);
        put16(directory, dosTime);
        put16(directory, dosDate);
        put32(directory, crc);
        put32(directory, quint32(data.size()));
        put32(directory, quint32(data.size()));
        put16(directory, quint16(fileName.size()));
        put16(directory, 0); // extra
        put16(directory, 0); // comment
        put16(directory, 0); // disk
        put16(directory, 0); // internal attributes
        put32(directory, 0); // external attributes
        put32(directory, offset);
        directory += fileName;
    }
    const quint32 directoryOffset = quint32(out.size());
    out += directory;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(files.size()));
    put16(out, quint16(files.size()));
    put32(out, quint32(directory.size()));
    put32(out, directoryOffset);
    put16(out, 0);
    return out;
}

} // namespace sandbox
