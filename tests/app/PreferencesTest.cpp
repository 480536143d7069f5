#include "core/Preferences.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class PreferencesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.path() + QStringLiteral("/Velto/Velto.conf"); }
};

TEST_F(PreferencesTest, AbsentKeysReadAsNoZeroAndNone)
{
    Preferences p(path());
    EXPECT_FALSE(p.value(prefs::firstStartEver));
    EXPECT_EQ(p.value(prefs::prefsRefreshInterval), 0);
    EXPECT_EQ(p.value(prefs::hotKeyModifiers), 0u);
    EXPECT_FALSE(p.value(prefs::accessToken).has_value());
}

TEST_F(PreferencesTest, ValuesSurviveReopeningAndTheFileIsPrivate)
{
    {
        Preferences p(path());
        p.setValue(prefs::accessToken, QStringLiteral("tok, with=odd;chars"));
        p.setValue(prefs::prefsRefreshInterval, 3);
        p.setValue(prefs::isUserAuthDone, true);
        p.setValue(prefs::hotKeyModifiers, quint64(768));
        p.setValue(prefs::currentHashtag, QString());
    }
    Preferences p(path());
    EXPECT_EQ(p.value(prefs::accessToken), QStringLiteral("tok, with=odd;chars"));
    EXPECT_EQ(p.value(prefs::prefsRefreshInterval), 3);
    EXPECT_TRUE(p.value(prefs::isUserAuthDone));
    EXPECT_EQ(p.value(prefs::hotKeyModifiers), 768u);
    // An empty string is a value, unlike a key never written.
    EXPECT_EQ(p.value(prefs::currentHashtag), QString());
    const auto perms = QFile::permissions(path());
    EXPECT_TRUE(perms.testFlag(QFileDevice::ReadOwner));
    EXPECT_TRUE(perms.testFlag(QFileDevice::WriteOwner));
    for (auto flag : { QFileDevice::ReadGroup, QFileDevice::WriteGroup, QFileDevice::ReadOther,
             QFileDevice::WriteOther })
        EXPECT_FALSE(perms.testFlag(flag));
}

TEST_F(PreferencesTest, WrongTypesReadAsAbsent)
{
    {
        QDir().mkpath(dir.path() + QStringLiteral("/Velto"));
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General]\nprefsRefreshInterval=often\nfirstStartEver=maybe\nupdate042=true\n");
    }
    Preferences p(path());
    EXPECT_EQ(p.value(prefs::prefsRefreshInterval), 0);
    EXPECT_FALSE(p.value(prefs::firstStartEver));
    EXPECT_TRUE(p.value(prefs::update042));
}

TEST_F(PreferencesTest, RemoveMakesAKeyAbsentAgain)
{
    Preferences p(path());
    p.setValue(prefs::meID, QStringLiteral("12"));
    p.remove(prefs::meID);
    EXPECT_FALSE(p.value(prefs::meID).has_value());
}

} // namespace
