// A link the desktop cannot open is told to the user, not only logged.
#include "TestSupport.h"

#include "platform/UrlOpener.h"
#include "text/TextClick.h"

#include <gtest/gtest.h>

namespace {

class RefusingOpener : public UrlOpener {
public:
    explicit RefusingOpener(bool opens)
        : m_opens(opens)
    {
    }
    bool open(const QUrl &url) override
    {
        asked << url;
        return m_opens;
    }
    static inline QList<QUrl> asked;

private:
    bool m_opens;
};

TEST(UrlOpener, WithoutABrowserTheUserIsToldWhatCouldNotOpen)
{
    testsupport::ScriptedAlerts alerts;
    RefusingOpener::asked.clear();
    UrlOpener::setCurrent(std::make_unique<RefusingOpener>(false));

    EXPECT_FALSE(UrlOpener::openOrTell(QUrl(QStringLiteral("https://www.example.com/a"))));
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().at(0).title, QStringLiteral("Cannot Open Link"));
    EXPECT_TRUE(alerts.shown().at(0).message.contains(QStringLiteral("https://www.example.com/a")));
    EXPECT_TRUE(alerts.shown().at(0).message.contains(QStringLiteral("web browser")));

    // A link clicked in a post goes the same way.
    TextClick::openLink(QUrl(QStringLiteral("mailto:someone@example.com")));
    ASSERT_EQ(alerts.shown().size(), 2);
    EXPECT_EQ(alerts.shown().at(1).message,
        QStringLiteral("No program is set up to open mailto:someone@example.com."));

    UrlOpener::setCurrent(std::make_unique<RefusingOpener>(true));
    EXPECT_TRUE(UrlOpener::openOrTell(QUrl(QStringLiteral("https://www.example.com/b"))));
    EXPECT_EQ(alerts.shown().size(), 2);
    EXPECT_EQ(RefusingOpener::asked.size(), 3);
    UrlOpener::setCurrent(nullptr);
}

TEST(UrlOpener, FromPostsOnlyWebAndMailLinksReachTheDesktop)
{
    testsupport::ScriptedAlerts alerts;
    RefusingOpener::asked.clear();
    UrlOpener::setCurrent(std::make_unique<RefusingOpener>(true));
    const std::pair<const char *, bool> links[] = { { "http://example.com/a", true },
        { "HTTPS://example.com/b", true }, { "mailto:amy@example.com", true },
        { "ftp://files.example.com/x.zip", false }, { "file:///etc/passwd", false },
        { "file:///usr/share/applications/velto.desktop", false }, { "smb://host/share", false },
        { "sftp://host/x", false }, { "nfs://host/x", false }, { "apt:velto", false },
        { "javascript:alert(1)", false } };
    for (const auto &[link, opens] : links) {
        const QUrl url(QString::fromUtf8(link));
        const qsizetype asked = RefusingOpener::asked.size();
        const qsizetype told = alerts.shown().size();
        TextClick::openLink(url);
        EXPECT_EQ(RefusingOpener::asked.size() - asked, opens ? 1 : 0) << link;
        ASSERT_EQ(alerts.shown().size() - told, opens ? 0 : 1) << link;
        if (!opens) {
            EXPECT_EQ(alerts.shown().last().title, QStringLiteral("Cannot Open Link"));
            EXPECT_TRUE(alerts.shown().last().message.contains(url.toDisplayString())) << link;
        }
    }
    UrlOpener::setCurrent(nullptr);
}

} // namespace
