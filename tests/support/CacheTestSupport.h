#pragma once

#include "support/cache/CachedURLResponse.h"
#include "support/cache/HttpDate.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QNetworkRequest>
#include <QTemporaryDir>

#include <mutex>

namespace cachetest {

inline CachedURLResponse response(
    const QString &url, int status, HeaderFields headers, QByteArray body = QByteArray("body"))
{
    CachedURLResponse r;
    r.url = QUrl(url);
    r.statusCode = status;
    r.headerFields = std::move(headers);
    r.mimeType = u"image/png"_qs;
    r.body = std::move(body);
    return r;
}

// A response any disk tier keeps: fresh for a day.
inline CachedURLResponse keepable(const QString &url, QByteArray body = QByteArray("body"))
{
    return response(url, 200, { { u"Cache-Control"_qs, u"max-age=86400"_qs } }, std::move(body));
}

inline QNetworkRequest request(const QString &url)
{
    return QNetworkRequest(QUrl(url));
}

inline QString httpDate(const QDateTime &date)
{
    return HttpDate::format(date);
}

// A clock the test moves by hand; starts at a fixed instant.
class ManualClock {
public:
    QDateTime now() const
    {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    void advance(qint64 seconds)
    {
        std::lock_guard lock(m_mutex);
        m_now = m_now.addSecs(seconds);
    }

private:
    mutable std::mutex m_mutex;
    QDateTime m_now = QDateTime::currentDateTimeUtc();
};

inline qint64 fileSize(const QString &path)
{
    return QFileInfo(path).size();
}

inline QStringList entryFiles(const QString &folder)
{
    return QDir(folder).entryList({ u"V2_*"_qs }, QDir::Files, QDir::Name);
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace cachetest
