// Dates, times and numbers written and read as the back office shows them.
#include "Exception.h"
#include "FormatSettings.h"

#include <gtest/gtest.h>
#include <cmath>
#include <random>

namespace {

TDateTime day(int y, int m, int d)
{
    return AutomationDate::fromDate(QDate(y, m, d));
}

// The conversion raises EConvertError whose message quotes the text.
template <typename F>
void expectRefused(F convert, const QString &text)
{
    try {
        convert(text);
        ADD_FAILURE() << "accepted: '" << text.toStdString() << "'";
    } catch (const EConvertError &e) {
        EXPECT_TRUE(e.message().contains(u'\'' + text + u'\'')) << e.message().toStdString();
    }
}

TEST(FormatSettings, WritesDatesAndTimes)
{
    EXPECT_EQ(FormatSettings::dateToStr(day(2006, 2, 20)), QStringLiteral("20/02/2006"));
    EXPECT_EQ(FormatSettings::dateToStr(day(2006, 2, 20) + 0.75), QStringLiteral("20/02/2006"));
    EXPECT_EQ(FormatSettings::timeToStr(day(2006, 2, 20) + 0.75), QStringLiteral("18:00:00"));
    EXPECT_EQ(FormatSettings::dateTimeToStr(day(2006, 2, 20)), QStringLiteral("20/02/2006"));
    const TDateTime afternoon = AutomationDate::fromDateTime(QDateTime(QDate(2026, 12, 8), QTime(13, 45, 1)));
    EXPECT_EQ(FormatSettings::dateTimeToStr(afternoon), QStringLiteral("08/12/2026 13:45:01"));
    EXPECT_EQ(FormatSettings::dateTimeToStr(day(1899, 12, 29) - 0.5), QStringLiteral("29/12/1899 12:00:00"));
}

TEST(FormatSettings, ReadsShortDates)
{
    EXPECT_EQ(FormatSettings::strToDate(QStringLiteral("20/02/2006")), day(2006, 2, 20));
    EXPECT_EQ(FormatSettings::strToDate(QStringLiteral("1/2/2006")), day(2006, 2, 1));
    EXPECT_EQ(FormatSettings::strToDate(QStringLiteral("  24/02/2012 ")), day(2012, 2, 24));
    EXPECT_EQ(FormatSettings::strToDate(QStringLiteral("29/02/2024")), day(2024, 2, 29));
    EXPECT_EQ(FormatSettings::strToDate(QStringLiteral("30/12/1899")), 0.0);

    auto strToDate = [](const QString &t) { return FormatSettings::strToDate(t); };
    for (const char *bad : {"00/00/00", "00/00/0000", "31/02/2006", "29/02/2023", "20/13/2006", "20-02-2006",
                            "2006/02/20", "20/02/006", "20/02/20060", "20/02", "", "   ", "abc", "20/02/2006x",
                            "20/02/2006 13:45", "20/02/2006 13:45:01", "+1/02/2006"})
        expectRefused(strToDate, QString::fromLatin1(bad));
}

TEST(FormatSettings, TwoDigitYearsFallInTheFiftyYearWindow)
{
    const int current = AutomationDate::currentDate().year();
    for (int yy = 0; yy < 100; ++yy) {
        const QString text = QStringLiteral("15/06/%1").arg(yy, 2, 10, QLatin1Char('0'));
        const int year = AutomationDate::toDate(FormatSettings::strToDate(text)).year();
        EXPECT_EQ(year % 100, yy) << text.toStdString();
        EXPECT_GE(year, current - 50) << text.toStdString();
        EXPECT_LT(year, current + 50) << text.toStdString();
    }
    // One digit is the same as its two-digit form.
    EXPECT_EQ(FormatSettings::strToDate(QStringLiteral("1/1/5")),
              FormatSettings::strToDate(QStringLiteral("01/01/05")));
    // Four digits are taken as they stand.
    EXPECT_EQ(AutomationDate::toDate(FormatSettings::strToDate(QStringLiteral("01/01/1905"))).year(), 1905);
}

TEST(FormatSettings, ReadsDatesWithAnOptionalTime)
{
    const TDateTime base = day(2006, 2, 20);
    EXPECT_EQ(FormatSettings::strToDateTime(QStringLiteral("20/02/2006")), base);
    EXPECT_EQ(AutomationDate::toTime(FormatSettings::strToDateTime(QStringLiteral("20/02/2006 13:45"))), QTime(13, 45));
    const TDateTime full = FormatSettings::strToDateTime(QStringLiteral(" 20/02/2006  13:45:01 "));
    EXPECT_EQ(AutomationDate::toDate(full), QDate(2006, 2, 20));
    EXPECT_EQ(AutomationDate::toTime(full), QTime(13, 45, 1));

    auto strToDateTime = [](const QString &t) { return FormatSettings::strToDateTime(t); };
    for (const char *bad : {"20/02/2006 24:00", "20/02/2006 13:60", "20/02/2006 13:45:60", "20/02/2006 13",
                            "20/02/2006T13:45", "00/00/00 10:00", "13:45"})
        expectRefused(strToDateTime, QString::fromLatin1(bad));
}

TEST(FormatSettings, ReadsDecimalNumbersWithComma)
{
    EXPECT_EQ(FormatSettings::strToFloat(QStringLiteral("0,")), 0.0);
    EXPECT_EQ(FormatSettings::strToFloat(QStringLiteral("12,5")), 12.5);
    EXPECT_EQ(FormatSettings::strToFloat(QStringLiteral(",5")), 0.5);
    EXPECT_EQ(FormatSettings::strToFloat(QStringLiteral("-,5")), -0.5);
    EXPECT_EQ(FormatSettings::strToFloat(QStringLiteral("+3")), 3.0);
    EXPECT_EQ(FormatSettings::strToFloat(QStringLiteral(" 7,25 ")), 7.25);
    EXPECT_EQ(FormatSettings::strToFloat(QStringLiteral("1234567,89")), 1234567.89);
    EXPECT_EQ(FormatSettings::strToFloat(QStringLiteral("0,1")), 0.1);
    EXPECT_EQ(FormatSettings::strToFloat(QStringLiteral("1,5E20")), 1.5e20);
    EXPECT_EQ(FormatSettings::strToFloat(QStringLiteral("1E-5")), 1e-5);

    auto strToFloat = [](const QString &t) { return FormatSettings::strToFloat(t); };
    for (const char *bad :
         {"", " ", "abc", "1.5", "1,2,3", "1 000", ",", "-", "+", "1,5x", "--1", "1E", "E5", "0x10", "1e400", "1,5 E2"})
        expectRefused(strToFloat, QString::fromLatin1(bad));
    try {
        FormatSettings::strToFloat(QStringLiteral("abc"));
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'abc' não é um número válido"));
    }
}

TEST(FormatSettings, WritesTheShortestNumberThatReadsBack)
{
    EXPECT_EQ(FormatSettings::floatToStr(12.5), QStringLiteral("12,5"));
    EXPECT_EQ(FormatSettings::floatToStr(22.22), QStringLiteral("22,22"));
    EXPECT_EQ(FormatSettings::floatToStr(0.1 + 0.2), QStringLiteral("0,30000000000000004"));
    EXPECT_EQ(FormatSettings::floatToStr(1e6), QStringLiteral("1000000"));
    EXPECT_EQ(FormatSettings::floatToStr(-0.5), QStringLiteral("-0,5"));
    EXPECT_EQ(FormatSettings::floatToStr(0.0), QStringLiteral("0"));
    EXPECT_EQ(FormatSettings::floatToStr(-0.0), QStringLiteral("0"));
    EXPECT_EQ(FormatSettings::floatToStr(0.0001), QStringLiteral("0,0001"));
    EXPECT_EQ(FormatSettings::floatToStr(1e-5), QStringLiteral("1E-5"));
    EXPECT_EQ(FormatSettings::floatToStr(123456789012345.0), QStringLiteral("123456789012345"));
    EXPECT_EQ(FormatSettings::floatToStr(1.5e20), QStringLiteral("1,5E20"));

    std::mt19937_64 random(20060220);
    std::uniform_real_distribution<double> amounts(-1e7, 1e7);
    std::uniform_int_distribution<int> exponents(-300, 300);
    for (int i = 0; i < 2000; ++i) {
        const double value = i % 2 ? amounts(random) : std::ldexp(amounts(random), exponents(random));
        const QString text = FormatSettings::floatToStr(value);
        ASSERT_EQ(FormatSettings::strToFloat(text), value) << text.toStdString();
        ASSERT_FALSE(text.contains(u'.')) << text.toStdString();
    }
}

TEST(FormatSettings, ReadsThirtyTwoBitIntegers)
{
    EXPECT_EQ(FormatSettings::strToInt(QStringLiteral("42")), 42);
    EXPECT_EQ(FormatSettings::strToInt(QStringLiteral(" -7 ")), -7);
    EXPECT_EQ(FormatSettings::strToInt(QStringLiteral("+3")), 3);
    EXPECT_EQ(FormatSettings::strToInt(QStringLiteral("0001")), 1);
    EXPECT_EQ(FormatSettings::strToInt(QStringLiteral("2147483647")), 2147483647);
    EXPECT_EQ(FormatSettings::strToInt(QStringLiteral("-2147483648")), -2147483647 - 1);

    auto strToInt = [](const QString &t) { return FormatSettings::strToInt(t); };
    for (const char *bad :
         {"2147483648", "-2147483649", "99999999999999999999", "1,0", "1.0", "", "-", "abc", "1 2", "0x1F"})
        expectRefused(strToInt, QString::fromLatin1(bad));
}

// A counter reads the same digits as strToInt; where they part: no sign,
// up to 18 digits past int's range, and -1 instead of raising.
TEST(FormatSettings, ReadsCountersWhereStrToIntDiffers)
{
    EXPECT_EQ(FormatSettings::strToCounter(QStringLiteral(" 000042 ")), 42);
    EXPECT_EQ(FormatSettings::strToCounter(QStringLiteral("2147483648")), 2147483648LL);
    EXPECT_EQ(FormatSettings::strToCounter(QStringLiteral("999999999999999999")), 999999999999999999LL);
    EXPECT_EQ(FormatSettings::strToCounter(QStringLiteral("0000999999999999999999")), 999999999999999999LL);
    for (const char *bad : {"", " ", "+3", "-7", "-0", "1000000000000000000", "99999999999999999999",
                            "9223372036854775808", "1,0", "0x1F", "1 2"})
        EXPECT_EQ(FormatSettings::strToCounter(QString::fromLatin1(bad)), -1) << bad;
}

} // namespace
