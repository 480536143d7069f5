#include "platform/AlertPresenter.h"
#include "platform/ToolkitServices.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

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

TEST(AlertPresenter, TheMessageBoxShowsTheTitleAndButtonsAndAnswersTheChoice)
{
    ToolkitServices::install();
    QString seenTitle;
    QStringList seenButtons;
    // The box is modal: it is read and answered from inside its own loop.
    QTimer::singleShot(50, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seenTitle = box->text();
        for (QAbstractButton *button : box->buttons())
            seenButtons << button->text();
        box->buttons().last()->click();
    });
    EXPECT_EQ(alerts::show(QStringLiteral("Warning!"), QStringLiteral("Really?"),
                  { QStringLiteral("OK"), QStringLiteral("Cancel") }, AlertStyle::Critical),
        1);
    EXPECT_EQ(seenTitle, QStringLiteral("Warning!"));
    EXPECT_TRUE(seenButtons.contains(QStringLiteral("Cancel")));
    // Ended with no button chosen, as when the program quits meanwhile: the
    // last button's answer, never the first one's action.
    QTimer::singleShot(
        50, [] { qobject_cast<QDialog *>(QApplication::activeModalWidget())->done(0); });
    EXPECT_EQ(alerts::show(QStringLiteral("Delete Post"), QStringLiteral("Really?"),
                  { QStringLiteral("Do this"), QStringLiteral("Cancel") }),
        1);
    alerts::setPresenter(nullptr);
}

} // namespace
