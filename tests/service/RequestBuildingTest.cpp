#include "service/RequestBuilding.h"

#include <gtest/gtest.h>

namespace {

const QString base = u"https://api.example.test/stream/0"_qs;

QString text(const QUrl &url)
{
    return url.toString(QUrl::FullyEncoded);
}

TEST(UrlEncodeValue, OnlyUnreservedCharactersSurviveInValuesOfTheQuery)
{
    // A query's values cannot start a new pair; names stay as they are.
    EXPECT_EQ(
        queryStringForParameters({ { u"q"_qs, u"a?b=c&d+e f#g%h"_qs },
            { u"n[1]"_qs, u"http://x.test/p:1@y;z"_qs }, { u"t"_qs, u"caf\u00e9 \U0001F600"_qs } }),
        u"q=a%3Fb%3Dc%26d%2Be%20f%23g%25h&n[1]=http://x.test/p:1@y;z&t=caf%C3%A9%20%F0%9F%98%80&"_qs);
    EXPECT_EQ(queryStringForParameters({}), QString());
    EXPECT_EQ(urlEncodeValue(u"=,!$&'()*+;@?:/\"\n\t "_qs),
        u"%3D%2C%21%24%26%27%28%29%2A%2B%3B%40%3F%3A%2F%22%0A%09%20"_qs);
    EXPECT_EQ(urlEncodeValue(u"AZaz09-._~"_qs), u"AZaz09-._~"_qs);
    EXPECT_EQ(urlEncodeValue(QString()), QString());
}

TEST(EndpointUrl, PutsInThePathValueAndTheQueryWithOneSlashAfterTheBase)
{
    const QueryParameters page { { u"count"_qs, u"20"_qs } };
    const struct {
        QString base;
        Endpoint endpoint;
        QString pathValue;
        QueryParameters query;
        QString expected; // after the base
    } cases[] = {
        { base, Endpoint::PersonalStream, {}, page, u"/posts/stream?count=20&"_qs },
        { base + u'/', Endpoint::StarredPosts, {}, {}, u"/users/me/stars"_qs },
        { base + u'/', Endpoint::GlobalStream, {}, {}, u"/posts/stream/global"_qs },
        { base, Endpoint::Mentions, {}, {}, u"/users/me/mentions"_qs },
        { base, Endpoint::UserPosts, u"77"_qs,
            { { u"count"_qs, u"50"_qs }, { u"before_id"_qs, u"1000"_qs } },
            u"/users/77/posts?count=50&before_id=1000&"_qs },
        { base, Endpoint::HashtagPosts, u"rain"_qs, {}, u"/posts/tag/rain"_qs },
        // A typed search keeps its at signs but cannot leave its segment.
        { base, Endpoint::UserSearch, u"me/follow?x#y"_qs, {}, u"/users/@me%2Ffollow%3Fx%23y"_qs },
        { base, Endpoint::HashtagPosts, u"caf\u00e9 x"_qs, {}, u"/posts/tag/caf%C3%A9%20x"_qs },
        // Endpoints without a query drop the parameters.
        { base, Endpoint::Conversation, u"9"_qs, page, u"/posts/9/replies"_qs },
        { base, Endpoint::MentionPoll, {},
            { { u"count"_qs, u"200"_qs }, { u"since_id"_qs, u"12345"_qs } },
            u"/users/me/mentions?count=200&since_id=12345&"_qs },
    };
    for (const auto &c : cases)
        EXPECT_EQ(text(endpointUrl(c.base, c.endpoint, c.pathValue, c.query)), base + c.expected);
}

TEST(URLWithBaseURL, NamesAndValuesCannotBreakThePairs)
{
    const QUrl url = URLWithString(u"http://h.test/p"_qs, { { u"a=b&c"_qs, u"1+1=2&x y"_qs } });
    EXPECT_EQ(text(url), u"http://h.test/p?a%3Db%26c=1%2B1%3D2%26x%20y"_qs);
}

TEST(ApiRequest, ALineBreakInATokenCannotAddAHeaderNorARedirectTakeIt)
{
    const QNetworkRequest request = apiRequest(QUrl(base), u"abc\r\nX-Evil: 1"_qs);
    EXPECT_EQ(request.attribute(QNetworkRequest::RedirectPolicyAttribute).toInt(),
        int(QNetworkRequest::SameOriginRedirectPolicy));
    EXPECT_EQ(request.rawHeader("Authorization"), QByteArrayLiteral("Bearer abcX-Evil: 1"));
    EXPECT_EQ(request.rawHeaderList().size(), 2);
}

} // namespace
