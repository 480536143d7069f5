// The image host keeps what is uploaded within its bounds.
#include "ServiceHarness.h"

#include <gtest/gtest.h>

using namespace sandbox;

TEST(ImageHost, WhenFullDropsItsOldestImagesAndAnImageStoredAgainIsTheNewest)
{
    HostState hosts;
    const qsizetype big = HostState::kMaxUploadBytes / 2;
    hosts.addUpload(u"a.jpg"_qs, QByteArray(big, 'a'));
    hosts.addUpload(u"b.jpg"_qs, QByteArray(big, 'b'));
    hosts.addUpload(u"a.jpg"_qs, QByteArray(10, 'A'));
    hosts.addUpload(u"c.jpg"_qs, QByteArray(big, 'c'));
    EXPECT_EQ(hosts.uploadOrder, (QStringList { u"a.jpg"_qs, u"c.jpg"_qs }));
    EXPECT_EQ(hosts.uploads.value(u"a.jpg"_qs), QByteArray(10, 'A'));
}
