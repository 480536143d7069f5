#pragma once

#include <QByteArray>
#include <QImage>

class QImageReader;

// Downloaded pictures are nearly always PNG, JPEG or GIF, and their first
// bytes say which. Naming the format to the reader spares the program the
// reader's own detection, which loads every image plugin on the machine to
// ask each of them (about a quarter of a megabyte of libraries, for nothing).

// "png", "jpeg" or "gif" when the first bytes of `data` say so; empty else.
QByteArray sniffedImageFormat(const QByteArray &data);

// Points `reader` at the format `data` begins with; a picture in any other
// format is left to the reader's own detection.
void aimReaderAtFormat(QImageReader &reader, const QByteArray &data);

// `data` decoded as above; a null image when it is not a picture.
QImage decodedImage(const QByteArray &data);
