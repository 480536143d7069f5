// A link clicked in a row of the list, over a slow network: an image link
// opens the preview panel with the picture from the image host, a page link
// goes to the browser; what the text views do, from the same code.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "core/Preferences.h"
#include "service/PostsArrayController.h"
#include "service/RequestBuilding.h"
#include "text/DragImageView.h"
#include "text/ImagePreviewPanel.h"
#include "text/LinkOpener.h"
#include "text/TextClick.h"
#include "views/TimelineListView.h"

#include <QGuiApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Part = TimelineRowLayout::Part;
using namespace std::chrono_literals;

class ListLinksTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        const QString image = sandbox.baseUrl().toString() + QStringLiteral("/img/sample-1.png");
        const QString page = sandbox.baseUrl().toString() + QStringLiteral("/help");
        const auto posted = sandbox.api("POST", "posts",
            newPostBody(QStringLiteral("picture %1 and page %2 here").arg(image, page)));
        ASSERT_EQ(posted.status, 200);
        ASSERT_TRUE(sandbox.setLatency(300, 50));
        start();
        if (HasFatalFailure())
            return;
        list()->doItemsLayout();
        QTest::qWait(100);
    }

    TimelineListView *list() const { return delegate->window()->listView(); }

    // A point of row 0's text whose character links to an address ending so.
    std::optional<QPoint> pointOnLink(const QString &ending) const
    {
        const TimelineRowLayout layout = list()->rowLayout(0);
        PostsArrayController *posts = delegate->postsArrayController();
        const QModelIndex index = posts->arranged()->index(0, 0);
        QStyleOptionViewItem option;
        option.rect = list()->visualRect(index);
        for (int y = int(layout.text.top()) + 4; y < layout.text.bottom(); y += 6) {
            for (int x = int(layout.text.left()); x < layout.text.right(); x += 2) {
                const auto hit = list()->timelineDelegate()->hitTest(option, index, QPoint(x, y));
                if (hit.part != Part::Text)
                    continue;
                const ClickActions actions = TextClick::actionsAt(
                    posts->arrangedObject(0)->attributedString, hit.characterIndex);
                if (actions.link && actions.link->toString().endsWith(ending))
                    return QPoint(x, y);
            }
        }
        return std::nullopt;
    }

    testsupport::RecordingOpener opener;
};

TEST_F(ListLinksTest, AnImageLinkOpensThePreviewAndAPageLinkTheBrowser)
{
    const auto onImage = pointOnLink(QStringLiteral("/img/sample-1.png"));
    const auto onPage = pointOnLink(QStringLiteral("/help"));
    ASSERT_TRUE(onImage && onPage) << "the new post is not the first row";

    // A page link goes to the browser.
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier, *onPage);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !opener.opened().isEmpty(); }, 10000ms));
    EXPECT_TRUE(opener.opened().first().toString().endsWith(u"/help"));

    // A picture link opens the preview, and nothing more goes to the browser.
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier, *onImage,
        QGuiApplication::styleHints()->mouseDoubleClickInterval() + 1);
    LinkOpener *links = list()->linkOpener();
    ASSERT_TRUE(testsupport::waitUntil([&] { return links->panel() != nullptr; }, 10000ms));
    ImagePreviewPanel *panel = links->panel();
    EXPECT_TRUE(panel->isVisible());
    ASSERT_TRUE(testsupport::waitUntil([&] { return !panel->isLoading(); }, 10000ms));
    ASSERT_NE(links->imageView(), nullptr);
    EXPECT_FALSE(links->imageView()->image().isNull()) << "the picture is shown";
    EXPECT_EQ(opener.opened().size(), 1);

    // Escape and Ctrl+W close the preview alone, not the window behind it.
    for (const QKeySequence &keys :
        { QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W) }) {
        if (!links->panel() || !links->panel()->isVisible()) {
            // Opened again from the keyboard: Space on the selected post.
            list()->setFocus();
            QTest::keyClick(list(), Qt::Key_Space);
            ASSERT_TRUE(testsupport::waitUntil(
                [&] { return links->panel() && links->panel()->isVisible(); }, 10000ms));
        }
        QPointer<ImagePreviewPanel> shown = links->panel();
        shown->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(shown));
        QTest::keySequence(shown, keys);
        EXPECT_TRUE(testsupport::waitUntil([&] { return !shown || !shown->isVisible(); }, 3000ms))
            << keys.toString().toStdString();
        EXPECT_FALSE(delegate->window()->isHiddenFromUser()) << keys.toString().toStdString();
    }

    EXPECT_TRUE(alerts.shown().isEmpty());
}

} // namespace
