// The other hosts on the sandbox, in-process: sign-in page, permalinks, the
// shortener, the image host, the maker's site and the avatars.
#include "ServiceHarness.h"

#include "data/Seed.h"
#include "media/Pictures.h"
#include "media/ZipArchive.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QUrl>

#include <gtest/gtest.h>

using namespace sandbox;
using namespace sandboxtest;

namespace {

const QByteArray kSignIn = "client_id=Xw3kT9pLq2Vb7RmZ4sHd8NfJ6cYgAe1U&redirect_uri=velto%3A%2F%"
                           "2Fdone&response_type=token"
                           "&scope=stream%20email%20write_post%20follow%20messages%20export";

QByteArray fragmentOf(const HttpResponse &r)
{
    const QByteArray location = r.header("Location");
    return location.mid(location.indexOf('#') + 1);
}

} // namespace

TEST(SignIn, ShowsAFormAndIssuesAWorkingTokenOrNone)
{
    ServiceHarness h;
    // Velto may leave ":" and "/" of the redirect unescaped.
    for (const QByteArray &query : { kSignIn,
             QByteArray("client_id=Xw3kT9pLq2Vb7RmZ4sHd8NfJ6cYgAe1U"
                        "&redirect_uri=velto://done&response_type=token&scope=stream%20email") }) {
        const HttpResponse form = h.send("GET", "/oauth/authenticate?" + query);
        EXPECT_EQ(form.status, 200);
        EXPECT_TRUE(form.body.contains("<form method=\"post\" action=\"/oauth/authenticate\">"));
        EXPECT_TRUE(form.body.contains("value=\"velto://done\""));
    }
    const auto signIn = [&](const QByteArray &fields) {
        return h.send("POST", "/oauth/authenticate", kSignIn + fields);
    };
    for (const auto &[fields, name] :
        { std::pair { "&username=demo&password=demo&action=allow", "demo" },
            std::pair { "&username=Alice&password=password&action=allow", "alice" } }) {
        const HttpResponse allowed = signIn(fields);
        ASSERT_EQ(allowed.status, 302);
        EXPECT_TRUE(allowed.header("Location").startsWith("velto://done#access_token="));
        // Velto's pattern takes everything after the first "=" as the token.
        const QByteArray token = fragmentOf(allowed).mid(13);
        EXPECT_FALSE(token.contains('&'));
        EXPECT_EQ(str(h.one("users/me", token), "username"), QLatin1String(name));
    }

    const HttpResponse denied = signIn("&username=demo&password=demo&action=deny");
    EXPECT_EQ(denied.status, 302);
    EXPECT_TRUE(fragmentOf(denied).startsWith("error=access_denied"));
    EXPECT_FALSE(denied.header("Location").contains("access_token"));
    const HttpResponse wrong = signIn("&username=demo&password=nope&action=allow");
    EXPECT_EQ(wrong.status, 401);
    EXPECT_TRUE(wrong.header("Location").isEmpty());
    EXPECT_TRUE(wrong.body.contains("Wrong user name or password"));
    // An unknown client or a foreign redirect is never redirected to.
    const QByteArray client = "/oauth/authenticate?client_id=Xw3kT9pLq2Vb7RmZ4sHd8NfJ6cYgAe1U";
    EXPECT_EQ(
        h.send("GET",
             "/oauth/"
             "authenticate?client_id=evil&redirect_uri=velto%3A%2F%2Fdone&response_type=token")
            .status,
        400);
    const HttpResponse foreign = h.send("GET",
        client
            + "&redirect_uri=http%3A%2F%2Fevil.example%2F%22%3E%3Cscript%3E&response_type=token");
    EXPECT_EQ(foreign.status, 400);
    EXPECT_TRUE(foreign.header("Location").isEmpty());
    EXPECT_FALSE(foreign.body.contains("<script>"));
    const HttpResponse code
        = h.send("GET", client + "&redirect_uri=velto%3A%2F%2Fdone&response_type=code");
    EXPECT_EQ(code.status, 302);
    EXPECT_EQ(fragmentOf(code), "error=unsupported_response_type");
}

TEST(Site, RootPermalinksAndAppPages)
{
    ServiceHarness h;
    const HttpResponse root = h.send("GET", "/");
    EXPECT_EQ(root.status, 200);
    EXPECT_FALSE(root.body.isEmpty());
    const QJsonObject post = h.list("posts/stream/global?count=1")[0].toObject();
    const QString permalink = str(post, "canonical_url");
    ASSERT_TRUE(permalink.startsWith(kBase));
    const HttpResponse page = h.send("GET", permalink.mid(kBase.size()).toUtf8());
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.body.contains(str(post, "text").toHtmlEscaped().toUtf8()));
    EXPECT_EQ(h.send("GET", "/somebody/post/" + str(post, "id").toUtf8()).status, 404);
    EXPECT_EQ(h.send("GET", "/demo/post/abc").status, 404);
    EXPECT_EQ(h.send("GET", QUrl(str(post, "source.link")).path().toUtf8()).status, 200);
}

