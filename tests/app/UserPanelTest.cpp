// The user panel and the user commands against the sandbox, over a slow
// network: who is shown, the lists, following and unfollowing with good and
// bad answers, muting, a user's posts, and the search sheet's two searches.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/MainWindow.h"
#include "app/UserPanel.h"
#include "app/UserPanelController.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "service/PostsArrayController.h"
#include "service/StreamLoader.h"
#include "text/EntityMarking.h"
#include "text/ReadableColors.h"
#include "views/UserListModel.h"

#include <QApplication>
#include <QInputDialog>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

class UserPanelTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        Preferences::standard().setValue(prefs::meID, u"1"_qs);
        ASSERT_TRUE(sandbox.setLatency(250, 50));
        start();
        if (HasFatalFailure())
            return;
        window().show();
    }

    UserPanelController &users() const { return delegate->users(); }
    UserPanel *panel() const { return users().panel(); }

    // Selects the first post whose author's id passes `wanted` and clicks its avatar.
    QString openAuthorOf(const std::function<bool(const QString &)> &wanted)
    {
        for (int row = 0; row < posts().count(); ++row) {
            const QString author = posts().arrangedObject(row)->userId();
            if (wanted(author)) {
                posts().setSelectionIndex(row);
                NotificationBus::defaultCenter().post(nf::userInfo);
                return author;
            }
        }
        ADD_FAILURE() << "no such author";
        return {};
    }
    bool listsFilled()
    {
        return testsupport::waitUntil(
            [&] { return panel() && panel()->following()->rowCount() > 0; }, 10s);
    }
};

TEST_F(UserPanelTest,
    TheAvatarOpensTheAuthorWithBothListsARowSwitchesTheUserAndThePostsButtonShowsTheirPosts)
{
    const QString author = openAuthorOf([](const QString &id) { return id != u"1"; });
    ASSERT_NE(panel(), nullptr);
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_EQ(panel()->user().value(u"id"_qs).toString(), author);
    EXPECT_TRUE(panel()->followLine().contains(u"is currently"));
    EXPECT_TRUE(panel()->followButton()->isVisible());
    ASSERT_TRUE(listsFilled());
    EXPECT_GT(panel()->followers()->rowCount(), 0);
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/stream/0/users/%1/followers"_qs.arg(author)), 1);
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/stream/0/users/%1/following"_qs.arg(author)), 1);
    EXPECT_GE(panel()->width(), window().width());

    // A row of the following list: the sheet stays and shows that user.
    const QModelIndex first = panel()->following()->index(0);
    const QString chosen = first.data(UserListModel::UserIdRole).toString();
    ASSERT_NE(chosen, author);
    panel()->findChild<QTabWidget *>()->setCurrentIndex(1);
    QListView *list = panel()->followingView();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(first).center());
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return panel()->user().value(u"id"_qs).toString() == chosen; }, 10s));
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_EQ(panel()->following()->rowCount(), 0) << "the earlier user's list is gone at once";
    ASSERT_TRUE(listsFilled());

    // Escape closes it and forgets the lists.
    QTest::keyClick(panel(), Qt::Key_Escape);
    EXPECT_FALSE(panel()->isVisible());
    EXPECT_EQ(panel()->followers()->rowCount(), 0);
    EXPECT_TRUE(alerts.shown().isEmpty());

    // The Posts button loads the author's posts and closes the sheet.
    openAuthorOf([&](const QString &id) { return id == author; });
    ASSERT_TRUE(listsFilled());
    ASSERT_TRUE(waitForLoad([&] {
        users().loadUserPosts();
        EXPECT_FALSE(panel()->isVisible());
    }));
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::User);
    ASSERT_GT(posts().count(), 0);
    for (int row = 0; row < posts().count(); ++row)
        EXPECT_EQ(posts().arrangedObject(row)->userId(), author);
    const QString label = window().backBarLabel();

    // Looking at another user (oneself, said so without a follow button) and
    // closing the panel changes nothing of the shown stream: a refresh loads
    // the same user under the same label.
    users().loadModalUserInfo(u"1"_qs);
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return panel()->isVisible() && panel()->user().value(u"id"_qs) == u"1"_qs; }, 10s));
    EXPECT_EQ(panel()->followLine(), u"YES, its me!"_qs);
    EXPECT_FALSE(panel()->followButton()->isVisible());
    QTest::keyClick(panel(), Qt::Key_Escape);
    ASSERT_FALSE(panel()->isVisible());
    ASSERT_TRUE(waitForLoad([&] { delegate->commands().trigger(u"refresh"_qs); }));
    EXPECT_EQ(window().backBarLabel(), label);
    for (int row = 0; row < posts().count(); ++row)
        EXPECT_EQ(posts().arrangedObject(row)->userId(), author);
}

