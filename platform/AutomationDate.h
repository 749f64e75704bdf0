#pragma once
// Automation dates: days since 30/12/1899, the time of day as the fraction.
#include <QDate>
#include <QDateTime>
#include <QTime>

using TDateTime = double;

namespace AutomationDate {
// Exact to the millisecond both ways; the fraction is taken by its absolute
// value for days before 30/12/1899, as the automation convention does.
TDateTime fromDate(const QDate &date);
TDateTime fromDateTime(const QDateTime &dateTime); // local date and time, as shown
QDate toDate(TDateTime value);
QTime toTime(TDateTime value);
QDateTime toDateTime(TDateTime value); // local time
TDateTime dateOf(TDateTime value);     // midnight of that day
// The local date-time that shows this wall clock; a time in the hour skipped
// when daylight saving starts moves forward by the gap.
QDateTime localDateTime(const QDate &date, const QTime &time);
bool hasTimeOfDay(TDateTime value); // false at midnight (to the millisecond)
// The system's clock: every "now" and "today" of the module and the ledger is
// read here, so that a test can pin the day it runs on.
QDateTime currentDateTime();
QDate currentDate();
TDateTime now();
TDateTime today();

// Pins the clock for as long as it lives (tests); the machine's clock after.
class PinnedClock {
public:
    explicit PinnedClock(const QDateTime &at);
    ~PinnedClock();
    PinnedClock(const PinnedClock &) = delete;
    PinnedClock &operator=(const PinnedClock &) = delete;

private:
    qint64 m_previousOffsetMs;
    bool m_wasPinned;
};
} // namespace AutomationDate
