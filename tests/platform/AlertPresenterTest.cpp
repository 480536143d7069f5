#include "platform/AlertPresenter.h"

#include <gtest/gtest.h>

namespace {

// A presenter during whose alert more failures arrive, as when a timer's
// load fails while the first alert is still open.
class ReentrantPresenter : public AlertPresenter {
public:
    int present(const Alert &alert) override
    {
        shown.append(alert.message);
        if (shown.size() == 1) {
            alerts::error(QStringLiteral("Unable to fetch stream."));
            alerts::error(QStringLiteral("Unable to load user."));
        }
        return 0;
    }
    QStringList shown;
};

TEST(AlertPresenter, TheSameErrorIsNotStackedWhileItIsOpenButComesAgainLater)
{
    auto owned = std::make_unique<ReentrantPresenter>();
    ReentrantPresenter *presenter = owned.get();
    alerts::setPresenter(std::move(owned));

    alerts::error(QStringLiteral("Unable to fetch stream."));
    EXPECT_EQ(presenter->shown,
        (QStringList {
            QStringLiteral("Unable to fetch stream."), QStringLiteral("Unable to load user.") }));

    alerts::error(QStringLiteral("Unable to fetch stream."));
    EXPECT_EQ(presenter->shown.size(), 3);
    alerts::setPresenter(nullptr);
}

} // namespace
