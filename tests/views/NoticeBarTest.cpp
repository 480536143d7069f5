// A notice, a status or both use the bar's whole width, the close button at
// its right edge.
#include "views/NoticeBar.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

TEST(NoticeBar, ANoticeAStatusOrBothUseTheWholeWidth)
{
    const QString longText
        = u"No keyring answered, so Velto keeps its sign-in in the settings file "
          "/tmp/profile/config/Velto/Velto.conf, which only you can read."_qs;
    for (const bool withNotice : { true, false }) {
        for (const bool withStatus : { true, false }) {
            if (!withNotice && !withStatus)
                continue;
            SCOPED_TRACE(testing::Message() << "notice " << withNotice << " status " << withStatus);
            NoticeBar bar;
            bar.resize(376, 100);
            if (withNotice)
                bar.addNotice(longText);
            if (withStatus)
                bar.setStatus(longText, u"Retry"_qs);
            bar.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
            EXPECT_GT(bar.closeButton()->geometry().right(), 376 - 12);
            for (QLabel *label : bar.findChildren<QLabel *>()) {
                if (label->isVisible()) {
                    EXPECT_GT(label->width(), 376 / 2) << label->text().toStdString();
                }
            }
        }
    }
}
