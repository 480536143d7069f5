// The local post store: what goes in comes back, it stays within its bounds,
// a damaged, newer or busy file never stops a start and is never lost, and a
// process killed while writing leaves a file the next start reads.
#include "TestSupport.h"

#include "support/PostStore.h"
#include "support/StoreDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using Open = StoreDatabase::OpenResult;

QJsonObject user(int n)
{
    return { { u"id"_qs, QString::number(n) }, { u"username"_qs, u"user%1"_qs.arg(n) },
        { u"avatar_image"_qs, QJsonObject { { u"url"_qs, u"http://a/%1.png"_qs.arg(n) } } } };
}

// Post n is n minutes after a fixed hour: a higher id is a newer post.
QJsonObject post(int n, int userN = 1)
{
    const QString date
        = QDateTime(QDate(2024, 5, 1), QTime(0, 0), Qt::UTC).addSecs(60 * n).toString(Qt::ISODate);
    return { { u"id"_qs, QString::number(n) }, { u"created_at"_qs, date },
        { u"text"_qs, u"post %1"_qs.arg(n) }, { u"num_stars"_qs, n % 3 },
        { u"user"_qs, user(userN) } };
}

QJsonArray page(int from, int to, int users = 3)
{
    QJsonArray posts;
    for (int n = to; n >= from; --n)
        posts.append(post(n, 1 + n % users));
    return posts;
}

QStringList ids(const QJsonArray &posts)
{
    QStringList list;
    for (const QJsonValue &value : posts)
        list << value.toObject().value(u"id").toString();
    return list;
}

QStringList range(int newest, int oldest)
{
    QStringList list;
    for (int n = newest; n >= oldest; --n)
        list << QString::number(n);
    return list;
}

class PostStoreTest : public ::testing::Test {
protected:
    QString path() const { return dir.path() + u"/Posts.sqlite"_qs; }
    QStringList filesBeside() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir dir;
};

TEST_F(PostStoreTest, APageAndThePlaceComeBackAsTheServiceSentThem)
{
    const QDateTime when = QDateTime(QDate(2024, 5, 2), QTime(10, 42), Qt::UTC);
    {
        StoreDatabase db;
        ASSERT_EQ(db.open(path()), Open::Opened);
        ASSERT_TRUE(db.savePage(0, page(1, 30), true, when));
        ASSERT_TRUE(db.savePage(3, page(100, 104), true, when));
        ASSERT_TRUE(db.savePlace(0, { u"7"_qs, 35, u"9"_qs }));
    }
    StoreDatabase db;
    ASSERT_EQ(db.open(path()), Open::Opened);
    const StoredPage personal = db.loadPage(0, 20);
    // The newest 20, reaching down to the stored place's post 7.
    EXPECT_EQ(ids(personal.posts), range(30, 7));
    EXPECT_EQ(personal.posts.at(0).toObject(), post(30, 1 + 30 % 3));
    EXPECT_EQ(personal.savedAt, when);
    EXPECT_EQ(personal.place, (StoredPlace { u"7"_qs, 35, u"9"_qs }));
    EXPECT_EQ(ids(db.loadPage(3, 20).posts), range(104, 100));
    EXPECT_TRUE(db.loadPage(2, 20).posts.isEmpty());
    EXPECT_FALSE(db.loadPage(2, 20).place.has_value());
}

