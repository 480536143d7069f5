#include "TestSupport.h"

#include "core/Preferences.h"
#include "service/SignIn.h"

#include <QTemporaryDir>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace {

TEST(SignInAddress, CarriesTheFourParametersOnTheSitesOwnPage)
{
    for (const QString &base : { u"http://127.0.0.1:4100"_qs, u"http://127.0.0.1:4100/"_qs }) {
        const QUrl url = SignIn::authorisationUrl(base);
        const QString text = url.toString(QUrl::FullyEncoded);
        EXPECT_TRUE(text.startsWith(u"http://127.0.0.1:4100/oauth/authenticate?"))
            << text.toStdString();
        // The scopes are one value with escaped spaces; the redirect keeps ":" and "/".
        EXPECT_TRUE(
            text.contains(u"scope=stream%20email%20write_post%20follow%20messages%20export"))
            << text.toStdString();
        EXPECT_TRUE(text.contains(u"redirect_uri=velto://done")) << text.toStdString();
        const QUrlQuery query(url);
        EXPECT_EQ(query.queryItemValue(u"client_id"_qs), u"Xw3kT9pLq2Vb7RmZ4sHd8NfJ6cYgAe1U"_qs);
        EXPECT_EQ(query.queryItemValue(u"response_type"_qs), u"token"_qs);
        EXPECT_EQ(query.queryItems().size(), 4);
    }
}

TEST(SignInToken, IsEverythingAfterTheFirstEqualsSignOfAnAccessTokenFragment)
{
    const struct {
        const char *fragment;
        const char *token; // nullptr: none
    } cases[] = {
        { "access_token=abc123", "abc123" },
        { " access_token = abc123", "abc123" },
        { "access_token=abc123  ", "abc123  " }, // trailing spaces belong to the token
        { "access_token=abc&state=xyz", "abc&state=xyz" },
        { "access_token=a=b", "a=b" },
        { "error=access_denied&error_description=No", nullptr },
        { "state=1&access_token=abc", nullptr }, // the name must come first
        { "access_token=", nullptr },
        { "access_token=   ", nullptr },
        { "", nullptr },
        { "ACCESS_TOKEN=abc", nullptr },
    };
    for (const auto &c : cases) {
        const auto token = SignIn::tokenFromFragment(QString::fromUtf8(c.fragment));
        if (c.token) {
            ASSERT_TRUE(token.has_value()) << c.fragment;
            EXPECT_EQ(*token, QString::fromUtf8(c.token)) << c.fragment;
        } else {
            EXPECT_FALSE(token.has_value())
                << c.fragment << " gave " << token.value_or(QString()).toStdString();
        }
    }
}

TEST(SignInToken, IsTakenOnlyFromTheProgramsOwnSchemeWrittenInLowerCase)
{
    EXPECT_EQ(SignIn::tokenFromRedirect(u"velto://done#access_token=tok"_qs), u"tok"_qs);
    // Percent escapes are part of the token as the service wrote it.
    EXPECT_EQ(SignIn::tokenFromRedirect(u"velto://done#access_token=a%2Fb"_qs), u"a%2Fb"_qs);
    EXPECT_FALSE(SignIn::tokenFromRedirect(u"Velto://done#access_token=tok"_qs));
    EXPECT_FALSE(SignIn::tokenFromRedirect(u"VELTO://done#access_token=tok"_qs));
    EXPECT_FALSE(SignIn::tokenFromRedirect(u"veltox://done#access_token=tok"_qs));
    EXPECT_FALSE(
        SignIn::tokenFromRedirect(u"http://127.0.0.1:4100/oauth/authenticate#access_token=tok"_qs));
    EXPECT_FALSE(SignIn::tokenFromRedirect(u"velto://done"_qs));
    EXPECT_FALSE(SignIn::tokenFromRedirect(u"velto://done#error=access_denied"_qs));
    EXPECT_TRUE(SignIn::isRedirect(u"velto://done#error=access_denied"_qs));
    EXPECT_FALSE(SignIn::isRedirect(u"https://velto.example/"_qs));
}

TEST(SignInToken, NeverReachesTheLogWithTheAddress)
{
    const QString logged = SignIn::addressForLog(QUrl(u"velto://done#access_token=secret"_qs));
    EXPECT_FALSE(logged.contains(u"secret")) << logged.toStdString();
    EXPECT_TRUE(logged.startsWith(u"velto://done")) << logged.toStdString();
}

// Forgetting them on sign-out is walked with Revoke in the program's sign-in test.
TEST(SignInCredentials, AreWrittenToDiskAtOnce)
{
    QTemporaryDir home;
    testsupport::pointXdgFoldersAt(home.path());
    SignIn::storeToken(u"tok en"_qs);
    // A fresh store reads the file: nothing waited for a later write.
    Preferences::resetStandard();
    EXPECT_EQ(Preferences::standard().value(prefs::accessToken), u"tok en"_qs);
    EXPECT_TRUE(Preferences::standard().value(prefs::isUserAuthDone));
    Preferences::resetStandard();
}

} // namespace
