#include "support/ImageDecoding.h"

#include <QBuffer>
#include <QImageReader>

QByteArray sniffedImageFormat(const QByteArray &data)
{
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return QByteArrayLiteral("png");
    if (data.startsWith("\xff\xd8\xff"))
        return QByteArrayLiteral("jpeg");
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return QByteArrayLiteral("gif");
    return {};
}

void aimReaderAtFormat(QImageReader &reader, const QByteArray &data)
{
    const QByteArray format = sniffedImageFormat(data);
    if (format.isEmpty())
        return;
    reader.setFormat(format);
    // With detection on, the reader asks every plugin whether it reads the
    // named format, loading each one to ask.
    reader.setAutoDetectImageFormat(false);
}

QImage decodedImage(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    aimReaderAtFormat(reader, data);
    return reader.read();
}