TEST_F(PostStoreTest, TheServiceWinsAndTheStoreStaysWithinItsBounds)
{
    struct Case {
        const char *name;
        qint64 sizeCap;
        std::function<void(StoreDatabase &)> writes;
        int stream;
        QStringList expected;
    };
    const Case cases[] = {
        { "a stream keeps its newest posts", StoreDatabase::defaultSizeCap,
            [](StoreDatabase &db) {
                for (int start = 1; start <= 450; start += 50)
                    db.savePage(1, page(start, start + 49), true);
            },
            1, range(450, 451 - StoreDatabase::postsPerStream) },
        { "posts gone from the newest page are gone, older ones stay",
            StoreDatabase::defaultSizeCap,
            [](StoreDatabase &db) {
                db.savePage(0, page(1, 25), true);
                QJsonArray newer = page(15, 25);
                newer.removeAt(3); // post 22 was deleted on the service
                db.savePage(0, newer, true);
            },
            0, range(25, 23) + range(21, 1) },
        { "an older page replaces its own span only", StoreDatabase::defaultSizeCap,
            [](StoreDatabase &db) {
                db.savePage(0, page(1, 20), true);
                db.savePage(0, QJsonArray { post(9), post(5) }, false);
            },
            0, range(20, 10) + QStringList { u"9"_qs, u"5"_qs } + range(4, 1) },
        { "a post without a readable date is kept, below the dated ones",
            StoreDatabase::defaultSizeCap,
            [](StoreDatabase &db) {
                QJsonObject undated = post(99);
                undated.insert(u"created_at"_qs, u"yesterday"_qs);
                db.savePage(0, page(1, 20), true);
                // Neither page's span reaches down to the posts it does not hold.
                EXPECT_TRUE(db.savePage(0, QJsonArray { post(21), undated }, true));
                EXPECT_TRUE(db.savePage(0, QJsonArray { post(18), post(17), undated }, false));
            },
            0, range(21, 1) + QStringList { u"99"_qs } },
        { "an empty newest page empties the stream", StoreDatabase::defaultSizeCap,
            [](StoreDatabase &db) {
                db.savePage(2, page(1, 5), true);
                db.savePage(2, {}, true);
            },
            2, {} },
        { "over the size cap the oldest posts of any stream go", 20000,
            [](StoreDatabase &db) {
                db.savePage(0, page(1, 200), true);
                db.savePage(3, page(201, 300), true);
            },
            3, range(300, 201) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path());
        StoreDatabase db(c.sizeCap);
        ASSERT_EQ(db.open(path()), Open::Opened);
        c.writes(db);
        EXPECT_EQ(ids(db.loadPage(c.stream, StoreDatabase::postsPerStream).posts), c.expected);
        EXPECT_LE(db.storedBytes(), c.sizeCap);
        db.close();
        for (const char *suffix : { "-wal", "-shm" })
            QFile::remove(path() + QLatin1String(suffix));
    }
    // Under the cap some of the oldest stream's posts went, the newest of them last.
    StoreDatabase capped(20000);
    ASSERT_EQ(capped.open(path()), Open::Opened);
    const QStringList personal = ids(capped.loadPage(0, 400).posts);
    EXPECT_LT(personal.size(), 200);
    EXPECT_EQ(personal.value(0), u"200"_qs);
}