TEST(Shortener, AnswersAStableShortLinkThatRedirects)
{
    ServiceHarness h;
    // Velto appends the pasted link unescaped, "&" and all.
    const QByteArray create = "/create.php?format=simple&url=";
    const HttpResponse first = h.send("GET", create + "https://example.com/a?b=1&c=2#frag");
    ASSERT_EQ(first.status, 200);
    EXPECT_TRUE(first.contentType.startsWith("text/plain"));
    EXPECT_FALSE(first.body.endsWith('\n'));
    EXPECT_TRUE(first.body.startsWith(QByteArray(kBase.toUtf8() + "/s/")));
    EXPECT_EQ(h.send("GET", create + "https://example.com/a?b=1&c=2#frag").body, first.body);
    EXPECT_NE(h.send("GET", create + "https://example.com/other").body, first.body);
    const HttpResponse jump = h.send("GET", QUrl(QString::fromUtf8(first.body)).path().toUtf8());
    EXPECT_EQ(jump.status, 301);
    EXPECT_EQ(jump.header("Location"), "https://example.com/a?b=1&c=2#frag");
    for (const char *bad : { "/create.php?format=simple&url=", "/create.php?format=simple",
             "/create.php?format=simple&url=javascript:alert(1)",
             "/create.php?format=xml&url=https://example.com/" })
        EXPECT_EQ(h.send("GET", bad).status, 400) << bad;
    EXPECT_EQ(h.send("GET", "/s/nope").status, 404);
}

TEST(ImageHost, StoresWhatVeltoUploadsAndServesItBack)
{
    ServiceHarness h;
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    const QByteArray boundary = "0xKhTmLbOuNdArY";
    const QByteArray body = "--" + boundary
        + "\r\nContent-Disposition: form-data; name=\"uploaded\"; "
          "filename=\"/tmp/cache dir/Velto/9876abc5.jpg\"\r\n\r\n"
        + jpeg + "\r\n--" + boundary + "--\r\n";
    const QList<QPair<QByteArray, QByteArray>> multipart { { "content-type",
        "multipart/form-data; boundary=" + boundary } };
    const HttpResponse upload = h.send("POST", "/img.php", body, multipart);
    EXPECT_EQ(upload.status, 200);
    EXPECT_TRUE(upload.body.startsWith("YES"));
    EXPECT_TRUE(upload.body.endsWith("/img/9876abc5.jpg"));
    const HttpResponse served = h.send("GET", "/img/9876abc5.jpg");
    EXPECT_EQ(served.contentType, "image/jpeg");
    EXPECT_EQ(served.body, jpeg);

    EXPECT_TRUE(h.send("POST", "/img.php", "plain", { { "content-type", "text/plain" } })
                    .body.startsWith("NO"));
    const HttpResponse wrongField
        = h.send("POST", "/img.php", QByteArray(body).replace("uploaded", "file"), multipart);
    EXPECT_EQ(wrongField.status, 400);
    EXPECT_TRUE(wrongField.body.startsWith("NO"));
    EXPECT_EQ(h.send("GET", "/img/unknown.jpg").status, 404);
    EXPECT_EQ(QImage::fromData(h.send("GET", "/img/sample-1.png").body).size(), QSize(1200, 400));
    EXPECT_EQ(h.send("GET", "/img/sample-99.png").status, 404);

    // When full, the host drops its oldest images; storing one again makes it the newest.
    HostState hosts;
    const qsizetype big = HostState::kMaxUploadBytes / 2;
    hosts.addUpload(u"a.jpg"_qs, QByteArray(big, 'a'));
    hosts.addUpload(u"b.jpg"_qs, QByteArray(big, 'b'));
    hosts.addUpload(u"a.jpg"_qs, QByteArray(10, 'A'));
    hosts.addUpload(u"c.jpg"_qs, QByteArray(big, 'c'));
    EXPECT_EQ(hosts.uploadOrder, (QStringList { u"a.jpg"_qs, u"c.jpg"_qs }));
    EXPECT_EQ(hosts.uploads.value(u"a.jpg"_qs), QByteArray(10, 'A'));
}

