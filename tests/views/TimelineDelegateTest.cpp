// The row delegate without a window: sizes by the height rule, painting into
// an image (avatar shape, selected-row controls, reset look, mention tint),
// and hit testing against what was painted.
#include "views/TimelineDelegate.h"

#include "TimelineTestPosts.h"
#include "core/Preferences.h"
#include "views/URLImageView.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStyleOptionViewItem>

#include <gtest/gtest.h>

#include <memory>

using Part = TimelineRowLayout::Part;
using namespace timelinetest;

namespace {

constexpr int listWidth = 400;

int inkIn(const QImage &image, const QRectF &area, int darkerThan = 160)
{
    int count = 0;
    const QRect pixels = area.toAlignedRect().intersected(image.rect());
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            if (qGray(image.pixel(x, y)) < darkerThan)
                ++count;
    return count;
}

int darkestIn(const QImage &image, const QRectF &area)
{
    int darkest = 255;
    const QRect pixels = area.toAlignedRect().intersected(image.rect());
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    return darkest;
}

class TimelineDelegateTest : public ::testing::Test {
protected:
    void SetUp() override { Preferences::standard().setValue(prefs::meID, QStringLiteral("42")); }
    void TearDown() override { Preferences::standard().remove(prefs::meID); }

    void show(QList<PostRecord> records) { m_posts.setContent(std::move(records)); }
    QModelIndex row(int r) const { return m_posts.arranged()->index(r, 0); }

    QStyleOptionViewItem option(int r, bool selected) const
    {
        QStyleOptionViewItem opt;
        opt.palette = m_palette;
        const int height = m_delegate.sizeHint(sizing(), row(r)).height();
        opt.rect = QRect(0, 0, listWidth, height);
        if (selected)
            opt.state |= QStyle::State_Selected;
        return opt;
    }

    static QStyleOptionViewItem sizing()
    {
        QStyleOptionViewItem opt;
        opt.rect = QRect(0, 0, listWidth, 0);
        return opt;
    }