TEST_F(UserPanelTest, FollowUnfollowMuteAndTheSearchSheetShowWhatTheServiceHolds)
{
    // Someone the demo user does not follow, from a search.
    ASSERT_EQ(sandbox.api("DELETE", "users/@olga/follow").status, 200);
    users().performSearch(UserPanelController::searchUser, u"olga"_qs);
    ASSERT_TRUE(testsupport::waitUntil([&] { return panel() && panel()->isVisible(); }, 10s));
    const QString id = panel()->user().value(u"id"_qs).toString();
    const QString path = u"/stream/0/users/%1/follow"_qs.arg(id);
    EXPECT_EQ(panel()->followButtonTag(), 0);
    EXPECT_EQ(panel()->followButton()->text(), u"Follow"_qs);

    // A failure keeps the button as it is.
    ASSERT_TRUE(sandbox.injectFault(path, 500));
    const qsizetype before = alerts.shown().size();
    QTest::mouseClick(panel()->followButton(), Qt::LeftButton);
    ASSERT_TRUE(testsupport::waitUntil([&] { return alerts.shown().size() == before + 1; }, 10s));
    EXPECT_EQ(alerts.shown().last().message, u"Unable to perform request."_qs);
    EXPECT_EQ(panel()->followButtonTag(), 0);
    EXPECT_EQ(panel()->followButton()->text(), u"Follow"_qs);

    QTest::mouseClick(panel()->followButton(), Qt::LeftButton);
    ASSERT_TRUE(testsupport::waitUntil([&] { return panel()->followButtonTag() == 1; }, 10s));
    EXPECT_EQ(panel()->followButton()->text(), u"Unfollow"_qs);
    EXPECT_EQ(alerts.shown().last().title, u"Success!"_qs);
    EXPECT_EQ(alerts.shown().last().message,
        u"You are now following: @%1."_qs.arg(panel()->user().value(u"username"_qs).toString()));
    EXPECT_GE(sandbox.requestCount(u"POST"_qs, path), 1);

    QTest::mouseClick(panel()->followButton(), Qt::LeftButton);
    ASSERT_TRUE(testsupport::waitUntil([&] { return panel()->followButtonTag() == 0; }, 10s));
    EXPECT_EQ(alerts.shown().last().message, u"You are no longer following: @olga."_qs);
    EXPECT_GE(sandbox.requestCount(u"DELETE"_qs, path), 1);

    // Muting the selected post's author asks first and names the user.
    QTest::keyClick(panel(), Qt::Key_Escape);
    const QString author = openAuthorOf([](const QString &id) { return id != u"1"; });
    const QString username = posts().selectedObject()->username();
    ASSERT_FALSE(username.isEmpty());
    const QString mute = u"/stream/0/users/%1/mute"_qs.arg(author);
    const qsizetype asked = alerts.shown().size();
    alerts.answerNext(1); // Cancel
    users().muteUser();
    ASSERT_EQ(alerts.shown().size(), asked + 1);
    EXPECT_EQ(alerts.shown().last().title, u"Mute User"_qs);
    EXPECT_EQ(alerts.shown().last().message, u"Do you really want to mute this user?"_qs);
    users().muteUser();
    ASSERT_TRUE(testsupport::waitUntil([&] { return alerts.shown().size() == asked + 3; }, 10s));
    EXPECT_EQ(alerts.shown().last().title, u"Success!"_qs);
    EXPECT_EQ(alerts.shown().last().message, u"You've muted user: @%1."_qs.arg(username));
    // One request: the cancelled question sent none.
    EXPECT_EQ(sandbox.requestCount(u"POST"_qs, mute), 1);

    // The user search sheet comes with its keys and the searches do not double a typed sign.
    QTest::keyClick(panel(), Qt::Key_Escape);
    QApplication::setActiveWindow(delegate->window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(delegate->window()));
    // Ctrl+Shift+F, the sheet it opens with its title, and what is typed into it.
    const auto search = [&](const QString &title, const QString &typed) {
        QTest::keyClick(
            window().windowHandle(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QInputDialog *sheet = nullptr;
        ASSERT_TRUE(testsupport::waitUntil([&] {
            for (QInputDialog *open : window().findChildren<QInputDialog *>())
                sheet = open->isVisible() ? open : sheet;
            return sheet != nullptr;
        }));
        EXPECT_EQ(sheet->windowTitle(), title);
        EXPECT_EQ(sheet->labelText(), title);
        QLineEdit *field = sheet->findChild<QLineEdit *>();
        ASSERT_NE(field, nullptr);
        QTest::keyClicks(field, typed);
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_FALSE(sheet->isVisible());
    };
    // A typed "@" or "#" is not doubled.
    ASSERT_TRUE(sandbox.clearRequests());
    search(u"Search For User"_qs, u"@alice"_qs);
    ASSERT_TRUE(testsupport::waitUntil([&] { return panel() && panel()->isVisible(); }, 10s));
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/stream/0/users/@alice"_qs), 1);
    EXPECT_EQ(panel()->user().value(u"username"_qs), u"alice"_qs);

    ASSERT_TRUE(waitForLoad(
        [&] { users().performSearch(UserPanelController::searchHashtag, u"#coffee"_qs); }));
    EXPECT_EQ(Preferences::standard().value(prefs::currentHashtag), u"#coffee"_qs);
    EXPECT_EQ(delegate->streams().currentStreamKind(), StreamKind::Hashtag);
    EXPECT_FALSE(panel()->isVisible()) << "the hashtag's posts end the sheet";

    // A user nobody has: the request layer's message, no panel.
    const qsizetype beforeNobody = alerts.shown().size();
    users().performSearch(UserPanelController::searchUser, u"nobody-here-at-all"_qs);
    ASSERT_TRUE(testsupport::waitUntil([&] { return alerts.shown().size() > beforeNobody; }, 10s));
    EXPECT_EQ(alerts.shown().last().message, u"Unable to load user."_qs);

    // A record without an id and a user name is the same failure, and asks
    // for no lists of nobody.
    for (const QByteArray &record : { QByteArray(R"({"name": "No One"})"),
             QByteArray(R"({"id": "", "username": "ghost"})"), QByteArray(R"({"id": "7"})") }) {
        ASSERT_TRUE(sandbox.injectAnswer(u"/stream/0/users/7"_qs, record, "application/json"));
        const qsizetype alertsBefore = alerts.shown().size();
        users().loadModalUserInfo(u"7"_qs);
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return alerts.shown().size() == alertsBefore + 1; }, 10s))
            << record.constData();
        EXPECT_EQ(alerts.shown().last().message, u"Unable to load user."_qs);
        EXPECT_FALSE(panel()->isVisible()) << record.constData();
    }
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/stream/0/users//followers"_qs), 0);
    EXPECT_EQ(sandbox.requestCount(u"GET"_qs, u"/stream/0/users/7/followers"_qs), 0);
}

