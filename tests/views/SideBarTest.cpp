// The side bar: where its column sits, which row is selected, who hears a
// click, the selection marker, and how the buttons, background and pictures
// are painted.
#include "views/SideBar.h"
#include "views/ProgramImages.h"
#include "views/SideBarButton.h"
#include "views/SideBarDelegate.h"
#include "views/SideBarImages.h"

#include "TestSupport.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QIcon solid(Qt::GlobalColor colour)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

class RecordingDelegate : public QObject, public SideBarDelegate {
public:
    void sideBarDidSelectButton(SideBar *sender, int row) override
    {
        calls.append({ sender, row });
    }
    QList<std::pair<SideBar *, int>> calls;
};

class SideBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar.resize(60, 300);
        for (const char *title : { "Stream", "Posts", "Mentions" })
            bar.addButtonWithTitle(QString::fromLatin1(title), solid(Qt::red), solid(Qt::blue));
        bar.show();
    }

    void click(int row) { QTest::mouseClick(bar.cellForItem(row), Qt::LeftButton); }

    QList<int> checkedRows() const
    {
        QList<int> rows;
        for (int row = 0; row < bar.numberOfRows(); ++row)
            if (bar.cellForItem(row)->isChecked())
                rows.append(row);
        return rows;
    }

    SideBar bar;
};

TEST_F(SideBarTest, ColumnSitsAtTopMiddleOrBottomAndFollowsSizeAndRows)
{
    bar.setLayoutMode(SideBar::LayoutMode::Top);
    EXPECT_EQ(bar.columnGeometry(), QRect(0, 0, 60, 144));
    bar.setLayoutMode(SideBar::LayoutMode::Centred);
    EXPECT_EQ(bar.columnGeometry(), QRect(0, 78, 60, 144));
    bar.setLayoutMode(SideBar::LayoutMode::Bottom);
    EXPECT_EQ(bar.columnGeometry(), QRect(0, 156, 60, 144));

    // Rows stack without gaps, each as wide as the side bar.
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(bar.cellForItem(row)->geometry(), QRect(0, 48 * row, 60, 48)) << "row " << row;

    // The column follows the size and new rows.
    bar.resize(72, 400);
    EXPECT_EQ(bar.columnGeometry(), QRect(0, 256, 72, 144));
    EXPECT_EQ(bar.cellForItem(2)->geometry(), QRect(0, 96, 72, 48));
    bar.addButtonWithTitle(QStringLiteral("Global"));
    EXPECT_EQ(bar.columnGeometry(), QRect(0, 208, 72, 192));

    // Half points: the free space of an odd height splits 52.5 / 52.5.
    EXPECT_EQ(sideBarColumnRect({ 60, 249 }, 3, 48, SideBar::LayoutMode::Centred),
        QRectF(0, 52.5, 60, 144));
    EXPECT_EQ(sideBarColumnRect({ 60, 100 }, 3, 48, SideBar::LayoutMode::Bottom),
        QRectF(0, -44, 60, 144));
}

TEST_F(SideBarTest, ExactlyOneRowIsSelectedAndRowsPastTheEndSelectTheFirst)
{
    EXPECT_EQ(checkedRows(), QList<int> { 0 });

    bar.selectButtonAtRow(2);
    EXPECT_EQ(checkedRows(), QList<int> { 2 });
    bar.selectButtonAtRow(3);
    EXPECT_EQ(checkedRows(), QList<int> { 0 });
    bar.selectButtonAtRow(2);
    bar.selectButtonAtRow(-1);
    EXPECT_EQ(bar.selectedRow(), 0);

    click(1);
    EXPECT_EQ(checkedRows(), QList<int> { 1 });
    // Clicking the selected button leaves it selected: no empty selection.
    click(1);
    EXPECT_EQ(checkedRows(), QList<int> { 1 });

    EXPECT_EQ(bar.cellForItem(-1), nullptr);
    EXPECT_EQ(bar.cellForItem(3), nullptr);

    SideBar empty;
    empty.selectButtonAtRow(4);
    EXPECT_EQ(empty.selectedRow(), -1);
    EXPECT_EQ(empty.cellForItem(0), nullptr);
}

TEST_F(SideBarTest, ClicksReachOnlyADelegateThatImplementsTheCall)
{
    RecordingDelegate delegate;
    bar.setSidebarDelegate(&delegate);
    click(2);
    click(2);
    bar.selectButtonAtRow(1); // chosen by the program, not the user
    click(0);
    ASSERT_EQ(delegate.calls.size(), 3);
    EXPECT_EQ(delegate.calls[0], std::make_pair(&bar, 2));
    EXPECT_EQ(delegate.calls[1], std::make_pair(&bar, 2));
    EXPECT_EQ(delegate.calls[2], std::make_pair(&bar, 0));

    QObject indifferent;
    bar.setSidebarDelegate(&indifferent);
    click(1);
    EXPECT_EQ(bar.selectedRow(), 1);
    EXPECT_EQ(delegate.calls.size(), 3);

    {
        RecordingDelegate shortLived;
        bar.setSidebarDelegate(&shortLived);
    }
    click(2);
    EXPECT_EQ(bar.sidebarDelegate(), nullptr);
    EXPECT_EQ(bar.selectedRow(), 2);
}

