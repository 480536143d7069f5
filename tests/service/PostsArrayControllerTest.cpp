// The shown posts' list: newest first, the selection, and what a refresh
// does to the posts on screen.
#include "TestSupport.h"

#include "service/PostsArrayController.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using testsupport::arrangedIds;

// Post n is n minutes after a fixed hour: a higher id is a newer post.
PostRecord record(int n)
{
    PostRecord r;
    r.post = { { u"id"_qs, QString::number(n) },
        { u"created_at"_qs,
            QDateTime::fromSecsSinceEpoch(1714521600 + qint64(n) * 60, QTimeZone::utc())
                .toString(Qt::ISODate) } };
    return r;
}

QList<PostRecord> records(std::initializer_list<int> ids)
{
    QList<PostRecord> list;
    for (int n : ids)
        list << record(n);
    return list;
}

QStringList texts(std::initializer_list<int> ids)
{
    QStringList list;
    for (int n : ids)
        list << QString::number(n);
    return list;
}

TEST(PostsArrayController, ArrangesNewestFirstAndMovesTheSelection)
{
    PostsArrayController posts;
    QAbstractItemModelTester modelTester(
        posts.arranged(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    posts.setContent(records({ 1, 3, 2 }));
    EXPECT_EQ(arrangedIds(posts), texts({ 3, 2, 1 }));
    EXPECT_EQ(posts.arrangedObject(3), nullptr);

    EXPECT_FALSE(posts.selectionIndex().has_value());
    EXPECT_FALSE(posts.selectNext());
    posts.setSelectionIndex(1);
    EXPECT_EQ(posts.selectedObject()->id(), u"2"_qs);
    EXPECT_TRUE(posts.selectNext());
    EXPECT_FALSE(posts.selectNext()); // stays on the last
    EXPECT_EQ(posts.selectionIndex(), 2);
    EXPECT_EQ(posts.rowOfId(u"3"_qs), 0);
    EXPECT_FALSE(posts.rowOfId(u"9"_qs).has_value());

    // The same posts again (a refresh with nothing new): no row is laid out
    // anew, the selection stays, and a post that changed shows its change.
    QSignalSpy resets(posts.model(), &QAbstractItemModel::modelReset);
    QSignalSpy changes(posts.model(), &QAbstractItemModel::dataChanged);
    QList<PostRecord> again = posts.model()->records();
    again[1].post.insert(u"num_stars"_qs, 5);
    posts.refreshContent(again);
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.first().at(0).value<QModelIndex>().row(), 1);
    EXPECT_EQ(posts.model()->recordAt(1)->post.value(u"num_stars"_qs).toInt(), 5);
    EXPECT_EQ(posts.selectionIndex(), 2);

    posts.removeAllObjects();
    EXPECT_EQ(posts.count(), 0);
    EXPECT_EQ(posts.selectedObject(), nullptr);
}

TEST(RefreshMerge, NewPostsComeAboveDeletedOnesGoAndOlderOnesStay)
{
    struct Case {
        const char *name;
        QList<PostRecord> shown;
        QList<PostRecord> page;
        QStringList expected;
        bool replaced;
    };
    const Case cases[] = {
        { "new posts above", records({ 5, 4, 3, 2, 1 }), records({ 7, 6, 5, 4, 3 }),
            texts({ 7, 6, 5, 4, 3, 2, 1 }), false },
        { "deleted on the service", records({ 5, 4, 3, 2, 1 }), records({ 5, 3 }),
            texts({ 5, 3, 2, 1 }), false },
        { "the same posts", records({ 3, 2, 1 }), records({ 3, 2, 1 }), texts({ 3, 2, 1 }), false },
        { "a page past a gap", records({ 3, 2, 1 }), records({ 30, 29 }), texts({ 30, 29 }), true },
        { "an empty stream", records({ 3, 2, 1 }), {}, {}, true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PostsArrayController posts;
        QAbstractItemModelTester tester(
            posts.arranged(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        posts.setContent(c.shown);
        QSignalSpy resets(posts.model(), &QAbstractItemModel::modelReset);
        posts.refreshContent(c.page);
        EXPECT_EQ(arrangedIds(posts), c.expected);
        EXPECT_EQ(resets.count(), c.replaced ? 1 : 0);
    }
    // A list refreshed all day keeps its newest posts, no more than the
    // bound, or than older pages had made it.
    for (const qsizetype shownRows : { qsizetype(990), qsizetype(1200) }) {
        SCOPED_TRACE(shownRows);
        QList<PostRecord> shown;
        for (int n = 0; n < shownRows; ++n)
            shown << record(n + 30);
        PostsArrayController posts;
        posts.setContent(shown);
        QList<PostRecord> page;
        for (int n = int(shownRows) + 49; n >= int(shownRows) + 20; --n)
            page << record(n);
        posts.refreshContent(page);
        const qsizetype bound = std::max(shownRows, PostsModel::maximumRefreshedRows);
        ASSERT_EQ(posts.count(), bound);
        EXPECT_EQ(posts.arrangedObject(0)->id(), QString::number(shownRows + 49));
        EXPECT_EQ(
            posts.arrangedObject(int(bound) - 1)->id(), QString::number(shownRows + 50 - bound));
    }
}

} // namespace
