#include "http/FormData.h"
#include "http/Multipart.h"

#include <gtest/gtest.h>

using namespace sandbox;

TEST(FormData, DecodesPlusAsSpaceAndEscapesStrictly)
{
    // Velto escapes "&" and " " itself; a literal "+" arrives as %2B.
    const auto form = FormData::parse("text=a%26b%20c+d%2Be&reply_to=42");
    ASSERT_TRUE(form);
    EXPECT_EQ(form->value(QStringLiteral("text")), QStringLiteral("a&b c d+e"));
    EXPECT_EQ(form->value(QStringLiteral("reply_to")), QStringLiteral("42"));
    EXPECT_EQ(form->value(QStringLiteral("absent")), std::nullopt);
}

TEST(FormData, DecodesUtf8AndSkipsEmptyPairs)
{
    // The trailing "&" of Velto's query builder and doubled separators are no parameters.
    const auto form = FormData::parse("count=20&&text=%F0%9F%98%80%D7%A9&");
    ASSERT_TRUE(form);
    EXPECT_EQ(form->pairs().size(), 2);
    EXPECT_EQ(form->value(QStringLiteral("text")), QStringLiteral("😀ש"));
    EXPECT_EQ(form->value(QStringLiteral("text"))->size(), 3); // a surrogate pair and one unit
}

TEST(FormData, RefusesMalformedInput)
{
    QString error;
    EXPECT_FALSE(FormData::parse("text=%zz", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(FormData::parse("text=abc%4")); // escape cut short
    EXPECT_FALSE(FormData::parse("text=%C3%28")); // invalid UTF-8
    EXPECT_FALSE(FormData::parse("text=%ED%A0%80")); // an encoded lone surrogate
    EXPECT_FALSE(FormData::parse("=value")); // no name
}

TEST(FormData, CountsRepeatedNamesAndKeepsOrder)
{
    const auto form = FormData::parse("a=1&b=2&a=3&flag");
    ASSERT_TRUE(form);
    EXPECT_EQ(form->count(QStringLiteral("a")), 2);
    EXPECT_EQ(form->value(QStringLiteral("a")), QStringLiteral("1"));
    EXPECT_EQ(form->value(QStringLiteral("flag")), QString());
    EXPECT_EQ(form->names(),
        (QList<QString> { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("flag") }));
}

TEST(FormData, WellFormedUtf16)
{
    EXPECT_TRUE(isWellFormedUtf16(QStringLiteral("a😀b")));
    EXPECT_FALSE(isWellFormedUtf16(QString(QChar(0xD83D))));
    EXPECT_FALSE(isWellFormedUtf16(QString(QChar(0xDE00)) + QLatin1Char('a')));
}

TEST(Multipart, ReadsTheUploadVeltoSends)
{
    const QByteArray boundary = "0xKhTmLbOuNdArY";
    const QByteArray data("\x00\xFF\r\n--not-a-boundary\r\n", 22);
    const QByteArray body = "--" + boundary
        + "\r\n"
          "Content-Disposition: form-data; name=\"uploaded\"; "
          "filename=\"/home/me/.cache/Velto/123abc4.jpg\"\r\n\r\n"
        + data + "\r\n--" + boundary + "--\r\n";
    ASSERT_EQ(multipartBoundary("multipart/form-data; boundary=" + boundary), boundary);
    const auto parts = parseMultipart(body, boundary);
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->size(), 1);
    EXPECT_EQ(parts->at(0).name, "uploaded");
    EXPECT_EQ(parts->at(0).fileName, "/home/me/.cache/Velto/123abc4.jpg");
    EXPECT_EQ(parts->at(0).data, data);
}

TEST(Multipart, ReadsSeveralPartsAndQuotedBoundary)
{
    ASSERT_EQ(multipartBoundary("Multipart/Form-Data; charset=utf-8; boundary=\"a b\""), "a b");
    const QByteArray body = "preamble\r\n--XY\r\nContent-Disposition: form-data; name=\"one\"\r\n"
                            "Content-Type: text/plain\r\n\r\n1\r\n--XY\r\n"
                            "Content-Disposition: form-data; name=\"two\"\r\n\r\n\r\n--XY--";
    const auto parts = parseMultipart(body, "XY");
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->size(), 2);
    EXPECT_EQ(parts->at(0).contentType, "text/plain");
    EXPECT_EQ(parts->at(0).data, "1");
    EXPECT_EQ(parts->at(1).name, "two");
    EXPECT_TRUE(parts->at(1).data.isEmpty());
}

TEST(Multipart, RefusesBrokenBodies)
{
    EXPECT_FALSE(multipartBoundary("application/x-www-form-urlencoded"));
    EXPECT_FALSE(multipartBoundary("multipart/form-data"));
    EXPECT_FALSE(parseMultipart("no boundary at all", "XY"));
    EXPECT_FALSE(parseMultipart(
        "--XY\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nunterminated", "XY"));
    EXPECT_FALSE(parseMultipart("--XY\r\nheaders never end", "XY"));
}
