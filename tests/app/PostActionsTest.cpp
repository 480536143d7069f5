// Acting on the selected post against the sandbox, over a slow network:
// starring, unstarring and deleting with the service's answers good and bad,
// the permalink, the clipboard and the browser.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/MainWindow.h"
#include "app/PostActions.h"
#include "core/Preferences.h"
#include "service/PostsArrayController.h"
#include "service/SelectedPost.h"
#include "service/StreamLoader.h"
#include "views/SideBar.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace std::chrono_literals;

namespace {

class PostActionsTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        Preferences::standard().setValue(prefs::meID, u"1"_qs);
        ASSERT_TRUE(sandbox.setLatency(250, 50));
        start();
    }

    PostActions &actions() const { return delegate->postActions(); }

    // Selects the first row whose record passes `wanted`; its id.
    QString select(const std::function<bool(const PostRecord &)> &wanted)
    {
        for (int row = 0; row < posts().count(); ++row) {
            if (wanted(*posts().arrangedObject(row))) {
                posts().setSelectionIndex(row);
                return posts().arrangedObject(row)->id();
            }
        }
        ADD_FAILURE() << "no such post is shown";
        return {};
    }
    bool starredNow(const QString &id) const
    {
        const auto row = posts().rowOfId(id);
        return row && posts().arrangedObject(*row)->youStarred();
    }
    static bool byOthers(const PostRecord &r)
    {
        return r.post.value(u"user"_qs).toMap().value(u"id"_qs).toString() != u"1";
    }
    // The command as the menus show it.
    QAction *command(const QString &id) const { return delegate->commands().action(id); }

    testsupport::RecordingOpener opener;
};

TEST_F(PostActionsTest,
    StarringAndUnstarringSendOneRequestEachAndAStarTheServiceDidNotMakeIsNeverShown)
{
    const QString id = select([](const PostRecord &r) { return byOthers(r) && !r.youStarred(); });
    const QString path = u"/stream/0/posts/%1/star"_qs.arg(id);
    // 500, a 201 that is not the 200 asked for, 404, and no answer at all.
    ASSERT_TRUE(sandbox.injectFault(path, 500));
    ASSERT_TRUE(sandbox.injectFault(path, 201));
    ASSERT_TRUE(sandbox.injectFault(path, 404));
    // Qt sends a request again once when the connection closes unanswered.
    ASSERT_TRUE(sandbox.injectFault(path, 0, 0, false, true, 2));
    for (int attempt = 0; attempt < 4; ++attempt) {
        const qsizetype before = alerts.shown().size();
        actions().starOrUnstarPost();
        ASSERT_TRUE(testsupport::waitUntil([&] { return !actions().isBusy(); }, 15s));
        ASSERT_EQ(alerts.shown().size(), before + 1) << attempt;
        EXPECT_EQ(alerts.shown().last().message, u"Unable to star post."_qs);
        EXPECT_FALSE(starredNow(id)) << attempt;
        EXPECT_EQ(command(u"star"_qs)->text(), u"Star Post"_qs);
    }
    EXPECT_FALSE(window().isProgressRunning());

    ASSERT_TRUE(sandbox.clearRequests());
    const qsizetype failures = alerts.shown().size();
    actions().starOrUnstarPost();
    actions().starOrUnstarPost(); // a second press while the first is on its way
    EXPECT_TRUE(window().isProgressRunning());
    ASSERT_TRUE(testsupport::waitUntil([&] { return starredNow(id); }, 10s));
    EXPECT_FALSE(window().isProgressRunning());
    EXPECT_EQ(sandbox.requestCount(u"POST"_qs, path), 1);
    EXPECT_EQ(command(u"star"_qs)->text(), u"Unstar Post"_qs);

    actions().starOrUnstarPost();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !starredNow(id); }, 10s));
    EXPECT_EQ(sandbox.requestCount(u"DELETE"_qs, path), 1);
    EXPECT_EQ(command(u"star"_qs)->text(), u"Star Post"_qs);
    EXPECT_EQ(alerts.shown().size(), failures);
}

