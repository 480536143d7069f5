// The composer's draft on disk, and the completion words' filling.
#include "support/DraftFile.h"
#include "support/CompletionWords.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class DraftFileTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    QString path = folder.filePath(u"Draft.json"_qs);
};

TEST_F(DraftFileTest, ADraftComesBackAsItWasWrittenAndGoesWhenRemoved)
{
    DraftFile file;
    file.open(path);
    EXPECT_EQ(file.status(), DraftFile::Status::Missing);
    EXPECT_FALSE(file.draft().has_value());

    const ComposerDraft draft { QString::fromUtf8("» @bob  line\nand \U0001F600 "), 2, u"4711"_qs };
    ASSERT_TRUE(file.save(draft));
    EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);
    // Written whole and in place: nothing else is left in the folder.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList { u"Draft.json"_qs });

    DraftFile again;
    again.open(path);
    EXPECT_EQ(again.status(), DraftFile::Status::Ok);
    ASSERT_TRUE(again.draft().has_value());
    EXPECT_EQ(*again.draft(), draft);

    EXPECT_TRUE(again.remove());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(again.remove());
}

TEST_F(DraftFileTest, AnUnreadableDraftIsLeftAloneForTheRun)
{
    const QByteArray broken[] = {
        "{\"text\": \"unfinished",
        "[\"text\"]",
        "{\"postType\": 1}",
        "{\"text\": 5}",
        "{\"text\": \"x\", \"postType\": 7}",
        "{\"text\": \"x\", \"postType\": 1.5}",
        "{\"text\": \"x\", \"replyTo\": 12}",
        QByteArray("\xff\xfe\x00garbage", 10),
    };
    for (const QByteArray &bytes : broken) {
        write(path, bytes);
        DraftFile file;
        file.open(path);
        EXPECT_EQ(file.status(), DraftFile::Status::Unreadable) << bytes.constData();
        EXPECT_FALSE(file.draft().has_value());
        EXPECT_FALSE(file.save({ u"new"_qs, 0, {} }));
        EXPECT_FALSE(file.remove());
        EXPECT_EQ(contents(path), bytes);
    }
    // Fields left out take their plain values.
    write(path, "{\"text\": \"only text\"}");
    DraftFile plain;
    plain.open(path);
    ASSERT_TRUE(plain.draft().has_value());
    EXPECT_EQ(*plain.draft(), (ComposerDraft { u"only text"_qs, 0, {} }));
}

TEST(CompletionWordsFilling, AddsEachNameOnceAndSortsWithoutRegardToCase)
{
    QTemporaryDir folder;
    CompletionWords words;
    words.load(folder.filePath(u"Autocompletions.plist"_qs));
    EXPECT_EQ(words.words(), QStringList { u"velto"_qs });
    const QStringList following { u"Carl"_qs, u"bob"_qs, u"Émile"_qs, u"alice"_qs, u"zed"_qs };
    words.addNames(following);
    words.addNames(following + QStringList { u"bob"_qs, QString() });
    EXPECT_EQ(words.words(),
        (QStringList { u"alice"_qs, u"bob"_qs, u"Carl"_qs, u"Émile"_qs, u"velto"_qs, u"zed"_qs }));
}

} // namespace