    QImage paint(int r, bool selected) const
    {
        const QStyleOptionViewItem opt = option(r, selected);
        QImage image(opt.rect.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        m_delegate.paint(&painter, opt, row(r));
        painter.end();
        return image;
    }

    mutable CheckedPostsController m_posts;
    TimelineDelegate m_delegate;
    QPalette m_palette = QGuiApplication::palette();
};

} // namespace

TEST_F(TimelineDelegateTest, StarringAPostKeepsItsHeightWithoutMeasuringAgain)
{
    show(posts(1));
    const int before = m_delegate.sizeHint(sizing(), row(0)).height();
    const int measured = m_delegate.textCache().measurements();

    PostRecord record = *m_posts.arrangedObject(0);
    record.post.insert(QStringLiteral("you_starred"), true);
    m_posts.model()->replaceRecord(0, record);
    EXPECT_EQ(m_delegate.sizeHint(sizing(), row(0)).height(), before);
    EXPECT_EQ(m_delegate.textCache().measurements(), measured);
}

TEST_F(TimelineDelegateTest, AvatarIsClippedToTheRoundedRectangleWithAGreyBorderOrAPlaceholder)
{
    show({ post({ .id = QStringLiteral("1"),
               .text = QStringLiteral("hello"),
               .avatar = solidAvatar(QColor(200, 30, 30)) }),
        post({ .id = QStringLiteral("2"), .text = QStringLiteral("hi"), .avatar = QImage() }) });
    const QImage image = paint(0, false);
    const QRectF frame = m_delegate.rowLayout(option(0, false), row(0)).avatar;
    const QRectF picture = frame.adjusted(2, 2, -2, -2);

    EXPECT_EQ(image.pixelColor(picture.center().toPoint()), QColor(200, 30, 30));
    // The corner of the square is cut away by the 3-point radius.
    const QColor corner = image.pixelColor(picture.topLeft().toPoint());
    EXPECT_GT(corner.green(), 150) << "the square's corner is not painted with the picture";
    // The 2-point inset stays row background.
    EXPECT_EQ(
        image.pixelColor(QPoint(int(frame.left()), int(frame.center().y()))), QColor(Qt::white));
    // The border runs along the picture's edge, grey over the red.
    const QColor edge = image.pixelColor(QPoint(int(picture.center().x()), int(picture.top())));
    EXPECT_GT(edge.green(), 80) << "border grey shows on the edge";
    EXPECT_LT(std::abs(edge.green() - edge.blue()), 20);
    // Without a picture the placeholder takes its place.
    EXPECT_EQ(
        paint(1, false).pixelColor(frame.center().toPoint()), AvatarImageView::placeholderColor());
}

TEST_F(TimelineDelegateTest, OnlyTheSelectedRowWithItsControlsShowsItsButtonsAndFullName)
{
    show(posts(1));
    const TimelineRowLayout layout = m_delegate.rowLayout(option(0, true), row(0));
    const QImage plain = paint(0, false);
    const QImage selected = paint(0, true);

    for (Part part : { Part::Reply, Part::Quote, Part::Conversation, Part::Action }) {
        EXPECT_EQ(inkIn(plain, layout.rectOf(part)), 0) << "no button on an unselected row";
        EXPECT_GT(inkIn(selected, layout.rectOf(part)), 8) << "a button on the selected row";
    }
    // The date shows on an unselected row only.
    EXPECT_GT(inkIn(plain, layout.date, 200), 0);
    EXPECT_EQ(inkIn(selected, layout.date, 200), 0);
    // Hidden controls make the selected row look unselected, but for its
    // background, which is the row's.
    m_delegate.setControlsHidden(true);
    const QImage reset = paint(0, true);
    EXPECT_EQ(inkIn(reset, layout.reply), 0);
    EXPECT_GT(inkIn(reset, layout.date, 200), 0);
    EXPECT_NE(reset.pixelColor(layout.row.width() - 3, 20), QColor(Qt::white));
    m_delegate.setControlsHidden(false);

    const PostRecord record = TimelineDelegate::recordFor(row(0));
    EXPECT_EQ(TimelineDelegate::nameLineText(record, false), QStringLiteral("@user0"));
    EXPECT_EQ(TimelineDelegate::nameLineText(record, true), QStringLiteral("Marta Lind"));
    PostRecord nameless = record;
    QVariantMap user = nameless.post.value(QStringLiteral("user")).toMap();
    user.insert(QStringLiteral("name"), QStringLiteral("  "));
    nameless.post.insert(QStringLiteral("user"), user);
    EXPECT_EQ(TimelineDelegate::nameLineText(nameless, true), QStringLiteral("@user0"));
    PostRecord userless = record;
    userless.post.remove(QStringLiteral("user"));
    EXPECT_EQ(TimelineDelegate::nameLineText(userless, true), QStringLiteral("unknown user"));
}

TEST_F(TimelineDelegateTest, OwnPostDrawsReplyAndQuoteFaint)
{
    show({ post({ .id = QStringLiteral("1"),
               .text = QStringLiteral("mine"),
               .userId = QStringLiteral("42") }),
        post({ .id = QStringLiteral("2"),
            .text = QStringLiteral("theirs"),
            .userId = QStringLiteral("7"),
            .minutesAgo = 5 }) });
    const TimelineRowLayout own = m_delegate.rowLayout(option(0, true), row(0));
    const TimelineRowLayout theirs = m_delegate.rowLayout(option(1, true), row(1));

    const QImage ownImage = paint(0, true);
    const QImage theirImage = paint(1, true);
    for (Part part : { Part::Reply, Part::Quote }) {
        EXPECT_GT(
            darkestIn(ownImage, own.rectOf(part)), darkestIn(theirImage, theirs.rectOf(part)) + 40)
            << "a disabled button is drawn faint";
    }
    EXPECT_EQ(darkestIn(ownImage, own.conversation), darkestIn(theirImage, theirs.conversation));
}

TEST_F(TimelineDelegateTest, UnderADarkPaletteRowsAreDarkAndEveryWordIsDrawnLight)
{
    // Words before, inside and after the marks, wrapped over lines.
    const QString words
        = QStringLiteral("Anyone want to talk about tabs vs spaces? @xavier I know you have "
                         "opinions. See www.example.com/notes and #coffee then @mei later");
    show({ post({ .id = QStringLiteral("1"), .text = words }) });
    m_palette = QPalette(QColor(0x35, 0x35, 0x35));
    m_palette.setColor(QPalette::Base, QColor(0x24, 0x24, 0x24));
    m_palette.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    const QImage painted = paint(0, false);
    EXPECT_EQ(painted.pixelColor(listWidth - 4, 30), QColor(0x24, 0x24, 0x24));
    const QStyleOptionViewItem opt = option(0, false);
    const QRect text = m_delegate.rowLayout(opt, row(0)).text.toRect();
    ASSERT_GT(text.height(), 30) << "the text wraps";
    // The lightest pixel drawn over each character, found by hit testing.
    QHash<int, int> lightestAt;
    for (int y = text.top(); y < text.bottom(); ++y) {
        for (int x = text.left(); x < text.right(); ++x) {
            const int character = m_delegate.hitTest(opt, row(0), QPointF(x, y)).characterIndex;
            if (character >= 0)
                lightestAt[character]
                    = std::max(lightestAt.value(character), painted.pixelColor(x, y).lightness());
        }
    }
    for (const QString &word :
        { QStringLiteral("Anyone"), QStringLiteral("xavier"), QStringLiteral("know"),
            QStringLiteral("opinions"), QStringLiteral("example"), QStringLiteral("coffee"),
            QStringLiteral("then"), QStringLiteral("mei"), QStringLiteral("later") }) {
        const int at = int(words.indexOf(word));
        int lightest = 0;
        for (int i = at; i < at + word.size(); ++i)
            lightest = std::max(lightest, lightestAt.value(i));
        EXPECT_GT(lightest, 100) << word.toStdString() << " is drawn dark";
    }
}

TEST_F(TimelineDelegateTest, OddRecordsPaintWithoutFuss)
{
    // A record without id, user or text, and one whose text is huge.
    PostRecord empty;
    PostRecord huge = post({ .id = QStringLiteral("h"), .text = QString(10000, QLatin1Char('x')) });
    show({ empty, huge });
    for (int r = 0; r < 2; ++r) {
        EXPECT_GE(m_delegate.sizeHint(sizing(), row(r)).height(), 60);
        EXPECT_FALSE(paint(r, true).isNull());
    }
}

TEST_F(TimelineDelegateTest, RowsMentioningTheUserAreTintedAndStarredOnesCarryAGoldStar)
{
    PostRecord starred = post({ .id = QStringLiteral("1"),
        .text = QStringLiteral("hi @me"),
        .mentionIds = { QStringLiteral("42") } });
    starred.post.insert(QStringLiteral("you_starred"), true);
    show({ starred,
        post({ .id = QStringLiteral("2"),
            .text = QStringLiteral("hi @you"),
            .mentionIds = { QStringLiteral("9") },
            .minutesAgo = 1 }) });
    const QPoint background(listWidth - 4, 30);
    EXPECT_EQ(paint(0, false).pixelColor(background), TimelineDelegate::mentionColor());
    EXPECT_EQ(paint(1, false).pixelColor(background), QColor(Qt::white));
    auto goldIn = [&](int r) {
        const QImage image = paint(r, false);
        const QRect line = m_delegate.rowLayout(option(r, false), row(r)).nameLine.toRect();
        int gold = 0;
        for (int y = line.top(); y < line.bottom(); ++y)
            for (int x = line.left(); x < line.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                gold += c.red() > 180 && c.green() > 120 && c.blue() < 100;
            }
        return gold;
    };
    EXPECT_GT(goldIn(0), 5);
    EXPECT_EQ(goldIn(1), 0);
}
