#include "text/TextClick.h"
#include "TestSupport.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "text/PostTextStyling.h"
#include "text/PostTextView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(LinkValues, OnlySchemelessValuesGetHttp)
{
    const std::pair<const char *, const char *> cases[] = {
        { "http://example.com/a", "http://example.com/a" },
        { "https://example.com", "https://example.com" },
        { "example.com/a", "http://example.com/a" },
        { "www.example.com", "http://www.example.com" },
        { "localhost:8080/x", "http://localhost:8080/x" },
        { "HTTP://EXAMPLE.COM", "HTTP://EXAMPLE.COM" },
        { "mailto:bob@example.com", "mailto:bob@example.com" },
        { "ftp://files.example.com", "ftp://files.example.com" },
        { "", "http://" },
    };
    for (const auto &[value, expected] : cases)
        EXPECT_EQ(
            TextClick::linkStringForValue(QString::fromUtf8(value)), QString::fromUtf8(expected))
            << value;
    EXPECT_EQ(TextClick::urlForLinkValue(QStringLiteral("example.com/a b")).toEncoded(),
        QByteArray("http://example.com/a%20b"));
}

// Records what a click does, in the order it happens.
class ClickLog : public QWidget {
public:
    ClickLog()
    {
        for (const QString &name : { nf::loadHash, nf::loadUser })
            NotificationBus::defaultCenter().subscribe(
                name, this, [this, name] { log.append(name); });
    }
    QStringList log;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        log.append(QStringLiteral("press:%1").arg(int(event->button())));
    }
    void mouseReleaseEvent(QMouseEvent *) override { log.append(QStringLiteral("release")); }
    void wheelEvent(QWheelEvent *) override { log.append(QStringLiteral("wheel")); }
};

class PostClick : public ::testing::Test {
protected:
    void SetUp() override
    {
        Preferences::standard().remove(prefs::currentHashtag);
        Preferences::standard().remove(prefs::currentUser);
        parent.resize(500, 200);
        view = new PostTextView(&parent);
        view->setGeometry(0, 0, 400, 100);
        parent.show();
    }

    void show(const QString &text) { view->setStyledText(PostTextStyling::styledText(text, 0)); }

    // A point on the character at `index`.
    QPoint pointOn(int index) const
    {
        for (int y = 0; y < view->height(); ++y) {
            for (int x = 0; x < view->width(); ++x) {
                if (view->characterIndexAt(QPointF(x, y)) == index)
                    return QPoint(x + 1, y + 2);
            }
        }
        ADD_FAILURE() << "no point for index " << index;
        return {};
    }

    ClickLog parent;
    PostTextView *view = nullptr;
    testsupport::RecordingOpener opener;
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

TEST_F(PostClick, AHashtagClickSelectsTheRowFirstThenLoadsTheTag)
{
    show(QStringLiteral("see #tag and @bob"));
    QTest::mouseClick(view, Qt::LeftButton, {}, pointOn(5));
    EXPECT_EQ(parent.log,
        (QStringList { QStringLiteral("press:1"), nf::loadHash, QStringLiteral("release") }));
    EXPECT_EQ(Preferences::standard().value(prefs::currentHashtag), u"#tag");
    EXPECT_FALSE(Preferences::standard().value(prefs::currentUser));

    parent.log.clear();
    QTest::mouseClick(view, Qt::LeftButton, {}, pointOn(14));
    EXPECT_EQ(parent.log,
        (QStringList { QStringLiteral("press:1"), nf::loadUser, QStringLiteral("release") }));
    EXPECT_EQ(Preferences::standard().value(prefs::currentUser), u"@bob");
    EXPECT_TRUE(opener.opened().isEmpty());
}

TEST_F(PostClick, AFragmentClickOpensTheLinkAlone)
{
    show(QStringLiteral("go example.com/page#top"));
    for (const int at : { 21, 4 })
        QTest::mouseClick(view, Qt::LeftButton, {}, pointOn(at));
    EXPECT_EQ(opener.opened().size(), 2);
    EXPECT_EQ(opener.opened().first(), QUrl(QStringLiteral("http://example.com/page#top")));
    EXPECT_FALSE(Preferences::standard().value(prefs::currentHashtag));
    EXPECT_EQ(parent.log.count(nf::loadHash), 0);
}

TEST_F(PostClick, ClicksBesideMarksOnlySelectTheRow)
{
    show(QStringLiteral("#tag"));
    const QPoint end = pointOn(3);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(end.x() + 40, end.y()));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(end.x(), 90));
    QTest::mouseClick(view, Qt::RightButton, {}, pointOn(1));
    QTest::mouseClick(view, Qt::MiddleButton, {}, pointOn(1));
    EXPECT_EQ(parent.log.count(QStringLiteral("press:1")), 4); // always as a left press
    EXPECT_EQ(parent.log.count(nf::loadHash), 0);
    EXPECT_FALSE(Preferences::standard().value(prefs::currentHashtag));
}

TEST_F(PostClick, PointingHandOverMarksAndTheWheelScrollsTheList)
{
    show(QStringLiteral("plain #tag"));
    QTest::mouseMove(view, pointOn(7));
    EXPECT_EQ(view->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(view, pointOn(1));
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);

    QWheelEvent wheel(QPointF(5, 5), view->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    EXPECT_EQ(parent.log, QStringList { QStringLiteral("wheel") });
}

TEST_F(PostClick, MeasuresLikeTheDelegate)
{
    show(QStringLiteral("a\nb"));
    EXPECT_TRUE(view->hasHeightForWidth());
    EXPECT_EQ(view->heightForWidth(300), int(std::ceil(heightForWidth(view->styledText(), 300))));
    show(QString());
    EXPECT_EQ(view->heightForWidth(300), 0);
}

} // namespace
