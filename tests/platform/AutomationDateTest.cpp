// Automation dates: day counts from 30/12/1899 with the time as the fraction.
#include "AutomationDate.h"

#include <gtest/gtest.h>

namespace {

TEST(AutomationDate, DayNumbersFollowTheEpoch)
{
    EXPECT_EQ(AutomationDate::fromDate(QDate(1899, 12, 30)), 0.0);
    EXPECT_EQ(AutomationDate::fromDate(QDate(1900, 1, 1)), 2.0);
    EXPECT_EQ(AutomationDate::fromDate(QDate(2006, 2, 20)), 38768.0);
    EXPECT_EQ(AutomationDate::toDate(38768.0), QDate(2006, 2, 20));
    EXPECT_EQ(AutomationDate::toDate(0.0), QDate(1899, 12, 30));
    EXPECT_EQ(AutomationDate::toTime(38768.5), QTime(12, 0));
    EXPECT_EQ(AutomationDate::fromDate(QDate()), 0.0);
}

TEST(AutomationDate, RoundTripsToTheMillisecond)
{
    const QDate days[] = {QDate(1899, 12, 30), QDate(1900, 3, 1), QDate(2006, 2, 20), QDate(2024, 2, 29),
                          QDate(9999, 12, 31)};
    const int msOfDay[] = {0, 1, 499, 500, 999, 1000, 43200000, 49501123, 86399998, 86399999};
    for (const QDate &day : days) {
        for (int ms : msOfDay) {
            const QTime time = QTime::fromMSecsSinceStartOfDay(ms);
            const TDateTime value = AutomationDate::fromDate(day) + ms / 86400000.0;
            EXPECT_EQ(AutomationDate::toDate(value), day) << value;
            EXPECT_EQ(AutomationDate::toTime(value), time) << value;
            const TDateTime fromLocal = AutomationDate::fromDateTime(QDateTime(day, time));
            EXPECT_EQ(AutomationDate::toDate(fromLocal), day);
            EXPECT_EQ(AutomationDate::toTime(fromLocal), time);
            EXPECT_EQ(AutomationDate::hasTimeOfDay(value), ms != 0);
            EXPECT_EQ(AutomationDate::dateOf(value), AutomationDate::fromDate(day));
        }
    }
}

TEST(AutomationDate, RoundsToTheNearestMillisecond)
{
    const TDateTime day = 38768.0;
    const double ms = 1 / 86400000.0;
    EXPECT_EQ(AutomationDate::toTime(day + 1000 * ms + 0.4 * ms), QTime(0, 0, 1));
    EXPECT_EQ(AutomationDate::toTime(day + 1000 * ms + 0.6 * ms), QTime(0, 0, 1, 1));
    // A hair short of the next midnight is that midnight.
    EXPECT_EQ(AutomationDate::toDate(day + 1 - 0.2 * ms), QDate(2006, 2, 21));
    EXPECT_EQ(AutomationDate::toTime(day + 1 - 0.2 * ms), QTime(0, 0));
    EXPECT_FALSE(AutomationDate::hasTimeOfDay(day + 0.3 * ms));
    EXPECT_TRUE(AutomationDate::hasTimeOfDay(day + 0.6 * ms));
}

TEST(AutomationDate, DaysBeforeTheEpochKeepTheTimeAsAPositiveFraction)
{
    // 29/12/1899 12:00 is -1.5: the day is the integer part, the time the
    // fraction taken by its absolute value.
    EXPECT_EQ(AutomationDate::fromDateTime(QDateTime(QDate(1899, 12, 29), QTime(12, 0))), -1.5);
    EXPECT_EQ(AutomationDate::toDate(-1.5), QDate(1899, 12, 29));
    EXPECT_EQ(AutomationDate::toTime(-1.5), QTime(12, 0));
    EXPECT_EQ(AutomationDate::toDate(-2.25), QDate(1899, 12, 28));
    EXPECT_EQ(AutomationDate::toTime(-2.25), QTime(6, 0));
    EXPECT_EQ(AutomationDate::fromDate(QDate(1800, 1, 1)), -36522.0);
    EXPECT_EQ(AutomationDate::dateOf(-2.25), -2.0);

    const QDateTime early(QDate(1800, 1, 1), QTime(23, 59, 59, 999));
    const TDateTime value = AutomationDate::fromDateTime(early);
    EXPECT_LT(value, -36522.0);
    EXPECT_GT(value, -36523.0);
    EXPECT_EQ(AutomationDate::toDate(value), early.date());
    EXPECT_EQ(AutomationDate::toTime(value), early.time());
    // Between -1 and 0 the day is the epoch itself.
    EXPECT_EQ(AutomationDate::toDate(-0.25), QDate(1899, 12, 30));
    EXPECT_EQ(AutomationDate::toTime(-0.25), QTime(6, 0));
}

TEST(AutomationDate, DaylightSavingDaysInSaoPaulo)
{
    // On 04/11/2018 Sao Paulo clocks went from 00:00 straight to 01:00.
    const QDate springForward(2018, 11, 4);
    const TDateTime midnight = AutomationDate::fromDate(springForward);
    EXPECT_EQ(midnight, 43408.0);
    EXPECT_EQ(AutomationDate::toDate(midnight), springForward);
    const QDateTime shown = AutomationDate::toDateTime(midnight);
    ASSERT_TRUE(shown.isValid());
    EXPECT_EQ(shown.date(), springForward);
    EXPECT_EQ(shown.time(), QTime(1, 0));
    EXPECT_EQ(AutomationDate::fromDateTime(QDateTime(springForward, QTime(12, 0))), midnight + 0.5);
    EXPECT_EQ(AutomationDate::toDateTime(midnight + 0.5), QDateTime(springForward, QTime(12, 0)));

    // On 16/02/2019 the hour from 23:00 ran twice; both read as the same
    // wall-clock time.
    const qint64 firstPass = QDateTime(QDate(2019, 2, 17), QTime(1, 30), Qt::UTC).toMSecsSinceEpoch();
    const QDateTime before = QDateTime::fromMSecsSinceEpoch(firstPass);
    const QDateTime after = QDateTime::fromMSecsSinceEpoch(firstPass + 3600 * 1000);
    ASSERT_EQ(before.time(), QTime(23, 30)) << "the suite runs with TZ=America/Sao_Paulo";
    ASSERT_EQ(after.time(), QTime(23, 30));
    const TDateTime expected = AutomationDate::fromDate(QDate(2019, 2, 16)) + 23.5 / 24;
    EXPECT_EQ(AutomationDate::fromDateTime(before), expected);
    EXPECT_EQ(AutomationDate::fromDateTime(after), expected);
}

TEST(AutomationDate, DateTimesInOtherZonesAreTakenAsShownLocally)
{
    const QDateTime utc(QDate(2020, 6, 1), QTime(15, 0), Qt::UTC); // 12:00 in Sao Paulo
    EXPECT_EQ(AutomationDate::fromDateTime(utc), AutomationDate::fromDate(QDate(2020, 6, 1)) + 0.5);
    EXPECT_EQ(AutomationDate::fromDateTime(QDateTime()), 0.0);
}

TEST(AutomationDate, TodayAndNowComeFromTheLocalClock)
{
    const QDate before = QDate::currentDate();
    const TDateTime today = AutomationDate::today();
    const TDateTime now = AutomationDate::now();
    const QDate after = QDate::currentDate();
    EXPECT_FALSE(AutomationDate::hasTimeOfDay(today));
    EXPECT_TRUE(AutomationDate::toDate(today) == before || AutomationDate::toDate(today) == after);
    EXPECT_GE(now, today);
    EXPECT_LT(now, today + 2);

    {
        const AutomationDate::PinnedClock pinned(QDateTime(QDate(2028, 2, 29), QTime(23, 59, 59)));
        EXPECT_EQ(AutomationDate::currentDate(), QDate(2028, 2, 29));
        EXPECT_EQ(AutomationDate::today(), AutomationDate::fromDate(QDate(2028, 2, 29)));
        EXPECT_GE(AutomationDate::now(), AutomationDate::today() + 86399.0 / 86400.0);
    }
    EXPECT_TRUE(AutomationDate::currentDate() == before || AutomationDate::currentDate() == after)
        << "the machine's clock again";
}

} // namespace
