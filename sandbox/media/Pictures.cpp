#include "media/Pictures.h"

#include "data/Seed.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

namespace sandbox {

namespace {

constexpr int kMaxCachedAvatars = 4096;

quint32 nameHash(const QString &name)
{
    // FNV-1a over the UTF-16 units: stable across runs and platforms.
    quint32 h = 2166136261u;
    for (QChar c : name) {
        h ^= c.unicode();
        h *= 16777619u;
    }
    return h;
}

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray bigEndian(quint32 value)
{
    const char bytes[4] = { char(value >> 24), char(value >> 16), char(value >> 8), char(value) };
    return QByteArray(bytes, 4);
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    const QByteArray typed = QByteArray(type) + data;
    return bigEndian(quint32(data.size())) + typed + bigEndian(crc32(typed));
}

QByteArray encodePng(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QImage drawAvatar(const QString &name)
{
    const quint32 h = nameHash(name);
    const QSize size = avatarSize(name);
    QImage image(size, QImage::Format_RGB32);
    const int hue = int(h % 360);
    const QColor ground = QColor::fromHsv(hue, 90 + int((h >> 9) % 90), 200 + int((h >> 17) % 40));
    const QColor figure = QColor::fromHsv((hue + 180) % 360, 40, 250);
    const QColor accent = QColor::fromHsv((hue + 40) % 360, 160, 170);
    image.fill(ground);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const qreal w = size.width();
    const qreal ht = size.height();
    const qreal unit = std::min(w, ht);

    // A pattern behind the figure, chosen by the name: stripes, dots or a band.
    p.setBrush(accent);
    switch ((h >> 5) % 3) {
    case 0:
        for (int i = 0; i < 6; ++i)
            p.drawRect(QRectF(i * w / 6, 0, w / 18, ht));
        break;
    case 1:
        for (int i = 0; i < 5; ++i)
            p.drawEllipse(
                QPointF(w * ((h >> (i * 3)) % 10) / 10.0, ht * ((h >> (i * 4 + 1)) % 10) / 10.0),
                unit / 14, unit / 14);
        break;
    default:
        p.drawRect(QRectF(0, ht * 0.62, w, ht * 0.12));
        break;
    }

    p.setBrush(figure);
    p.drawEllipse(QPointF(w / 2, ht * 0.40), unit * 0.20, unit * 0.20);
    p.drawEllipse(QPointF(w / 2, ht * 0.40 + unit * 0.62), unit * 0.36, unit * 0.34);
    return image;
}

QImage drawLandscape(int n)
{
    const QSize size = PictureCache::sampleSize(n);
    QImage image(size, QImage::Format_RGB32);
    const qreal w = size.width();
    const qreal h = size.height();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    QLinearGradient sky(0, 0, 0, h * 0.7);
    sky.setColorAt(0, QColor::fromHsv((200 + n * 23) % 360, 120, 230));
    sky.setColorAt(1, QColor::fromHsv((20 + n * 11) % 360, 90, 250));
    p.fillRect(image.rect(), sky);
    p.setBrush(QColor(255, 236, 170));
    p.drawEllipse(
        QPointF(w * (0.2 + 0.08 * n), h * 0.25), std::min(w, h) * 0.08, std::min(w, h) * 0.08);

    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath ridge;
        const qreal base = h * (0.55 + 0.1 * layer);
        ridge.moveTo(0, h);
        ridge.lineTo(0, base);
        const int peaks = 4 + (n + layer) % 4;
        for (int i = 0; i <= peaks; ++i) {
            const qreal x = w * i / peaks;
            const qreal y = base - h * 0.12 * (((n * 7 + layer * 5 + i * 3) % 5) / 4.0);
            ridge.lineTo(x, y);
        }
        ridge.lineTo(w, h);
        ridge.closeSubpath();
        p.setBrush(
            QColor::fromHsv((110 + n * 17 + layer * 25) % 360, 90 + layer * 30, 150 - layer * 35));
        p.drawPath(ridge);
    }
    return image;
}

} // namespace

bool isValidPictureName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return pattern.match(name).hasMatch();
}

QSize avatarSize(const QString &name)
{
    // Big ones are rarer: they cost the most to draw and encode.
    static const QSize sizes[] = {
        { 48, 48 },
        { 64, 64 },
        { 80, 80 },
        { 96, 96 },
        { 120, 120 },
        { 128, 128 },
        { 144, 144 },
        { 160, 160 },
        { 200, 200 },
        { 256, 256 },
        { 96, 128 },
        { 100, 150 },
        { 160, 120 },
        { 320, 240 },
        { 512, 384 },
        { 512, 512 },
    };
    return sizes[nameHash(name) % (sizeof(sizes) / sizeof(sizes[0]))];
}

QByteArray PictureCache::avatarPng(const QString &name)
{
    {
        const QMutexLocker lock(&m_mutex);
        if (const auto it = m_avatars.constFind(name); it != m_avatars.cend())
            return *it;
    }
    const QByteArray png = encodePng(drawAvatar(name));
    const QMutexLocker lock(&m_mutex);
    if (m_avatars.size() >= kMaxCachedAvatars)
        m_avatars.clear(); // any name is served, so the cache must not grow without end
    m_avatars.insert(name, png);
    return png;
}

bool PictureCache::hasAvatar(const QString &name) const
{
    const QMutexLocker lock(&m_mutex);
    return m_avatars.contains(name);
}

QSize PictureCache::sampleSize(int n)
{
    static const QSize sizes[] = { { 1200, 400 }, { 400, 1200 }, { 800, 600 }, { 640, 640 },
        { 1024, 576 }, { 300, 200 }, { 1600, 900 }, { 600, 800 } };
    if (n < 1 || n > int(sizeof(sizes) / sizeof(sizes[0])))
        return {};
    return sizes[n - 1];
}

QByteArray PictureCache::samplePng(int n)
{
    if (n < 1 || n > kSampleImageCount)
        return {};
    {
        const QMutexLocker lock(&m_mutex);
        if (const auto it = m_samples.constFind(n); it != m_samples.cend())
            return *it;
    }
    const QByteArray png = encodePng(drawLandscape(n));
    const QMutexLocker lock(&m_mutex);
    m_samples.insert(n, png);
    return png;
}

QByteArray PictureCache::bombPng()
{
    const QMutexLocker lock(&m_mutex);
    if (!m_bomb.isEmpty())
        return m_bomb;
    constexpr quint32 side = 20000;
    // One bit per pixel, grey: every row is a filter byte and 2500 zero bytes.
    QByteArray header = bigEndian(side) + bigEndian(side);
    header += QByteArray("\x01\x00\x00\x00\x00", 5);
    const QByteArray rows(qsizetype(side) * (1 + side / 8), '\0');
    // qCompress writes a zlib stream after four bytes of length.
    const QByteArray zlib = qCompress(rows, 1).mid(4);
    m_bomb = QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", zlib)
        + pngChunk("IEND", {});
    return m_bomb;
}

bool PictureCache::hasSample(int n) const
{
    const QMutexLocker lock(&m_mutex);
    return m_samples.contains(n);
}

QByteArray PictureCache::etagFor(const QByteArray &data)
{
    return '"' + QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex().left(24) + '"';
}

} // namespace sandbox