TEST_F(SideBarTest, MarkerAppearsOnlyWithAnImageAndFollowsTheSelection)
{
    bar.setLayoutMode(SideBar::LayoutMode::Top);
    EXPECT_EQ(bar.selectorImageView(), nullptr);

    QPixmap notch(8, 16);
    notch.fill(Qt::white);
    bar.setSelectionImage(notch);
    QWidget *marker = bar.selectorImageView();
    ASSERT_NE(marker, nullptr);
    // Right edge of row 0, centred on it: 48 high, so 16 points from its top.
    ASSERT_TRUE(testsupport::waitUntil([&] { return marker->isVisible(); }));
    EXPECT_EQ(marker->geometry(), QRect(52, 16, 8, 16));

    click(2);
    ASSERT_TRUE(testsupport::waitUntil([&] { return marker->pos() == QPoint(52, 112); }));

    bar.setAnimateSelection(true);
    bar.selectButtonAtRow(1);
    ASSERT_TRUE(testsupport::waitUntil([&] { return marker->pos() == QPoint(52, 64); }));

    bar.setLayoutMode(SideBar::LayoutMode::Bottom);
    ASSERT_TRUE(testsupport::waitUntil([&] { return marker->pos() == QPoint(52, 156 + 64); }));

    bar.setSelectionImage(QPixmap());
    EXPECT_EQ(bar.selectorImageView(), nullptr);
}

QImage rendered(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The brightest grey level among the pixels of `area`.
int brightest(const QImage &image, const QRect &area)
{
    int best = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, qGray(image.pixel(x, y)));
    return best;
}

TEST(SideBarButtonPainting, SelectedAndUnselectedLooks)
{
    SideBarButton button;
    button.resize(64, 48);
    button.setText(QStringLiteral("Mentions"));
    button.setImage(solid(Qt::red));
    button.setAlternateImage(solid(Qt::blue));

    button.setChecked(true);
    QImage on = rendered(button);
    const QPoint imageCentre = button.imageRect().center();
    EXPECT_EQ(on.pixelColor(imageCentre), QColor(Qt::red));
    EXPECT_GT(brightest(on, button.titleRect()), 200); // white title

    button.setChecked(false);
    QImage off = rendered(button);
    EXPECT_EQ(off.pixelColor(imageCentre), QColor(Qt::blue));
    const int titleLevel = brightest(off, button.titleRect());
    // The title is drawn in a grey dimmer than the selected white, yet light
    // enough to read at 4.5:1 on the fill (about 170 where 128 would not).
    EXPECT_GT(titleLevel, 160);
    EXPECT_LT(titleLevel, 200);

    // Without an alternate image the unselected button shows the main one.
    button.setAlternateImage(QIcon());
    EXPECT_EQ(rendered(button).pixelColor(imageCentre), QColor(Qt::red));
}

TEST(SideBarBackground, DarkFillWithAFaintStillGrain)
{
    // Over black: 0.235 x 0.9 of white is 54; the grain moves it by a few levels.
    SideBar bar;
    bar.resize(60, 200);
    const QImage image = rendered(bar);
    int lowest = 255, highest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            lowest = std::min(lowest, qGray(image.pixel(x, y)));
            highest = std::max(highest, qGray(image.pixel(x, y)));
        }
    EXPECT_GE(lowest, 48);
    EXPECT_LE(highest, 66);
    EXPECT_GT(highest - lowest, 4);
}

TEST(SideBarImages, EveryStreamHasASelectedAndAnUnselectedPicture)
{
    for (const char *stream : { "stream", "posts", "mentions", "global", "starred" }) {
        int level[2] = { 0, 0 };
        int index = 0;
        for (const char *state : { "On", "Off" }) {
            const QString name = QString::fromLatin1(stream) + QString::fromLatin1(state);
            const QIcon icon = programImage(name);
            ASSERT_FALSE(icon.isNull()) << qPrintable(name);
            QImage image(24, 24, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            icon.paint(&painter, image.rect());
            painter.end();
            int covered = 0;
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 24; ++x)
                    if (qAlpha(image.pixel(x, y)) > 200) {
                        ++covered;
                        level[index] = std::max(level[index], qGray(image.pixel(x, y)));
                    }
            EXPECT_GT(covered, 40) << qPrintable(name);
            ++index;
        }
        EXPECT_EQ(level[0], 255) << stream << ": selected pictures are white";
        EXPECT_LT(level[1], 160) << stream << ": unselected pictures are grey";
    }
    EXPECT_TRUE(programImage(QStringLiteral("nonsense")).isNull());
}

TEST(SideBarImages, SelectionNotchPointsLeftInTheListColour)
{
    const QImage notch = sideBarSelectionImage(QColor(250, 250, 250)).toImage();
    ASSERT_EQ(notch.size(), QSize(8, 16));
    EXPECT_EQ(qAlpha(notch.pixel(0, 0)), 0);
    EXPECT_EQ(notch.pixelColor(6, 8), QColor(250, 250, 250));
    EXPECT_EQ(sideBarSelectionImage(Qt::white, 2.0).size(), QSize(16, 32));
}

} // namespace
