#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "core/Preferences.h"
#include "service/PostsArrayController.h"
#include "service/StreamLoader.h"

#include <QJsonArray>
#include <QSignalSpy>

ProgramTest::ProgramTest() = default;
ProgramTest::~ProgramTest() = default;

void ProgramTest::SetUp()
{
    testsupport::pointXdgFoldersAt(profile.path());
    ASSERT_TRUE(sandbox.start());
    testsupport::prepareSignedInProfile(sandbox);
}

void ProgramTest::TearDown()
{
    delegate.reset();
    Preferences::resetStandard();
}

void ProgramTest::start()
{
    delegate = std::make_unique<AppDelegate>();
    ASSERT_TRUE(testsupport::awakeAndWaitForFirstPage(*delegate));
}

bool ProgramTest::waitForLoad(const std::function<void()> &action, bool expectSuccess)
{
    QSignalSpy finished(&delegate->streams(), &StreamLoader::streamLoadFinished);
    action();
    return finished.wait(20000) && finished.first().at(0).toBool() == expectSuccess;
}

MainWindow &ProgramTest::window() const
{
    return *delegate->window();
}

PostsArrayController &ProgramTest::posts() const
{
    return *delegate->postsArrayController();
}

QStringList ProgramTest::shownIds() const
{
    return testsupport::arrangedIds(posts());
}

void ProgramTest::selectPost(const QString &postId)
{
    const auto row = posts().rowOfId(postId);
    ASSERT_TRUE(row.has_value()) << postId.toStdString();
    posts().setSelectionIndex(*row);
}

QList<QJsonObject> ProgramTest::requestsTo(const QString &method, const QString &path)
{
    QList<QJsonObject> found;
    for (const QJsonValue &value : sandbox.requests()) {
        const QJsonObject request = value.toObject();
        if (request.value(QStringLiteral("method")).toString() == method
            && request.value(QStringLiteral("path")).toString() == path)
            found.append(request);
    }
    return found;
}