TEST_F(PostStoreTest, ADamagedNewerOrBusyFileNeverStopsAStartAndIsNeverLost)
{
    struct Case {
        const char *name;
        std::function<void()> arrange;
        Open expected;
        bool setAside;
    };
    std::unique_ptr<StoreDatabase> holder;
    const auto write = [&](const QByteArray &bytes) {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    const auto validFile = [&] {
        StoreDatabase db;
        ASSERT_EQ(db.open(path()), Open::Opened);
        db.savePage(0, page(1, 100), true);
    };
    const Case cases[] = {
        { "not a database", [&] { write(QByteArray(8192, 'x')); }, Open::SetAside, true },
        { "a database header over garbage",
            [&] { write(QByteArray("SQLite format 3", 16) + QByteArray(8192, '\x5a')); },
            Open::SetAside, true },
        { "a page of posts overwritten",
            [&] {
                validFile();
                QFile file(path());
                ASSERT_TRUE(file.open(QIODevice::ReadWrite));
                ASSERT_GT(file.size(), 3 * 4096);
                file.seek(2 * 4096);
                file.write(QByteArray(4096, '\x5a'));
            },
            Open::SetAside, true },
        { "from a newer program",
            [&] {
                validFile();
                SqliteConnection other;
                ASSERT_TRUE(other.open(path(), 0));
                ASSERT_TRUE(other.exec("PRAGMA user_version = 99"));
            },
            Open::Newer, false },
        { "held by another program",
            [&] {
                holder = std::make_unique<StoreDatabase>();
                ASSERT_EQ(holder->open(path()), Open::Opened);
            },
            Open::Locked, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        holder.reset();
        for (const QString &name : filesBeside())
            QFile::remove(dir.path() + u'/' + name);
        c.arrange();
        QFile before(path());
        ASSERT_TRUE(before.open(QIODevice::ReadOnly));
        const QByteArray bytes = before.readAll();
        before.close();

        StoreDatabase db;
        EXPECT_EQ(db.open(path()), c.expected);
        EXPECT_FALSE(db.openReport().isEmpty());
        if (c.setAside) {
            // The damaged bytes are kept under another name; a new store works.
            QFile aside(db.setAsidePath());
            ASSERT_TRUE(aside.open(QIODevice::ReadOnly)) << db.setAsidePath().toStdString();
            EXPECT_EQ(aside.readAll(), bytes);
            EXPECT_TRUE(db.savePage(0, page(1, 3), true));
            EXPECT_EQ(ids(db.loadPage(0, 20).posts), range(3, 1));
        } else {
            EXPECT_FALSE(db.isOpen());
            EXPECT_FALSE(db.savePage(0, page(1, 3), true));
            EXPECT_EQ(filesBeside().filter(u"damaged"_qs), QStringList());
        }
    }
}

const char *const kStoreVariable = "VELTO_STORE_CRASH_FILE";

// Not a test of its own (disabled, so a run of the suite leaves it out): the
// body of the child process started below.
TEST(PostStoreCrashChild, DISABLED_WritesUntilKilled)
{
    const QString file = qEnvironmentVariable(kStoreVariable);
    ASSERT_FALSE(file.isEmpty()) << "runs as the child of the test below";
    StoreDatabase db;
    if (db.open(file) != Open::Opened)
        return;
    for (int n = 0;; n += 50) {
        db.savePage(n / 50 % 5, page(n, n + 199), true);
        std::fputs("saved\n", stdout);
        std::fflush(stdout);
    }
}

TEST_F(PostStoreTest, AProcessKilledWhileWritingLeavesAReadableStore)
{
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kStoreVariable), path());
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
            { u"--gtest_also_run_disabled_tests"_qs,
                u"--gtest_filter=PostStoreCrashChild.DISABLED_WritesUntilKilled"_qs });
        ASSERT_TRUE(child.waitForStarted());
        // Killed in the middle of the writes, a few pages in.
        QByteArray said;
        EXPECT_TRUE(testsupport::waitUntil(
            [&] { return (said += child.readAllStandardOutput()).count("saved") >= 4 + round * 3; },
            std::chrono::seconds(20)));
        child.kill();
        ASSERT_TRUE(child.waitForFinished());

        StoreDatabase db;
        ASSERT_EQ(db.open(path()), Open::Opened) << db.openReport().toStdString();
        qint64 stored = 0;
        for (int stream = 0; stream < 5; ++stream)
            stored += db.postCount(stream);
        EXPECT_GE(stored, 200);
        EXPECT_EQ(db.loadPage(0, StoreDatabase::postsPerStream).posts.size(), db.postCount(0));
    }
}

TEST_F(PostStoreTest, TheWorkerWritesAndReadsOffTheWindowThreadAndErasingRemovesTheFiles)
{
    PostStore store(path());
    QSignalSpy opened(&store, &PostStore::opened);
    store.savePage(0, page(1, 50), true);
    store.savePlace(0, { u"10"_qs, 4, {} });
    std::optional<StoredPage> loaded;
    store.loadPage(0, 20, &store, [&](const StoredPage &page) { loaded = page; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return loaded.has_value(); }));
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened.first().at(0).value<StoreDatabase::OpenResult>(), Open::Opened);
    EXPECT_EQ(ids(loaded->posts), range(50, 10));
    EXPECT_TRUE(QFile::exists(path()));

    store.erase();
    EXPECT_EQ(filesBeside(), QStringList());
}

} // namespace