TEST(UserPanelRecord, AnOddRecordIsShownAsPlainTextAndItsFlagsAsTheyMean)
{
    QWidget window;
    window.resize(500, 600);
    UserPanel panel(&window);
    const QString markup = u"<b>bold</b> <img src=x> "_qs + QString(10000, u'x');
    panel.showUser(
        { { u"id"_qs, u"7"_qs }, { u"follows_you"_qs, true }, { u"you_follow"_qs, u"1"_qs },
            { u"description"_qs, QVariantMap { { u"text"_qs, markup } } } },
        u"1"_qs);
    EXPECT_EQ(panel.followLine(), u"@ is currently following you"_qs);
    EXPECT_EQ(panel.followButtonTag(), 1);
    for (QLabel *label : panel.findChildren<QLabel *>()) {
        if (!label->text().contains(u"<b>"))
            continue;
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_LE(label->text().size(), 1001);
    }
    panel.showUser(
        { { u"id"_qs, u"8"_qs }, { u"username"_qs, u"zed"_qs }, { u"follows_you"_qs, u"yes"_qs } },
        u"1"_qs);
    EXPECT_EQ(panel.followLine(), u"@zed is currently not following you"_qs);
    EXPECT_EQ(panel.followButton()->text(), u"Follow"_qs);
}

