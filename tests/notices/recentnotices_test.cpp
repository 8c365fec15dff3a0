// The day's list of notices: newest first, at most 50, the day's only; what counts as unread and
// how an entry reads in the tray's menu.
#include "notices/recentnotices.h"

#include <gtest/gtest.h>

namespace
{

const QDateTime kMorning(QDate(2026, 12, 8), QTime(9, 5, 30));

TEST(RecentNotices, newestFirstAtMostFiftyAndOnlyTheDays)
{
    RecentNotices list;
    for (int i = 0; i < 60; ++i)
        list.add(kMorning.addSecs(i), QStringLiteral("类别"), QString::number(i), QString());
    ASSERT_EQ(list.all().size(), RecentNotices::kMax);
    EXPECT_EQ(list.all().first().title, QStringLiteral("59"));
    EXPECT_EQ(list.all().last().title, QStringLiteral("10"));
    // Ids stay unique as the oldest go.
    EXPECT_EQ(list.all().first().id, 60u);
    EXPECT_EQ(list.find(11)->title, QStringLiteral("10"));
    EXPECT_EQ(list.find(10), nullptr);

    // Past midnight yesterday's go, when a notice comes or the list is looked at.
    const QDateTime next(QDate(2026, 12, 9), QTime(0, 0, 1));
    list.add(next, QStringLiteral("类别"), QStringLiteral("new"), QString());
    ASSERT_EQ(list.all().size(), 1);
    list.keepDay(next.date().addDays(1));
    EXPECT_TRUE(list.all().isEmpty());
}

TEST(RecentNotices, unreadAreTheMissedNotYetSeenNorAcknowledged)
{
    RecentNotices list;
    const auto missed = [&](const char* title) {
        const quint64 id = list.add(kMorning, "c", title, "u").id;
        list.find(id)->missed = true;
        return id;
    };
    const quint64 a = missed("a");
    const quint64 b = missed("b");
    list.add(kMorning, "c", "shown, not missed", "u");
    EXPECT_EQ(list.unread(), 2);
    list.find(b)->seen = true;
    EXPECT_EQ(list.unread(), 1);
    list.acknowledge();
    EXPECT_EQ(list.unread(), 0);
    // Acknowledged is not seen: it stays marked in the menu until opened.
    EXPECT_TRUE(RecentNotices::menuText(*list.find(a)).startsWith(QStringLiteral("● ")));
    // A notice missed after the member looked is unread again.
    missed("c");
    EXPECT_EQ(list.unread(), 1);
}

TEST(RecentNotices, menuTextIsTimeCategoryAndTitleWithALongOneCut)
{
    RecentNotices list;
    const Notice& n = list.add(kMorning, QStringLiteral("机构密函"), QStringLiteral("降准"), {});
    EXPECT_EQ(RecentNotices::menuText(n), QStringLiteral("09:05 机构密函 降准"));
    Notice missed = n;
    missed.missed = true;
    EXPECT_EQ(RecentNotices::menuText(missed), QStringLiteral("● 09:05 机构密函 降准"));
    missed.seen = true;
    EXPECT_EQ(RecentNotices::menuText(missed), QStringLiteral("09:05 机构密函 降准"));

    const QString longTitle(100, QChar(0x4E2D));
    const Notice& l = list.add(kMorning, QStringLiteral("类别"), longTitle, {});
    EXPECT_EQ(RecentNotices::menuText(l), QStringLiteral("09:05 类别 ") +
                                              longTitle.left(RecentNotices::kMenuTitleChars) +
                                              QChar(0x2026));
    // A title or a category of a megabyte is not kept whole fifty times over, nor put whole
    // into a menu entry.
    const QString megabyte(1024 * 1024, QLatin1Char('x'));
    const Notice& huge = list.add(kMorning, megabyte, megabyte, {});
    EXPECT_EQ(huge.title.size(), RecentNotices::kMaxTitleChars + 1);
    EXPECT_EQ(huge.category.size(), RecentNotices::kMaxCategoryChars + 1);
    EXPECT_EQ(RecentNotices::menuText(huge).size(),
              6 + RecentNotices::kMenuCategoryChars + 2 + RecentNotices::kMenuTitleChars + 1);
}

TEST(RecentNotices, aDesktopIdIsOnlyEverTheServersThatGaveIt)
{
    RecentNotices list;
    Notice* a = list.find(list.add(kMorning, "c", "a", "u").id);
    a->desktopServer = QStringLiteral(":1.7");
    a->desktopId = 1;
    EXPECT_EQ(list.findDesktop(QStringLiteral(":1.7"), 1), a);
    // A restarted server numbers from 1 again; its 1 is another program's.
    EXPECT_EQ(list.findDesktop(QStringLiteral(":1.9"), 1), nullptr);
    EXPECT_EQ(list.findDesktop(QString(), 1), nullptr);
    EXPECT_EQ(list.findDesktop(QStringLiteral(":1.7"), 0), nullptr);
    list.forgetDesktop();
    EXPECT_EQ(list.findDesktop(QStringLiteral(":1.7"), 1), nullptr);
    EXPECT_EQ(a->desktopId, 0u);
}

} // namespace
