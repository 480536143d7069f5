#include "views/SideBar.h"
#include "views/SideBarDelegate.h"

#include "TestSupport.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Span {
    int from;
    int to;
    bool operator==(const Span &) const = default;
};

std::ostream &operator<<(std::ostream &os, const Span &s)
{
    return os << s.from << " to " << s.to;
}

// The column's vertical extent measured from the bottom edge, y upwards.
Span fromBottom(const SideBar &bar)
{
    const QRect column = bar.columnGeometry();
    return { bar.height() - (column.top() + column.height()), bar.height() - column.top() };
}

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

TEST_F(SideBarTest, ColumnSitsAtTopMiddleOrBottom)
{
    EXPECT_EQ(bar.layoutMode(), SideBar::LayoutMode::Centred);
    EXPECT_EQ(bar.buttonsHeight(), 48.0);

    bar.setLayoutMode(SideBar::LayoutMode::Top);
    EXPECT_EQ(fromBottom(bar), (Span { 156, 300 }));
    bar.setLayoutMode(SideBar::LayoutMode::Centred);
    EXPECT_EQ(fromBottom(bar), (Span { 78, 222 }));
    bar.setLayoutMode(SideBar::LayoutMode::Bottom);
    EXPECT_EQ(fromBottom(bar), (Span { 0, 144 }));

    // Rows stack without gaps, each as wide as the side bar.
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(bar.cellForItem(row)->geometry(), QRect(0, 48 * row, 60, 48)) << "row " << row;
}

TEST_F(SideBarTest, ColumnFollowsSizeHeightAndNewRows)
{
    bar.setLayoutMode(SideBar::LayoutMode::Bottom);
    bar.resize(72, 400);
    EXPECT_EQ(bar.columnGeometry(), QRect(0, 256, 72, 144));
    EXPECT_EQ(bar.cellForItem(2)->geometry(), QRect(0, 96, 72, 48));

    bar.setButtonsHeight(30);
    EXPECT_EQ(bar.columnGeometry(), QRect(0, 310, 72, 90));
    EXPECT_EQ(bar.cellForItem(1)->geometry(), QRect(0, 30, 72, 30));

    bar.addButtonWithTitle(QStringLiteral("Global"));
    EXPECT_EQ(bar.columnGeometry(), QRect(0, 280, 72, 120));

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
    EXPECT_EQ(bar.cellForItem(2)->text(), QStringLiteral("Mentions"));

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

TEST_F(SideBarTest, NewRowsComeFromTheCellFactory)
{
    class TaggedButton : public SideBarButton {
    public:
        using SideBarButton::SideBarButton;
    };
    bar.setCellFactory([](QWidget *parent) { return new TaggedButton(parent); });
    SideBarButton *added = bar.addButtonWithTitle(QStringLiteral("Starred"));
    EXPECT_NE(dynamic_cast<TaggedButton *>(added), nullptr);
    EXPECT_EQ(dynamic_cast<TaggedButton *>(bar.cellForItem(0)), nullptr);
    EXPECT_EQ(bar.cellForItem(3), added);
    EXPECT_TRUE(added->isCheckable());

    bar.setCellFactory([](QWidget *) { return static_cast<SideBarButton *>(nullptr); });
    EXPECT_NE(bar.addButtonWithTitle(QStringLiteral("Fallback")), nullptr);
    EXPECT_EQ(bar.numberOfRows(), 5);
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
    bar.setAnimationDuration(0.05);
    bar.selectButtonAtRow(1);
    ASSERT_TRUE(testsupport::waitUntil([&] { return marker->pos() == QPoint(52, 64); }));

    bar.setLayoutMode(SideBar::LayoutMode::Bottom);
    ASSERT_TRUE(testsupport::waitUntil([&] { return marker->pos() == QPoint(52, 156 + 64); }));

    bar.setSelectionImage(QPixmap());
    EXPECT_EQ(bar.selectorImageView(), nullptr);
}

} // namespace
