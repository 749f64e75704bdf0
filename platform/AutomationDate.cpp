#include "AutomationDate.h"

#include <cmath>

namespace {
constexpr qint64 MsPerDay = 86400000;

QDate epoch()
{
    return QDate(1899, 12, 30);
}

// The day and the millisecond of the day an automation date stands for. The
// integer part is the day on either side of the epoch; the fraction, taken by
// its absolute value, is the time of day.
struct DayAndMs {
    QDate date;
    int ms = 0;
};

DayAndMs split(TDateTime value)
{
    if (!std::isfinite(value))
        return {};
    const double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    qint64 ms = std::llround(fraction * double(MsPerDay));
    QDate date = epoch().addDays(qint64(whole));
    if (ms >= MsPerDay) { // a fraction a hair below one day rounds into the next
        date = date.addDays(1);
        ms = 0;
    }
    return {date, int(ms)};
}
} // namespace

namespace AutomationDate {

TDateTime fromDate(const QDate &date)
{
    if (!date.isValid())
        return 0;
    return double(epoch().daysTo(date));
}

QDateTime localDateTime(const QDate &date, const QTime &time)
{
    QDateTime result(date, time);
    if (result.isValid() || !date.isValid() || !time.isValid())
        return result;
    // The wall clock falls in the hour skipped when daylight saving starts:
    // read it with the offset in force before the change, which moves it
    // forward by the gap, as a clock that was set forward shows it.
    const qint64 wallAsUtc = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    const int offsetBefore = QDateTime::fromMSecsSinceEpoch(wallAsUtc - MsPerDay).offsetFromUtc();
    return QDateTime::fromMSecsSinceEpoch(wallAsUtc - qint64(offsetBefore) * 1000);
}

TDateTime fromDateTime(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return 0;
    const QDateTime local = dateTime.toLocalTime();
    const double days = double(epoch().daysTo(local.date()));
    const double fraction = double(local.time().msecsSinceStartOfDay()) / double(MsPerDay);
    return days < 0 ? days - fraction : days + fraction;
}

QDate toDate(TDateTime value)
{
    return split(value).date;
}

QTime toTime(TDateTime value)
{
    const DayAndMs parts = split(value);
    return parts.date.isValid() ? QTime::fromMSecsSinceStartOfDay(parts.ms) : QTime();
}

QDateTime toDateTime(TDateTime value)
{
    const DayAndMs parts = split(value);
    if (!parts.date.isValid())
        return {};
    return localDateTime(parts.date, QTime::fromMSecsSinceStartOfDay(parts.ms));
}

TDateTime dateOf(TDateTime value)
{
    return fromDate(toDate(value));
}

bool hasTimeOfDay(TDateTime value)
{
    return split(value).ms != 0;
}

namespace {
// A pinned clock keeps its distance from the machine's, so time still runs.
bool g_pinned = false;
qint64 g_offsetMs = 0;
} // namespace

QDateTime currentDateTime()
{
    const QDateTime machine = QDateTime::currentDateTime();
    return g_pinned ? machine.addMSecs(g_offsetMs) : machine;
}

QDate currentDate()
{
    return currentDateTime().date();
}

TDateTime now()
{
    return fromDateTime(currentDateTime());
}

TDateTime today()
{
    return fromDate(currentDate());
}

PinnedClock::PinnedClock(const QDateTime &at) : m_previousOffsetMs(g_offsetMs), m_wasPinned(g_pinned)
{
    g_offsetMs = QDateTime::currentDateTime().msecsTo(at);
    g_pinned = true;
}

PinnedClock::~PinnedClock()
{
    g_offsetMs = m_previousOffsetMs;
    g_pinned = m_wasPinned;
}

} // namespace AutomationDate
