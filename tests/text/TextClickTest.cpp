#include "text/TextClick.h"
#include "TestSupport.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "text/PostTextStyling.h"

#include <gtest/gtest.h>

namespace {

TEST(LinkValues, OnlySchemelessValuesGetHttp)
{
    const std::pair<const char *, const char *> cases[]
        = { { "https://example.com", "https://example.com" },
              { "example.com/a", "http://example.com/a" },
              { "localhost:8080/x", "http://localhost:8080/x" },
              { "HTTP://EXAMPLE.COM", "HTTP://EXAMPLE.COM" },
              { "mailto:bob@example.com", "mailto:bob@example.com" },
              { "ftp://files.example.com", "ftp://files.example.com" }, { "", "http://" } };
    for (const auto &[value, expected] : cases)
        EXPECT_EQ(
            TextClick::linkStringForValue(QString::fromUtf8(value)), QString::fromUtf8(expected))
            << value;
    EXPECT_EQ(TextClick::urlForLinkValue(QStringLiteral("example.com/a b")).toEncoded(),
        QByteArray("http://example.com/a%20b"));
}

// Records the streams a click loads, in the order they are asked for.
class ClickLog : public QObject {
public:
    ClickLog()
    {
        for (const QString &name : { nf::loadHash, nf::loadUser })
            NotificationBus::defaultCenter().subscribe(
                name, this, [this, name] { log.append(name); });
    }
    QStringList log;
};

TEST(ClickActions, PerformedInTheRuleOrder)
{
    testsupport::RecordingOpener opener;
    ClickLog log;
    TextAttributes all;
    all.link = QStringLiteral("example.com");
    all.hash = QStringLiteral("#top");
    all.user = QStringLiteral("@amy");
    EXPECT_TRUE(TextClick::performPostTextClick(TextClick::actionsFor(all)));
    EXPECT_EQ(opener.opened(), QList<QUrl> { QUrl(QStringLiteral("http://example.com")) });
    EXPECT_EQ(log.log, (QStringList { nf::loadHash, nf::loadUser }));
    EXPECT_EQ(Preferences::standard().value(prefs::currentHashtag), u"#top");
    EXPECT_EQ(Preferences::standard().value(prefs::currentUser), u"@amy");

    EXPECT_FALSE(
        TextClick::performPostTextClick(TextClick::actionsAt(StyledText(QStringLiteral("x")), 5)));
    EXPECT_TRUE(
        TextClick::actionsAt(PostTextStyling::styledText(QStringLiteral("#a"), 0), -1).isEmpty());
}

} // namespace