TEST_F(
    PostActionsTest, TheStarredStreamShowsStarredPostsAndUnstarringThereRefreshesItSoThePostLeaves)
{
    const QString id = select([](const PostRecord &r) { return byOthers(r) && !r.youStarred(); });
    actions().starOrUnstarPost();
    ASSERT_TRUE(testsupport::waitUntil([&] { return starredNow(id); }, 10s));
    ASSERT_TRUE(waitForLoad([&] { delegate->selectView(4); }));
    ASSERT_EQ(delegate->streams().currentStreamKind(), StreamKind::Starred);
    EXPECT_EQ(window().sideBar()->selectedRow(), 4);
    for (int i = 0; i < posts().count(); ++i)
        EXPECT_TRUE(posts().arrangedObject(i)->youStarred());
    ASSERT_TRUE(posts().rowOfId(id).has_value());
    posts().setSelectionIndex(*posts().rowOfId(id));
    // Selecting in the starred list marks the saved-posts fact.
    EXPECT_TRUE(delegate->selection().isSavedPostsVisible());
    EXPECT_EQ(Preferences::standard().value(prefs::starItemTitle), u"Unstar Post"_qs);
    ASSERT_TRUE(waitForLoad([&] { actions().starOrUnstarPost(); }));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !posts().rowOfId(id).has_value(); }, 10s));
}

TEST_F(PostActionsTest, DeletingAsksFirstOnlyOwnPostsAndThePermalinkTextAndSourceGoWhereTheyShould)
{
    select(byOthers);
    EXPECT_FALSE(actions().canDelete());
    EXPECT_FALSE(command(u"deletePost"_qs)->isEnabled());
    actions().deletePost();
    EXPECT_TRUE(alerts.shown().isEmpty());

    const QString own = select([](const PostRecord &r) { return !byOthers(r); });
    ASSERT_TRUE(actions().canDelete());
    EXPECT_TRUE(command(u"deletePost"_qs)->isEnabled());
    ASSERT_TRUE(sandbox.clearRequests());
    alerts.answerNext(1); // Cancel
    actions().deletePost();
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().at(0).title, u"Delete Post"_qs);
    EXPECT_EQ(alerts.shown().at(0).message, u"Do you really want to delete this post?"_qs);
    EXPECT_EQ(alerts.shown().at(0).buttons, (QStringList { u"Do this"_qs, u"Cancel"_qs }));

    ASSERT_TRUE(sandbox.injectFault(u"/stream/0/posts/"_qs + own, 500));
    actions().deletePost();
    ASSERT_TRUE(testsupport::waitUntil([&] { return alerts.shown().size() == 3; }, 10s));
    EXPECT_EQ(alerts.shown().at(2).message, u"Unable to perform request."_qs);

    actions().deletePost();
    ASSERT_TRUE(testsupport::waitUntil([&] { return alerts.shown().size() == 5; }, 10s));
    EXPECT_EQ(alerts.shown().at(4).title, u"Success!"_qs);
    EXPECT_EQ(alerts.shown().at(4).message, u"Post deleted."_qs);
    // Two requests: the cancelled question sent none.
    EXPECT_EQ(sandbox.requestCount(u"DELETE"_qs, u"/stream/0/posts/"_qs + own), 2);
    // The row stays until the stream is loaded again.
    EXPECT_TRUE(posts().rowOfId(own).has_value());

    // The permalink, the text and the source go where they should.
    const QString id = select(byOthers);
    const PostRecord record = *posts().selectedObject();
    const QString username = record.post.value(u"user"_qs).toMap().value(u"username"_qs).toString();
    const QString permalink = sandbox.baseUrl().toString() + u'/' + username + u"/post/" + id;
    EXPECT_EQ(actions().permalink().toString(), permalink);

    QGuiApplication::clipboard()->setText(u"earlier"_qs);
    actions().copyLinkToPost();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), permalink);
    actions().copyPostToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), record.post.value(u"text"_qs).toString());

    actions().openPostInBrowser();
    actions().openSource();
    ASSERT_EQ(opener.opened().size(), 2);
    EXPECT_EQ(opener.opened().at(0).toString(), permalink);
    EXPECT_EQ(opener.opened().at(1).toString(),
        record.post.value(u"source"_qs).toMap().value(u"link"_qs).toString());

    // The sandbox's own page for it is there.
    EXPECT_EQ(sandbox.request("GET", QUrl(permalink).path().toUtf8()).status, 200);

    // A source link of any other scheme is told, never handed to the desktop.
    PostRecord odd = record;
    for (const char *link : { "file:///etc/passwd", "smb://host/share", "javascript:alert(1)" }) {
        odd.post.insert(u"source"_qs, QVariantMap { { u"link"_qs, QString::fromUtf8(link) } });
        posts().setContent({ odd });
        posts().clearSelection();
        posts().setSelectionIndex(0);
        actions().openSource();
    }
    EXPECT_EQ(opener.opened().size(), 2);
    ASSERT_EQ(alerts.shown().size(), 5 + 3); // one for each odd link
    EXPECT_EQ(alerts.shown().last().title, u"Cannot Open Link"_qs);
}

} // namespace
