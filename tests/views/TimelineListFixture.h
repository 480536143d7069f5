#pragma once

// The timeline list in a window on the offscreen platform, with a posts
// controller, the names posted on the bus and helpers to find and click the
// parts of a row.
#include "views/TimelineListView.h"

#include "TestSupport.h"
#include "TimelineTestPosts.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "service/PostsArrayController.h"
#include "text/TextClick.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace timelinetest {

using Part = TimelineRowLayout::Part;

class TimelineListViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Preferences::standard().setValue(prefs::meID, QStringLiteral("42"));

        m_window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(m_window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        m_list = new TimelineListView(m_window.get());
        layout->addWidget(m_list);
        m_list->setPostsController(&m_posts);
        m_window->resize(420, 640);
        m_window->show();

        QObject::connect(&NotificationBus::defaultCenter(), &NotificationBus::posted, &m_context,
            [this](const QString &name) {
                m_posted.append(name);
                m_selectedWhenPosted.append(m_posts.selectionIndex().value_or(-1));
            });
    }

    void TearDown() override
    {
        m_window.reset();
        Preferences::standard().remove(prefs::meID);
        Preferences::standard().remove(prefs::currentHashtag);
        Preferences::standard().remove(prefs::currentUser);
    }

    void show(QList<PostRecord> records)
    {
        m_posts.setContent(std::move(records));
        settle();
    }
    void settle()
    {
        QApplication::processEvents();
        m_list->doItemsLayout();
    }

    QWidget *viewport() const { return m_list->viewport(); }
    TimelineRowLayout layoutOf(int row) const { return m_list->rowLayout(row); }
    QPoint centreOf(int row, Part part) const
    {
        return layoutOf(row).rectOf(part).center().toPoint();
    }

    void click(QPoint at) { QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, at); }
    void click(int row, Part part) { click(centreOf(row, part)); }

    void rightClick(QPoint at)
    {
        QTest::mousePress(viewport(), Qt::RightButton, Qt::NoModifier, at);
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, viewport()->mapToGlobal(at));
        QApplication::sendEvent(viewport(), &menuEvent);
        QTest::mouseRelease(viewport(), Qt::RightButton, Qt::NoModifier, at);
    }

    QList<int> selectedRows() const
    {
        QList<int> rows;
        for (const QModelIndex &index : m_posts.selectionModel()->selectedRows())
            rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    bool rowIsVisible(int row) const
    {
        const QRect rect = m_list->visualRect(m_posts.arranged()->index(row, 0));
        return rect.isValid() && viewport()->rect().intersects(rect);
    }

    // The first point of the row's text whose character carries what
    // `wanted` asks for.
    std::optional<QPoint> pointOnText(
        int row, const std::function<bool(const ClickActions &)> &wanted) const
    {
        const TimelineRowLayout layout = layoutOf(row);
        const StyledText &text = m_posts.arrangedObject(row)->attributedString;
        QStyleOptionViewItem option;
        option.rect = m_list->visualRect(m_posts.arranged()->index(row, 0));
        for (int y = int(layout.text.top()) + 4; y < layout.text.bottom(); y += 8) {
            for (int x = int(layout.text.left()); x < layout.text.right(); ++x) {
                const QPoint point(x, y);
                const auto hit = m_list->timelineDelegate()->hitTest(
                    option, m_posts.arranged()->index(row, 0), point);
                if (hit.part == Part::Text
                    && wanted(TextClick::actionsAt(text, hit.characterIndex)))
                    return point;
            }
        }
        return std::nullopt;
    }

    mutable CheckedPostsController m_posts;
    std::unique_ptr<QWidget> m_window;
    TimelineListView *m_list = nullptr;
    QObject m_context;
    QStringList m_posted;
    QList<int> m_selectedWhenPosted;
};

} // namespace timelinetest
