// The mention check's decisions: ids compared as numbers of any length, the
// first check only learning where the mentions stand, each mention announced
// once, and the counter.
#include "TestSupport.h"

#include "core/Preferences.h"
#include "service/MentionCheck.h"
#include "service/MentionCounter.h"

#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QJsonArray mentions(std::initializer_list<const char *> ids)
{
    QJsonArray posts;
    for (const char *id : ids) {
        QJsonObject post { { u"text"_qs, u"hi @demo"_qs },
            { u"user"_qs, QJsonObject { { u"username"_qs, u"alice"_qs } } } };
        if (id)
            post.insert(u"id"_qs, QString::fromLatin1(id));
        posts.append(post);
    }
    return posts;
}

class MentionCheckTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::pointXdgFoldersAt(home.path()); }
    void TearDown() override { Preferences::resetStandard(); }
    QString stored() const
    {
        return Preferences::standard().value(prefs::lastMentionID).value_or(QString());
    }

    QTemporaryDir home;
    MentionCounter counter;
    MentionCheck check { nullptr, &counter };
};

TEST(MentionIds, CompareAsNumbersOfAnyLength)
{
    EXPECT_GT(MentionCheck::compareIds(u"100"_qs, u"99"_qs), 0);
    EXPECT_LT(MentionCheck::compareIds(u"99"_qs, u"100"_qs), 0);
    EXPECT_EQ(MentionCheck::compareIds(u"0042"_qs, u"42"_qs), 0);
    EXPECT_GT(
        MentionCheck::compareIds(u"1234567890123456789012346"_qs, u"1234567890123456789012345"_qs),
        0);
    EXPECT_LT(MentionCheck::compareIds(u"9"_qs, u"1234567890123456789012345"_qs), 0);
}

TEST_F(MentionCheckTest, TheFirstCheckOnlyLearnsWhereTheMentionsStand)
{
    QSignalSpy announced(&check, &MentionCheck::mentionsArrived);
    check.compareNotificationsWithArray(mentions({ "30", "20", "10" }));
    EXPECT_EQ(announced.count(), 0);
    EXPECT_EQ(stored(), u"30"_qs);
    EXPECT_EQ(counter.internNotificationCount(), 0u);
}

TEST_F(MentionCheckTest, EachMentionIsAnnouncedOnceAndTheCounterAddsUp)
{
    Preferences::standard().setValue(prefs::lastMentionID, u"99"_qs);
    QSignalSpy announced(&check, &MentionCheck::mentionsArrived);
    check.compareNotificationsWithArray(mentions({ "100" }));
    ASSERT_EQ(announced.count(), 1);
    EXPECT_EQ(announced.at(0).at(0).toJsonArray().size(), 1);
    EXPECT_EQ(stored(), u"100"_qs);
    EXPECT_EQ(counter.numberOfNewNotifications(), u"1"_qs);

    // An answer that overlaps what was announced: only the newer ones, and a
    // post without an id is left out.
    check.compareNotificationsWithArray(mentions({ "103", nullptr, "102", "101", "100", "98" }));
    ASSERT_EQ(announced.count(), 2);
    const QJsonArray second = announced.at(1).at(0).toJsonArray();
    ASSERT_EQ(second.size(), 3);
    EXPECT_EQ(second.at(0).toObject().value(u"id"_qs).toString(), u"103"_qs);
    EXPECT_EQ(counter.numberOfNewNotifications(), u"4"_qs);
    EXPECT_EQ(stored(), u"103"_qs);

    // The same answer again announces nothing and clears the counter.
    check.compareNotificationsWithArray(mentions({ "103", "102" }));
    EXPECT_EQ(announced.count(), 2);
    EXPECT_EQ(counter.internNotificationCount(), 0u);

    // Answers with nothing to read change nothing.
    check.compareNotificationsWithArray(QJsonArray {});
    check.compareNotificationsWithArray(mentions({ nullptr }));
    EXPECT_EQ(stored(), u"103"_qs);
}

TEST_F(MentionCheckTest, ManyAtOnceShowTheCounterAsDots)
{
    Preferences::standard().setValue(prefs::lastMentionID, u"1"_qs);
    QJsonArray many;
    for (int id = 1500; id > 1; --id)
        many.append(QJsonObject { { u"id"_qs, QString::number(id) } });
    check.compareNotificationsWithArray(many);
    EXPECT_EQ(counter.internNotificationCount(), 1499u);
    EXPECT_EQ(counter.numberOfNewNotifications(), u"..."_qs);
    EXPECT_EQ(MentionCounter::counterText(999), u"999"_qs);
    EXPECT_EQ(MentionCounter::counterText(1000), u"..."_qs);
}

} // namespace