TEST(ImageHost, PicturePostsLinkEveryKindOfPictureTheHostsServe)
{
    ServiceHarness h;
    const QJsonArray ids
        = at(ServiceHarness::object(h.send("POST", "/_sandbox/pictures")), "ids").toArray();
    ASSERT_EQ(ids.size(), 5);
    const struct {
        QByteArray path;
        QSize decoded; // empty: not a picture to a reader that checks first
    } links[] = {
        { "/img/sample-3.png", PictureCache::sampleSize(3) },
        { "/img/broken.png", {} },
        { "/img/slow-5.png", PictureCache::sampleSize(5) },
        { "/img/huge.png", QSize(20000, 20000) },
        { "/pictures/photo-2.jpg", PictureCache::sampleSize(2) },
    };
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const QString text = str(h.one("posts/" + ids.at(i).toString().toUtf8()), "text");
        EXPECT_TRUE(text.endsWith(QString::fromUtf8(links[i].path))) << text.toStdString();
        const HttpResponse served = h.send("GET", links[i].path);
        EXPECT_EQ(served.status, 200) << links[i].path.constData();
        QBuffer body;
        body.setData(served.body);
        body.open(QIODevice::ReadOnly);
        EXPECT_EQ(QImageReader(&body).size(), links[i].decoded) << links[i].path.constData();
    }
    EXPECT_EQ(h.send("GET", "/pictures/photo-9.jpg").status, 404);
    HttpRequest slow;
    slow.method = "GET";
    slow.rawPath = "/img/slow-5.png";
    EXPECT_GE(h.service.planFor(slow).delayMs, kSlowPictureMs);
}

TEST(MakerSite, VersionNotesAndDownload)
{
    ServiceHarness h;
    const HttpResponse plist = h.send("GET", "/macpad/org.velto.Velto.plist");
    EXPECT_TRUE(plist.body.contains("<key>productVersion</key><string>0.2.0</string>"));
    EXPECT_TRUE(plist.body.contains("<key>productPageURL</key>"));
    EXPECT_TRUE(h.send("GET", "/macpad/Velto.txt").body.startsWith("Velto 0.2.0"));
    EXPECT_EQ(
        h.send("POST", "/_sandbox/version", R"({"version": null, "notes": "Nothing new."})").status,
        200);
    EXPECT_FALSE(h.send("GET", "/macpad/Velto.plist").body.contains("productVersion"));
    EXPECT_EQ(h.send("GET", "/macpad/Velto.txt").body, "Nothing new.");

    const HttpResponse zip = h.send("GET", "/downloads/Velto.zip");
    EXPECT_EQ(zip.contentType, "application/zip");
    EXPECT_TRUE(zip.body.startsWith("PK\x03\x04"));
    EXPECT_TRUE(zip.body.contains("PK\x05\x06"));
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u); // the CRC-32 check value
    EXPECT_EQ(h.send("GET", "/downloads/Other.zip").status, 404);
}

TEST(Avatars, RealPngsOfManySizesForAnyNameWithCachingHeaders)
{
    ServiceHarness h;
    QSet<QPair<int, int>> sizes;
    for (int i = 1; i <= 16; ++i) {
        const QByteArray path = "/avatars/" + QByteArray::number(i) + ".png";
        const HttpResponse r = h.send("GET", path);
        ASSERT_EQ(r.status, 200) << i;
        EXPECT_EQ(r.contentType, "image/png");
        const QImage image = QImage::fromData(r.body, "PNG");
        EXPECT_EQ(image.size(), avatarSize(QString::number(i)));
        EXPECT_LE(std::max(image.width(), image.height()), 512);
        sizes.insert({ image.width(), image.height() });
        EXPECT_EQ(h.send("GET", path).body, r.body); // the same bytes every time
    }
    EXPECT_GE(sizes.size(), 6);
    EXPECT_TRUE(
        std::any_of(sizes.begin(), sizes.end(), [](auto s) { return s.first != s.second; }));
    EXPECT_EQ(h.send("GET", "/avatars/under_score-dash.png").status, 200);
    for (const QByteArray &bad : { QByteArray("/avatars/a.b.png"), QByteArray("/avatars/x.jpg"),
             QByteArray("/avatars/.png"), QByteArray("/avatars/%2E%2E%2Fetc.png"),
             QByteArray("/avatars/" + QByteArray(65, 'a') + ".png") })
        EXPECT_EQ(h.send("GET", bad).status, 404) << bad.constData();

    const HttpResponse r = h.send("GET", "/avatars/alice.png");
    const QByteArray etag = r.header("ETag");
    EXPECT_TRUE(etag.startsWith('"') && etag.endsWith('"'));
    EXPECT_TRUE(r.header("Cache-Control").contains("max-age="));
    EXPECT_FALSE(r.header("Last-Modified").isEmpty());
    const HttpResponse again
        = h.send("GET", "/avatars/alice.png", {}, { { "if-none-match", etag } });
    EXPECT_EQ(again.status, 304);
    EXPECT_TRUE(again.body.isEmpty());
    EXPECT_EQ(again.header("ETag"), etag);
    EXPECT_EQ(
        h.send("GET", "/avatars/alice.png", {}, { { "if-none-match", "\"other\"" } }).status, 200);
}
