// A list that grows shorter under the reader (a refresh laying its rows out
// again, posts removed) is no pull past its end: it asks for no older posts.
#include "views/RefreshScrollView.h"

#include "TestSupport.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"

#include <QListView>
#include <QScrollBar>
#include <QStringListModel>

#include <gtest/gtest.h>

namespace {

TEST(ShrinkingList, ARangeThatShrinksBelowThePlaceAsksForNoOlderPosts)
{
    QStringList rows;
    for (int i = 0; i < 100; ++i)
        rows << QStringLiteral("Post %1").arg(i);
    QStringListModel model(rows);
    auto *list = new QListView;
    list->setModel(&model);
    RefreshScrollView view(list);
    view.resize(300, 400);
    view.show();
    int olderRequests = 0;
    QObject context;
    NotificationBus::defaultCenter().subscribe(
        nf::loadOlderPosts, &context, [&] { ++olderRequests; });
    QScrollBar *bar = list->verticalScrollBar();
    ASSERT_TRUE(testsupport::waitUntil([&] { return bar->maximum() > 1000; }));
    bar->setValue(bar->maximum() - 10);

    model.removeRows(30, 70);
    ASSERT_TRUE(testsupport::waitUntil([&] { return bar->maximum() < 1000; }));
    EXPECT_EQ(olderRequests, 0);
}

} // namespace
