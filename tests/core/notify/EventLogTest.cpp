#include "notify/EventLog.h"
#include "TestSupport.h"
#include "notify/MailQueue.h"

#include <gtest/gtest.h>

TEST(EventLog, KeepsTheNewest64WithTextsCut) {
    EventLog log;
    for (int i = 0; i < 70; ++i)
        log.LogEvent(QStringLiteral("St %1").arg(i), QString(300, u'x'));
    const QList<EventLogEntry> entries = log.Entries();
    ASSERT_EQ(entries.size(), 64);
    EXPECT_EQ(entries.first().Station, "St 6");
    EXPECT_EQ(entries.last().Station, "St 69");
    EXPECT_EQ(entries.last().Text.size(), 255);
    EXPECT_LE(entries.first().Time, entries.last().Time);
}

TEST(MailQueue, NoticesInOrderUntilSent) {
    MailQueue queue;
    queue.QueueNotice("a@x.org;b@y.org", "Jazz", "Connection lost");
    queue.QueueNotice("", "Tidewell", QString(400, u'й'));
    ASSERT_EQ(queue.Count(), 2);
    const QList<MailNotice> notices = queue.Notices();
    EXPECT_EQ(notices[0].BCC, "a@x.org;b@y.org");
    EXPECT_EQ(notices[0].Subject, "Jazz");
    EXPECT_EQ(notices[1].Text.size(), 255);
    queue.RemoveFirst();
    EXPECT_EQ(queue.Notices().first().Subject, "Tidewell");
    queue.RemoveFirst();
    queue.RemoveFirst();
    EXPECT_EQ(queue.Count(), 0);
}
