#include "service/RequestBuilding.h"

#include <gtest/gtest.h>

namespace {

const QString base = QStringLiteral("https://api.example.test/stream/0");

QString text(const QUrl &url)
{
    return url.toString(QUrl::FullyEncoded);
}

TEST(QueryString, EveryPairEndsWithAnAmpersandInTheOrderGiven)
{
    EXPECT_EQ(queryStringForParameters({ { QStringLiteral("count"), QStringLiteral("20") },
                  { QStringLiteral("before_id"), QStringLiteral("987") } }),
        QStringLiteral("count=20&before_id=987&"));
    EXPECT_EQ(queryStringForParameters({}), QString());
}

TEST(QueryString, ValuesCannotStartANewPairButNamesStayAsTheyAre)
{
    const QString query
        = queryStringForParameters({ { QStringLiteral("q"), QStringLiteral("a?b=c&d+e f#g%h") },
            { QStringLiteral("n[1]"), QStringLiteral("http://x.test/p:1@y;z") } });
    EXPECT_EQ(query, QStringLiteral("q=a%3Fb%3Dc%26d%2Be%20f%23g%25h&n[1]=http://x.test/p:1@y;z&"));
}

TEST(QueryString, NonAsciiValuesAreEscapedAsUtf8)
{
    EXPECT_EQ(queryStringForParameters(
                  { { QStringLiteral("t"), QStringLiteral("caf\u00e9 \U0001F600") } }),
        QStringLiteral("t=caf%C3%A9%20%F0%9F%98%80&"));
}

TEST(UrlEncodeValue, OnlyUnreservedCharactersSurvive)
{
    EXPECT_EQ(urlEncodeValue(QStringLiteral("a&b c")), QStringLiteral("a%26b%20c"));
    EXPECT_EQ(urlEncodeValue(QStringLiteral("=,!$&'()*+;@?:/\"\n\t ")),
        QStringLiteral("%3D%2C%21%24%26%27%28%29%2A%2B%3B%40%3F%3A%2F%22%0A%09%20"));
    EXPECT_EQ(urlEncodeValue(QStringLiteral("AZaz09-._~")), QStringLiteral("AZaz09-._~"));
    EXPECT_EQ(urlEncodeValue(QStringLiteral("\u00fc%")), QStringLiteral("%C3%BC%25"));
    EXPECT_EQ(urlEncodeValue(QString()), QString());
}

TEST(NewPostBody, TextIsEscapedAndTheReplyIdFollows)
{
    EXPECT_EQ(newPostBody(QStringLiteral("a&b c")), QByteArrayLiteral("text=a%26b%20c"));
    EXPECT_EQ(newPostBody(QStringLiteral("@bob hi\n&reply_to=1"), QStringLiteral("42")),
        QByteArrayLiteral("text=%40bob%20hi%0A%26reply_to%3D1&reply_to=42"));
    EXPECT_EQ(newPostBody(QString()), QByteArrayLiteral("text="));
}

TEST(EndpointUrl, PutsInThePathValueAndTheQueryWithOneSlashAfterTheBase)
{
    const QueryParameters page { { QStringLiteral("count"), QStringLiteral("20") } };
    const struct {
        QString base;
        Endpoint endpoint;
        QString pathValue;
        QueryParameters query;
        QString expected; // after the base
    } cases[] = {
        { base, Endpoint::PersonalStream, {}, page, QStringLiteral("/posts/stream?count=20&") },
        { base, Endpoint::StarredPosts, {}, {}, QStringLiteral("/users/me/stars") },
        { base + u'/', Endpoint::StarredPosts, {}, {}, QStringLiteral("/users/me/stars") },
        { base + u'/', Endpoint::GlobalStream, {}, {}, QStringLiteral("/posts/stream/global") },
        { base, Endpoint::Mentions, {}, {}, QStringLiteral("/users/me/mentions") },
        { base, Endpoint::CurrentUser, {}, {}, QStringLiteral("/users/me") },
        { base, Endpoint::UserPosts, QStringLiteral("77"),
            { { QStringLiteral("count"), QStringLiteral("50") },
                { QStringLiteral("before_id"), QStringLiteral("1000") } },
            QStringLiteral("/users/77/posts?count=50&before_id=1000&") },
        { base, Endpoint::StarPost, QStringLiteral("42"), {}, QStringLiteral("/posts/42/star") },
        { base, Endpoint::DeletePost, QStringLiteral("42"), {}, QStringLiteral("/posts/42") },
        { base, Endpoint::HashtagPosts, QStringLiteral("rain"), {},
            QStringLiteral("/posts/tag/rain") },
        // A typed search keeps its at signs but cannot leave its segment.
        { base, Endpoint::UserSearch, QStringLiteral("@bob"), {}, QStringLiteral("/users/@@bob") },
        { base, Endpoint::UserSearch, QStringLiteral("me/follow?x#y"), {},
            QStringLiteral("/users/@me%2Ffollow%3Fx%23y") },
        { base, Endpoint::HashtagPosts, QStringLiteral("caf\u00e9 x"), {},
            QStringLiteral("/posts/tag/caf%C3%A9%20x") },
        // Endpoints without a query drop the parameters.
        { base, Endpoint::Conversation, QStringLiteral("9"), page,
            QStringLiteral("/posts/9/replies") },
        { base, Endpoint::MentionPoll, {},
            { { QStringLiteral("count"), QStringLiteral("200") },
                { QStringLiteral("since_id"), QStringLiteral("12345") } },
            QStringLiteral("/users/me/mentions?count=200&since_id=12345&") },
    };
    for (const auto &c : cases)
        EXPECT_EQ(text(endpointUrl(c.base, c.endpoint, c.pathValue, c.query)), base + c.expected);
}

TEST(URLWithBaseURL, NoPairsAnswerTheBaseItself)
{
    const QUrl odd(QStringLiteral("https://site.example.test/oauth/authenticate?already=1#frag"));
    EXPECT_EQ(URLWithBaseURL(odd, {}), odd);
    EXPECT_EQ(text(URLWithString(QStringLiteral("https://site.example.test/x"), {})),
        QStringLiteral("https://site.example.test/x"));
}

TEST(URLWithBaseURL, TheSignInPageQuery)
{
    const QUrl url = URLWithString(QStringLiteral("https://site.example.test/oauth/authenticate"),
        { { QStringLiteral("client_id"), QStringLiteral("Xw3kT9pLq2Vb7RmZ4sHd8NfJ6cYgAe1U") },
            { QStringLiteral("redirect_uri"), QStringLiteral("velto://done") },
            { QStringLiteral("response_type"), QStringLiteral("token") },
            { QStringLiteral("scope"),
                QStringLiteral("stream email write_post follow messages export") } });
    EXPECT_EQ(text(url),
        QStringLiteral("https://site.example.test/oauth/authenticate"
                       "?client_id=Xw3kT9pLq2Vb7RmZ4sHd8NfJ6cYgAe1U"
                       "&redirect_uri=velto://done&response_type=token"
                       "&scope=stream%20email%20write_post%20follow%20messages%20export"));
    EXPECT_EQ(url.host(), QStringLiteral("site.example.test"));
    EXPECT_EQ(url.path(), QStringLiteral("/oauth/authenticate"));
}

TEST(URLWithBaseURL, NamesAndValuesCannotBreakThePairs)
{
    const QUrl url = URLWithString(QStringLiteral("http://h.test/p"),
        { { QStringLiteral("a=b&c"), QStringLiteral("1+1=2&x y") } });
    EXPECT_EQ(text(url), QStringLiteral("http://h.test/p?a%3Db%26c=1%2B1%3D2%26x%20y"));
}

TEST(ApiRequest, TheTokenComesFirstThenTheContentType)
{
    const QNetworkRequest request
        = apiRequest(QUrl(base), QStringLiteral("tok123"), std::chrono::milliseconds(1234));
    const QList<QByteArray> names = request.rawHeaderList();
    ASSERT_EQ(names.size(), 2);
    EXPECT_EQ(names.at(0), QByteArrayLiteral("Authorization"));
    EXPECT_EQ(names.at(1), QByteArrayLiteral("Content-Type"));
    EXPECT_EQ(request.rawHeader("Authorization"), QByteArrayLiteral("Bearer tok123"));
    EXPECT_EQ(
        request.rawHeader("Content-Type"), QByteArrayLiteral("application/x-www-form-urlencoded"));
    EXPECT_EQ(request.transferTimeout(), 1234);
    EXPECT_EQ(request.attribute(QNetworkRequest::RedirectPolicyAttribute).toInt(),
        int(QNetworkRequest::SameOriginRedirectPolicy));
}

TEST(ApiRequest, ALineBreakInATokenCannotAddAHeader)
{
    const QNetworkRequest request = apiRequest(QUrl(base), QStringLiteral("abc\r\nX-Evil: 1"));
    EXPECT_EQ(request.rawHeader("Authorization"), QByteArrayLiteral("Bearer abcX-Evil: 1"));
    EXPECT_EQ(request.rawHeaderList().size(), 2);
}

} // namespace
