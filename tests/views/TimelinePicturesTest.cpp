// Thumbnails in the list, against the sandbox's image host with latency:
// they arrive into the place kept for them, other sites see no request while
// the reader does not allow them, and a click or a key opens the picture.
#include "TimelineListFixture.h"

#include "SandboxServer.h"
#include "core/OutsideAddresses.h"
#include "service/ThumbnailLoader.h"
#include "text/ImagePreviewPanel.h"
#include "text/LinkOpener.h"

#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>

using namespace timelinetest;
using State = ThumbnailLoader::State;

namespace {

int coloursIn(const QImage &image, const QRectF &area)
{
    QSet<QRgb> colours;
    const QRect pixels = area.toAlignedRect().intersected(image.rect());
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

class TimelinePicturesTest : public TimelineListViewTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_sandbox.start({ QStringLiteral("--latency"), QStringLiteral("300") }));
        m_addresses = OutsideAddresses::current();
        OutsideAddresses here = m_addresses;
        here.imageHostBase = base();
        OutsideAddresses::setCurrent(here);
        TimelineListViewTest::SetUp();
    }
    void TearDown() override
    {
        TimelineListViewTest::TearDown();
        OutsideAddresses::setCurrent(m_addresses);
        Preferences::standard().remove(prefs::prefsHideOtherSitePictures);
    }

    QString base() const { return m_sandbox.baseUrl().toString(); }
    QUrl picture(const QString &path) const { return QUrl(base() + path); }
    QString otherSite() const
    {
        return QStringLiteral("http://localhost:%1/pictures/photo-3.jpg").arg(m_sandbox.port());
    }
    ThumbnailLoader &thumbnails() const { return *m_list->thumbnails(); }

    SandboxServer m_sandbox;
    OutsideAddresses m_addresses;
};

} // namespace

TEST_F(TimelinePicturesTest, ThumbnailsArriveIntoTheirPlaceWithoutMovingTheRows)
{
    show(posts(30, [this](int i) {
        switch (i % 4) {
        case 0:
            return QStringLiteral("A view %1/img/sample-%2.png").arg(base()).arg(i % 8 + 1);
        case 1:
            return QStringLiteral("Broken %1/img/broken.png").arg(base());
        case 2:
            return QStringLiteral("Slow %1/img/slow-2.png").arg(base());
        default:
            return QStringLiteral("No picture here %1").arg(i);
        }
    }));
    // The first row is partly scrolled away: nothing above the reader's
    // place may grow when its picture comes.
    m_list->verticalScrollBar()->setValue(40);
    settle();
    const auto place = m_list->readingPlace();
    QList<QRect> rows;
    for (int row = 0; row < 6; ++row)
        rows.append(rectOf(row));
    EXPECT_EQ(layoutOf(3).pictures.size(), 0);
    EXPECT_EQ(layoutOf(0).pictures.size(), 1) << "the tile is there before the picture";

    const QUrl good = picture(QStringLiteral("/img/sample-1.png"));
    const QUrl broken = picture(QStringLiteral("/img/broken.png"));
    const QUrl slow = picture(QStringLiteral("/img/slow-2.png"));
    ASSERT_TRUE(waitUntil(
        [&] {
            return thumbnails().state(good) == State::Ready
                && thumbnails().state(broken) == State::Failed
                && thumbnails().state(slow) == State::Failed;
        },
        std::chrono::seconds(8)));
    settle();
    EXPECT_EQ(m_list->readingPlace(), place);
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(rectOf(row), rows.at(row)) << row;

    // What reached the screen, without any input since the picture came.
    const QPoint origin = viewport()->mapTo(m_window.get(), QPoint(0, 0));
    const QImage shown = m_window->screen()
                             ->grabWindow(m_window->winId(), origin.x(), origin.y(),
                                 viewport()->width(), viewport()->height())
                             .toImage();
    EXPECT_GT(coloursIn(shown, layoutOf(0).pictures.at(0)), 40) << "the landscape is drawn";
    EXPECT_LT(coloursIn(shown, layoutOf(1).pictures.at(0)), 6) << "a quiet placeholder";
    EXPECT_TRUE(m_posts.arranged()
                    ->index(0, 0)
                    .data(Qt::AccessibleTextRole)
                    .toString()
                    .endsWith(QStringLiteral("sample-1.png, picture")));
}

TEST_F(TimelinePicturesTest, OtherSitesSeeNoRequestUnlessAllowed)
{
    Preferences::standard().setValue(prefs::prefsHideOtherSitePictures, true);
    show({ post({ .id = QStringLiteral("1"),
        .text
        = QStringLiteral("Here %1/img/sample-2.png and there %2").arg(base(), otherSite()) }) });
    const QUrl own = picture(QStringLiteral("/img/sample-2.png"));
    for (const bool allowed : { false, true }) {
        Preferences::standard().setValue(prefs::prefsHideOtherSitePictures, !allowed);
        settle();
        viewport()->repaint();
        ASSERT_TRUE(waitUntil([&] {
            return thumbnails().state(own) == State::Ready
                && (!allowed || thumbnails().state(QUrl(otherSite())) == State::Ready);
        }));
        EXPECT_EQ(layoutOf(0).pictures.size(), allowed ? 2 : 1);
        EXPECT_EQ(
            m_sandbox.requestCount(QStringLiteral("GET"), QStringLiteral("/pictures/photo-3.jpg")),
            allowed ? 1 : 0);
    }
}

TEST_F(TimelinePicturesTest, AClickOrReturnOpensThePictureAndEscapeClosesOnlyIt)
{
    show({ post({ .id = QStringLiteral("2"),
               .text = QStringLiteral("Two %1/img/sample-4.png %1/img/sample-5.png").arg(base()),
               .minutesAgo = 1 }),
        post({ .id = QStringLiteral("1"),
            .text = QStringLiteral("Only words"),
            .minutesAgo = 2 }) });
    LinkOpener *links = m_list->linkOpener();

    click(layoutOf(0).pictures.at(1).center().toPoint());
    ASSERT_TRUE(links->panel());
    EXPECT_EQ(links->panel()->url(), picture(QStringLiteral("/img/sample-5.png")));
    EXPECT_EQ(selectedRows(), QList<int> { 0 });
    links->panel()->close();
    ASSERT_TRUE(waitUntil([&] { return !links->panel(); }));
    // The second click of a double click on a picture does not reply to the post.
    QSignalSpy doubleClicked(m_list, &TimelineListView::rowDoubleClicked);
    QTest::mouseDClick(
        viewport(), Qt::LeftButton, Qt::NoModifier, layoutOf(0).pictures.at(0).center().toPoint());
    EXPECT_EQ(doubleClicked.count(), 0);
    if (links->panel())
        links->panel()->close();
    ASSERT_TRUE(waitUntil([&] { return !links->panel(); }));

    m_list->setFocus();
    QTest::keyClick(m_list, Qt::Key_Return);
    ASSERT_TRUE(links->panel());
    EXPECT_EQ(links->panel()->url(), picture(QStringLiteral("/img/sample-4.png")));
    QTest::keyClick(links->panel(), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !links->panel(); }));
    EXPECT_TRUE(m_window->isVisible());

    click(1, Part::Text);
    m_list->setFocus();
    QTest::keyClick(m_list, Qt::Key_Space);
    EXPECT_FALSE(links->panel()) << "a post without pictures opens none";
}
