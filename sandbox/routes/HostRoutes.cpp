// The smaller outside hosts: avatar pictures, the link shortener, the image
// host and the maker's site (version description, release notes, download).
#include "routes/Routes.h"

#include "SandboxService.h"
#include "data/Seed.h"
#include "http/FormData.h"
#include "http/Multipart.h"
#include "media/ZipArchive.h"

#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace sandbox {

namespace {

constexpr int kPictureMaxAge = 86400;

// A picture with the validators and freshness a disk cache can work with;
// 304 when the client already holds this version.
HttpResponse cachedPicture(const HttpRequest &request, const QByteArray &data,
    const QByteArray &type, const QDateTime &lastModified)
{
    const QByteArray etag = PictureCache::etagFor(data);
    const QByteArray cacheControl = "public, max-age=" + QByteArray::number(kPictureMaxAge);
    const QByteArray ifNoneMatch = request.header("if-none-match");
    if (!ifNoneMatch.isEmpty() && (ifNoneMatch.contains(etag) || ifNoneMatch.trimmed() == "*")) {
        HttpResponse notModified;
        notModified.status = 304;
        return notModified.withHeader("ETag", etag).withHeader("Cache-Control", cacheControl);
    }
    HttpResponse r;
    r.contentType = type;
    r.body = data;
    return r.withHeader("ETag", etag)
        .withHeader("Cache-Control", cacheControl)
        .withHeader("Last-Modified", httpDate(lastModified));
}

QByteArray sniffImageType(const QByteArray &data)
{
    if (data.startsWith("\x89PNG"))
        return "image/png";
    if (data.startsWith("\xFF\xD8"))
        return "image/jpeg";
    if (data.startsWith("GIF8"))
        return "image/gif";
    if (data.startsWith("BM"))
        return "image/bmp";
    return "application/octet-stream";
}

// The last component of the uploaded file's name (Velto sends its full local
// path), reduced to characters that are safe in a link and a file name.
QString storedFileName(const QByteArray &sentName)
{
    QString name = QString::fromUtf8(sentName);
    name = name.mid(std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\')) + 1);
    static const QRegularExpression unsafe(u"[^A-Za-z0-9._-]"_s);
    name.replace(unsafe, u"_"_s);
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    return name.left(100);
}

QString shortCodeFor(int n)
{
    // Four characters and up, in the order links were made.
    return QString::number(46656 + n, 36);
}

// The shortener's url: everything after "url=" to the end of the query (the
// text is appended there unescaped, so it may hold "&" of its own), minus a
// trailing "&format=..." some clients put last.
std::optional<QByteArray> rawShortenerUrl(const QByteArray &query)
{
    qsizetype at = query.startsWith("url=") ? 0 : query.indexOf("&url=");
    if (at < 0)
        return std::nullopt;
    QByteArray url = query.mid(at == 0 ? 4 : at + 5);
    static const QRegularExpression trailingFormat(u"&format=[a-z]*$"_s);
    const auto m = trailingFormat.match(QString::fromLatin1(url));
    if (m.hasMatch())
        url.truncate(m.capturedStart());
    return url;
}

QString plistString(const QString &text)
{
    return u"<string>"_s + text.toHtmlEscaped() + u"</string>"_s;
}

} // namespace

void addHostRoutes(Router &site, SandboxService &s)
{
    SandboxService *service = &s;

    site.add({ "GET" }, u"avatars/{}"_s, [=](const RouteCall &call) {
        const QString file = call.args[0];
        const QString name = file.endsWith(u".png") ? file.chopped(4) : QString();
        if (!isValidPictureName(name))
            return errorResponse(
                404, u"No avatar here: avatars are /avatars/<letters, digits, - or _>.png"_s);
        return cachedPicture(call.request, service->pictures().avatarPng(name), "image/png",
            QDateTime(QDate(2024, 1, 1), QTime(0, 0), QTimeZone::utc()));
    });

    site.add({ "GET" }, u"create.php"_s, [=](const RouteCall &call) {
        const QByteArray query = call.request.rawQuery;
        const auto leading = FormData::parse(
            query.left(query.indexOf("url=") < 0 ? query.size() : query.indexOf("url=")));
        const QString format
            = leading ? leading->value(u"format"_s).value_or(u"simple"_s) : u"simple"_s;
        if (format != u"simple" && format != u"json")
            return textResponse(u"Error: format must be simple or json"_s, 400);
        const auto raw = rawShortenerUrl(query);
        if (!raw || raw->isEmpty())
            return textResponse(u"Error: Please specify a URL to shorten."_s, 400);
        const QUrl target = QUrl::fromEncoded(*raw, QUrl::TolerantMode);
        if (!target.isValid() || (target.scheme() != u"http" && target.scheme() != u"https")
            || target.host().isEmpty())
            return textResponse(u"Error: Please enter a valid URL to shorten."_s, 400);

        HostState &hosts = service->hosts();
        const QString key = QString::fromUtf8(target.toEncoded());
        QString code = hosts.shortCodes.value(key);
        if (code.isEmpty()) {
            code = shortCodeFor(int(hosts.shortLinks.size()));
            hosts.shortLinks.insert(code, key);
            hosts.shortCodes.insert(key, code);
            service->noteChanged();
        }
        const QString shortUrl = service->baseUrl() + u"/s/"_s + code;
        if (format == u"json")
            return jsonResponse(QJsonObject { { u"shorturl"_s, shortUrl } });
        return textResponse(shortUrl); // no line break: the text is inserted as it is
    });

    site.add({ "GET" }, u"s/{}"_s, [=](const RouteCall &call) {
        const QString target = service->hosts().shortLinks.value(call.args[0]);
        if (target.isEmpty())
            return textResponse(u"Error: unknown short link"_s, 404);
        return redirectResponse(target, 301);
    });

    site.add({ "POST" }, u"img.php"_s, [=](const RouteCall &call) {
        const auto boundary = multipartBoundary(call.request.header("content-type"));
        if (!boundary)
            return textResponse(u"NO: send the image as multipart/form-data"_s, 400);
        QString error;
        const auto parts = parseMultipart(call.request.body, *boundary, &error);
        if (!parts)
            return textResponse(u"NO: "_s + error, 400);
        for (const MultipartPart &part : *parts) {
            if (part.name != "uploaded")
                continue;
            const QString name = storedFileName(part.fileName);
            if (name.isEmpty())
                return textResponse(u"NO: the file has no usable name"_s, 400);
            if (part.data.isEmpty())
                return textResponse(u"NO: the file is empty"_s, 400);
            service->hosts().addUpload(name, part.data);
            service->noteChanged();
            return textResponse(u"YES "_s + service->baseUrl() + u"/img/"_s + name);
        }
        return textResponse(u"NO: no field named \"uploaded\""_s, 400);
    });

    site.add({ "GET" }, u"img/{}"_s, [=](const RouteCall &call) {
        const QString name = call.args[0];
        QByteArray data = service->hosts().uploads.value(name);
        // "slow-N.png" is sample N, answered late (the service adds the wait).
        static const QRegularExpression samplePattern(u"^(sample|slow)-([1-9][0-9]?)\\.png$"_s);
        if (const auto m = samplePattern.match(name); data.isEmpty() && m.hasMatch())
            data = service->pictures().samplePng(m.captured(2).toInt());
        if (data.isEmpty() && name == u"broken.png") {
            HttpResponse notAPicture = textResponse(u"This is not a picture."_s);
            notAPicture.contentType = "image/png";
            return notAPicture;
        }
        if (data.isEmpty() && name == u"huge.png")
            data = service->pictures().bombPng();
        if (data.isEmpty())
            return errorResponse(404, u"No such image: %1"_s.arg(name.left(100)));
        return cachedPicture(call.request, data, sniffImageType(data),
            QDateTime(QDate(2024, 1, 1), QTime(0, 0), QTimeZone::utc()));
    });

    // Pictures on "another site": the same server under another host name
    // (localhost rather than 127.0.0.1). "photo-N.jpg" is sample N.
    site.add({ "GET" }, u"pictures/{}"_s, [=](const RouteCall &call) {
        static const QRegularExpression photoPattern(u"^photo-([1-9][0-9]?)\\.jpg$"_s);
        const auto m = photoPattern.match(call.args[0]);
        const QByteArray data
            = m.hasMatch() ? service->pictures().samplePng(m.captured(1).toInt()) : QByteArray();
        if (data.isEmpty())
            return errorResponse(404, u"No such picture: %1"_s.arg(call.args[0].left(100)));
        return cachedPicture(call.request, data, sniffImageType(data),
            QDateTime(QDate(2024, 1, 1), QTime(0, 0), QTimeZone::utc()));
    });

    site.add({ "GET" }, u"macpad/{}"_s, [=](const RouteCall &call) {
        const QString file = call.args[0];
        const HostState &hosts = service->hosts();
        if (file == u"Velto.txt")
            return textResponse(hosts.releaseNotes);
        if (!file.endsWith(u".plist"))
            return errorResponse(404, u"No such file: %1"_s.arg(file.left(100)));
        QString dict;
        if (!hosts.latestVersion.isEmpty())
            dict += u"<key>productVersion</key>"_s + plistString(hosts.latestVersion);
        dict += u"<key>productPageURL</key>"_s
            + plistString(service->baseUrl() + u"/downloads/Velto.zip"_s);
        HttpResponse r = textResponse(
            u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"_s + dict
            + u"</dict></plist>\n"_s);
        r.contentType = "text/xml; charset=utf-8";
        return r;
    });

    site.add({ "GET" }, u"downloads/{}"_s, [=](const RouteCall &call) {
        if (call.args[0] != u"Velto.zip")
            return errorResponse(404, u"No such download: %1"_s.arg(call.args[0].left(100)));
        HttpResponse r;
        r.contentType = "application/zip";
        r.body = makeZip({ { u"Velto/README.txt"_s,
            u"Velto %1\n\nThis archive stands in for the real download.\n"_s
                .arg(service->hosts().latestVersion)
                .toUtf8() } });
        return r.withHeader("Content-Disposition", "attachment; filename=\"Velto.zip\"");
    });
}

} // namespace sandbox