TEST(UserPanelRecord, TheFollowButtonsColoursReadOnTheButtonUnderEitherPalette)
{
    QPalette dark(QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Button, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    const QPalette light = QApplication::palette();
    QWidget window;
    UserPanel panel(&window);
    // Light first, then dark; the desktop's palette reaches the panel (a
    // window of its own) through the application's, and the first user under
    // the dark palette was shown under the light one and is recoloured by the change.
    for (const bool darkPalette : { false, true }) {
        for (const bool follows : { true, false }) {
            panel.showUser({ { u"id"_qs, u"7"_qs }, { u"username"_qs, u"zed"_qs },
                               { u"you_follow"_qs, follows ? 1 : 0 } },
                u"1"_qs);
            if (darkPalette && follows) {
                QApplication::setPalette(dark);
                QApplication::processEvents();
            }
            const QPalette shown = panel.followButton()->palette();
            const QColor ink = shown.color(QPalette::ButtonText);
            EXPECT_GE(ReadableColors::contrastRatio(ink, shown.color(QPalette::Button)),
                ReadableColors::minimumTextContrast)
                << (darkPalette ? "dark " : "light ") << ink.name().toStdString();
            // Unfollow keeps the mention's hue and Follow the link's; a light
            // button shows the panel's own colour.
            const QColor own = follows ? EntityMarking::mentionColor() : EntityMarking::linkColor();
            EXPECT_NEAR(ink.hslHueF(), own.hslHueF(), 0.02);
            EXPECT_TRUE(darkPalette || ink.rgb() == own.rgb());
        }
    }
    QApplication::setPalette(light);
}

using FollowQuestionTest = ProgramTest;

TEST_F(FollowQuestionTest, TheFirstSignedInStartOffersToFollowTheMakerAndFollowsOnYes)
{
    Preferences::standard().setValue(prefs::followVeltoAsked, false);
    ASSERT_EQ(sandbox.api("DELETE", "users/2/follow").status, 200);
    ASSERT_TRUE(sandbox.setLatency(250, 50));
    alerts.answerNext(0); // Follow
    start();
    ASSERT_TRUE(testsupport::waitUntil([&] { return alerts.shown().size() == 2; }, 10s));
    EXPECT_EQ(alerts.shown().at(0).title, u"Follow @VELTO"_qs);
    EXPECT_EQ(alerts.shown().at(1).message, u"You are now following @VELTO."_qs);
    EXPECT_EQ(sandbox.requestCount(u"POST"_qs, u"/stream/0/users/2/follow"_qs), 1);
    EXPECT_EQ(sandbox.api("GET", "users/2").json().value(u"you_follow"_qs).toInt(), 1);
}

} // namespace
