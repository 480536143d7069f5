#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QSize>
#include <QString>

namespace sandbox {

// Names the avatar host serves: 1 to 64 letters, digits, "-" or "_".
bool isValidPictureName(const QString &name);

// The avatar's pixel size, fixed by its name: mostly square from 48 to 512
// pixels, some wider than tall and some taller than wide.
QSize avatarSize(const QString &name);

// Real PNG pictures drawn on demand and kept once made: avatars (a figure on a
// coloured ground, colours and pattern from the name) and the sample photos of
// the image host (a landscape per number). Drawing needs no font and no
// display. Thread-safe, so the server can draw on worker threads while it
// answers other requests; two threads asking for the same new picture may
// both draw it, with the same bytes.
class PictureCache {
public:
    QByteArray avatarPng(const QString &name);
    bool hasAvatar(const QString &name) const;
    // n from 1 to kSampleImageCount; empty for other numbers.
    QByteArray samplePng(int n);
    bool hasSample(int n) const;
    static QSize sampleSize(int n);
    // A small PNG whose header claims 20000 x 20000 pixels, all of them
    // there once inflated: a decompression bomb for the image host's
    // "huge.png" (made once).
    QByteArray bombPng();

    // A strong validator for a body: a quoted hash of its bytes.
    static QByteArray etagFor(const QByteArray &data);

private:
    mutable QMutex m_mutex;
    QHash<QString, QByteArray> m_avatars;
    QHash<int, QByteArray> m_samples;
    QByteArray m_bomb;
};

} // namespace sandbox
