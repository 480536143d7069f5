// Links from posts reach the desktop only as web and mail links, and one the
// desktop cannot open is told to the user, not only logged.
#include "TestSupport.h"

#include "platform/UrlOpener.h"
#include "text/TextClick.h"

#include <gtest/gtest.h>

namespace {

class RecordingOpener : public UrlOpener {
public:
    RecordingOpener(bool opens, QList<QUrl> *asked)
        : m_opens(opens)
        , m_asked(asked)
    {
    }
    bool open(const QUrl &url) override
    {
        m_asked->append(url);
        return m_opens;
    }

private:
    bool m_opens;
    QList<QUrl> *m_asked;
};

TEST(UrlOpener, OnlyWebAndMailLinksReachTheDesktopAndAFailureIsTold)
{
    testsupport::ScriptedAlerts alerts;
    QList<QUrl> asked;
    const struct {
        const char *link;
        bool browser;
        bool reaches;
        const char *told;
    } links[] = {
        { "http://example.com/a", true, true, nullptr },
        { "HTTPS://example.com/b", true, true, nullptr },
        { "mailto:amy@example.com", true, true, nullptr },
        { "https://www.example.com/a", false, true, "web browser" },
        { "mailto:someone@example.com", false, true,
            "No program is set up to open mailto:someone@example.com." },
        { "ftp://files.example.com/x.zip", true, false, "ftp://files.example.com/x.zip" },
        { "file:///etc/passwd", true, false, "file:///etc/passwd" },
        { "file:///usr/share/applications/velto.desktop", true, false, "velto.desktop" },
        { "smb://host/share", true, false, "smb://host/share" },
        { "sftp://host/x", true, false, "sftp://host/x" },
        { "nfs://host/x", true, false, "nfs://host/x" },
        { "apt:velto", true, false, "apt:velto" },
        { "javascript:alert(1)", true, false, "javascript:alert(1)" },
    };
    for (const auto &l : links) {
        SCOPED_TRACE(l.link);
        UrlOpener::setCurrent(std::make_unique<RecordingOpener>(l.browser, &asked));
        asked.clear();
        const qsizetype told = alerts.shown().size();
        TextClick::openLink(QUrl(QString::fromUtf8(l.link)));
        EXPECT_EQ(asked.size(), l.reaches ? 1 : 0);
        ASSERT_EQ(alerts.shown().size() - told, l.told ? 1 : 0);
        if (l.told) {
            EXPECT_EQ(alerts.shown().last().title, QStringLiteral("Cannot Open Link"));
            EXPECT_TRUE(alerts.shown().last().message.contains(QString::fromUtf8(l.told)))
                << alerts.shown().last().message.toStdString();
        }
    }
    UrlOpener::setCurrent(nullptr);
}

} // namespace
