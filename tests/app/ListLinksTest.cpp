// A link clicked in a row of the list, over a slow network: an image link
// opens the preview panel with the picture from the image host, a page link
// goes to the browser; what the text views do, from the same code.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "service/PostsArrayController.h"
#include "service/RequestBuilding.h"
#include "text/DragImageView.h"
#include "text/ImagePreviewPanel.h"
#include "text/LinkOpener.h"
#include "text/TextClick.h"
#include "views/TimelineListView.h"

#include <QGuiApplication>
#include <QPointer>
#include <QStyleHints>
#include <QTest>

namespace {

using namespace std::chrono_literals;

class ListLinksTest : public ProgramTest {
protected:
    TimelineListView *list() const { return window().listView(); }

    // A point of row 0's text whose character links to an address ending so.
    std::optional<QPoint> pointOnLink(const QString &ending) const
    {
        const TimelineRowLayout layout = list()->rowLayout(0);
        const QModelIndex index = posts().arranged()->index(0, 0);
        QStyleOptionViewItem option;
        option.rect = list()->visualRect(index);
        for (int y = int(layout.text.top()) + 4; y < layout.text.bottom(); y += 6) {
            for (int x = int(layout.text.left()); x < layout.text.right(); x += 2) {
                const auto hit = list()->timelineDelegate()->hitTest(option, index, QPoint(x, y));
                if (hit.part != TimelineRowLayout::Part::Text)
                    continue;
                const ClickActions actions = TextClick::actionsAt(
                    posts().arrangedObject(0)->attributedString, hit.characterIndex);
                // Where a click finds the row (the list lays its rows out late).
                if (actions.link && actions.link->toString().endsWith(ending)
                    && list()->indexAt(QPoint(x, y)) == index)
                    return QPoint(x, y);
            }
        }
        return std::nullopt;
    }

    testsupport::RecordingOpener opener;
};

TEST_F(ListLinksTest, AnImageLinkOpensThePreviewAndAPageLinkTheBrowser)
{
    const QString base = sandbox.baseUrl().toString();
    ASSERT_EQ(
        sandbox
            .api("POST", "posts",
                newPostBody(u"picture %1/img/sample-1.png and page %1/help here"_qs.arg(base)))
            .status,
        200);
    ASSERT_TRUE(sandbox.setLatency(300, 50));
    start();
    std::optional<QPoint> onImage, onPage;
    ASSERT_TRUE(testsupport::waitUntil([&] {
        onImage = pointOnLink(u"/img/sample-1.png"_qs);
        onPage = pointOnLink(u"/help"_qs);
        return onImage && onPage;
    })) << "the new post is not the first row";
    // Each click a click of its own, not the second half of a double click.
    const int apart = QGuiApplication::styleHints()->mouseDoubleClickInterval() + 1;

    // A page link goes to the browser.
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier, *onPage);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !opener.opened().isEmpty(); }, 10s));
    EXPECT_TRUE(opener.opened().first().toString().endsWith(u"/help"));

    // A picture link opens the preview, and nothing more goes to the browser;
    // Escape and Ctrl+W close the preview alone, and Space on the selected
    // post opens it again.
    LinkOpener *links = list()->linkOpener();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier, *onImage, apart);
    ASSERT_TRUE(testsupport::waitUntil([&] { return links->panel() != nullptr; }, 10s));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !links->panel()->isLoading(); }, 10s));
    EXPECT_FALSE(links->imageView()->image().isNull()) << "the picture is shown";
    for (const QKeySequence &keys :
        { QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W) }) {
        SCOPED_TRACE(keys.toString().toStdString());
        if (!links->panel() || !links->panel()->isVisible()) {
            list()->setFocus();
            QTest::keyClick(list(), Qt::Key_Space);
        }
        ASSERT_TRUE(testsupport::waitUntil(
            [&] { return links->panel() && links->panel()->isVisible(); }, 10s));
        QPointer<ImagePreviewPanel> shown = links->panel();
        shown->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(shown));
        QTest::keySequence(shown, keys);
        EXPECT_TRUE(testsupport::waitUntil([&] { return !shown || !shown->isVisible(); }, 3s));
        EXPECT_FALSE(window().isHiddenFromUser());
    }
    EXPECT_EQ(opener.opened().size(), 1);
    EXPECT_TRUE(alerts.shown().isEmpty());
}

} // namespace
