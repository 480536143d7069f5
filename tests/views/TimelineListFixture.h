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
using testsupport::waitUntil;

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
        for (const char *key : { "meID", "currentHashtag", "currentUser" })
            Preferences::standard().remove(key);
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
    QRect rectOf(int row) const { return m_list->visualRect(m_posts.arranged()->index(row, 0)); }
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
        return rectOf(row).isValid() && viewport()->rect().intersects(rectOf(row));
    }
    bool laidOut() const
    {
        return waitUntil([&] { return rectOf(m_posts.arranged()->rowCount() - 1).isValid(); });
    }

    // The first point of the row's text over a character that `wanted` takes.
    std::optional<QPoint> pointOnCharacter(int row, const std::function<bool(int)> &wanted) const
    {
        const TimelineRowLayout layout = layoutOf(row);
        QStyleOptionViewItem option;
        option.rect = rectOf(row);
        for (int y = int(layout.text.top()) + 4; y < layout.text.bottom(); y += 4) {
            for (int x = int(layout.text.left()); x < layout.text.right(); ++x) {
                const auto hit = m_list->timelineDelegate()->hitTest(
                    option, m_posts.arranged()->index(row, 0), QPoint(x, y));
                if (hit.part == Part::Text && hit.characterIndex >= 0 && wanted(hit.characterIndex))
                    return QPoint(x, y);
            }
        }
        return std::nullopt;
    }
    std::optional<QPoint> pointOnCharacter(int row, int index) const
    {
        return pointOnCharacter(row, [index](int at) { return at == index; });
    }
    std::optional<QPoint> pointOnText(
        int row, const std::function<bool(const ClickActions &)> &wanted) const
    {
        const StyledText &text = m_posts.arrangedObject(row)->attributedString;
        return pointOnCharacter(
            row, [&](int at) { return wanted(TextClick::actionsAt(text, at)); });
    }

    mutable CheckedPostsController m_posts;
    std::unique_ptr<QWidget> m_window;
    TimelineListView *m_list = nullptr;
    QObject m_context;
    QStringList m_posted;
    QList<int> m_selectedWhenPosted;
};

} // namespace timelinetest
