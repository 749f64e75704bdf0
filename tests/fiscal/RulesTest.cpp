// The rules' edges that the data set does not reach, the values the writers
// print, and the E12 check with more than one printer on a day.
#include "AuditRules.h"
#include "Cat52Check.h"
#include "FormatSettings.h"
#include "LedgerValues.h"
#include "ReductionRules.h"

#include <gtest/gtest.h>

namespace {
Reduction day(qint64 crz, int dayOfMonth)
{
    Reduction r;
    r.cdFilial = QStringLiteral("0001");
    r.cdCaixa = QStringLiteral("001");
    r.nrEcf = QStringLiteral("001");
    r.serial = QStringLiteral("S1");
    r.model = QStringLiteral("FS-700 MACH|ACME");
    r.day = QDate(2026, 12, dayOfMonth);
    r.crz = crz;
    r.cro = 1;
    r.firstCoupon = 100 * crz + 1;
    r.lastCoupon = 100 * crz + 100;
    r.gross = 100000;
    r.net = 100000;
    r.grandTotal = 100000 * crz;
    r.taxes = {{QStringLiteral("T1"), 1800, 100000, 18000}};
    r.hasCat52 = true;
    r.crzText = QString::number(r.crz);
    r.croText = QString::number(r.cro);
    r.lastCouponText = QString::number(r.lastCoupon);
    return r;
}

std::string rulesOf(const Reduction *previous, const Reduction &current)
{
    QList<Finding> findings;
    AuditRules::checkRow(previous, current, findings);
    QStringList out;
    for (const Finding &f : findings)
        out << f.rule;
    return out.join(QLatin1Char(' ')).toStdString();
}
} // namespace

TEST(RulesTest, EdgesOfTheChainRules)
{
    const Reduction a = day(10, 1);
    EXPECT_EQ(rulesOf(nullptr, a), "");
    EXPECT_EQ(rulesOf(&a, day(11, 2)), "");

    // The coupon counter turns after 999999: no overlap.
    Reduction before = day(11, 2), after = day(12, 3);
    before.lastCoupon = 999998;
    after.firstCoupon = 1;
    after.lastCoupon = 80;
    EXPECT_EQ(rulesOf(&before, after), "");
    before.lastCoupon = 500000; // a real overlap
    EXPECT_EQ(rulesOf(&before, after), "COO_SOBREPOSTO");

    // A new CRO: the grand total is not compared.
    Reduction intervention = day(11, 2);
    intervention.cro = 2;
    intervention.grandTotal = 5;
    EXPECT_EQ(rulesOf(&a, intervention), "CRO_ALTERADO");

    // Counters that are no numbers take part in no comparison.
    Reduction unreadable = day(11, 2);
    unreadable.crz = LedgerValues::counter(QStringLiteral("00A1"));
    EXPECT_EQ(unreadable.crz, -1);
    EXPECT_EQ(rulesOf(&a, unreadable), "");

    // The CRZ counter turns over after 9999 (or 999999): 1 follows it, 5 leaves 4 out.
    for (const qint64 last : {9999LL, 999999LL}) {
        Reduction full = day(last, 2), turned = day(1, 3);
        turned.firstCoupon = full.lastCoupon + 1;
        turned.lastCoupon = turned.firstCoupon + 99;
        turned.grandTotal = full.grandTotal + turned.gross;
        EXPECT_EQ(rulesOf(&full, turned), "") << last;
        turned.crz = 5;
        QList<Finding> findings;
        AuditRules::checkRow(&full, turned, findings);
        ASSERT_EQ(findings.size(), 1);
        EXPECT_EQ(findings.at(0).rule, QStringLiteral("CRZ_SALTO"));
        EXPECT_EQ(findings.at(0).missing, 4);
    }

    // Tax: one cent either way is the printer's rounding; two is a divergence.
    Reduction tax = day(11, 2);
    tax.taxes = {{QStringLiteral("T1"), 1800, 74750, 13456}};
    tax.net = tax.gross = tax.taxes[0].base;
    tax.grandTotal = a.grandTotal + tax.gross;
    EXPECT_EQ(rulesOf(&a, tax), "");
    tax.taxes[0].tax = 13457;
    EXPECT_EQ(rulesOf(&a, tax), "IMPOSTO_DIVERGENTE");
}

TEST(RulesTest, ValuesAsTheWritersPrintThem)
{
    using namespace LedgerValues;
    EXPECT_EQ(cents(0.29), 29); // 28.999999999999996 as a double
    EXPECT_EQ(cents(1234567.89), 123456789);
    EXPECT_EQ(commaMoney(-5), QStringLiteral("-0,05"));
    EXPECT_EQ(dotMoney(99200), QStringLiteral("992.00"));
    EXPECT_EQ(FormatSettings::displayMoney(123456789), QStringLiteral("1.234.567,89"));
    EXPECT_EQ(counter(QStringLiteral("9999999999")), 9999999999LL);
    EXPECT_EQ(counter(QStringLiteral(" 0000000042 ")), 42);
    EXPECT_EQ(counter(QString()), -1);
    EXPECT_EQ(truncatedTax(74750, 1800), 13455);
    EXPECT_EQ(truncatedTax(12345, 1800), 2222);
    EXPECT_EQ(parseDay(QStringLiteral("29/02/2024")), QDate(2024, 2, 29));
    EXPECT_FALSE(parseDay(QStringLiteral("29/02/2025")).isValid());
    EXPECT_FALSE(parseDay(QStringLiteral("1/12/2026")).isValid());
    EXPECT_FALSE(parseDay(QStringLiteral("01/12/2026 ")).isValid());
    // Days as Qt writes them, whatever the year's width.
    for (const QDate day :
         {QDate(1, 1, 1), QDate(999, 12, 31), QDate(2028, 2, 29), QDate(9999, 12, 31), QDate(-44, 3, 15), QDate()})
        EXPECT_EQ(displayDay(day), day.toString(QStringLiteral("dd/MM/yyyy"))) << day.toJulianDay();
    EXPECT_EQ(displayDay(QDate(2026, 1, 9)), QStringLiteral("09/01/2026"));
}

TEST(RulesTest, ChecksAFileAgainstThePrinterOfItsSerial)
{
    Reduction first = day(11, 2), second = day(500, 2);
    second.serial = QStringLiteral("S2");
    second.nrEcf = QStringLiteral("015");
    auto e12 = [](const char *serial, qint64 crz, qint64 coo) {
        return "E12" + QByteArray(serial).leftJustified(20, ' ') + ' ' + QByteArray("MODELO").leftJustified(20, ' ')
               + "01" + QByteArray::number(crz).rightJustified(6, '0') + QByteArray::number(coo).rightJustified(6, '0')
               + "000001" + "20261202" + "20261202" + "235900" + "00000000100000" + "V\r\n";
    };
    // Each printer's file matches its own reduction of the day.
    EXPECT_TRUE(Cat52Check::of(e12("S2", 500, 50100), {first, second}).ok);
    EXPECT_TRUE(Cat52Check::of(e12("S1", 11, 1200), {first, second}).ok);
    // A wrong CRZ is held against the reduction of the file's serial.
    const Cat52Check wrong = Cat52Check::of(e12("S2", 501, 50100), {first, second});
    EXPECT_FALSE(wrong.ok);
    EXPECT_EQ(wrong.reduction, 1);
    EXPECT_EQ(wrong.describe(), QStringLiteral("CRZ 000501 no arquivo, 000500 na Redução Z"));
    // A printer the day has no row of: held against none.
    const Cat52Check stranger = Cat52Check::of(e12("S3", 11, 1200), {first, second});
    EXPECT_FALSE(stranger.ok);
    EXPECT_EQ(stranger.reduction, -1);
    EXPECT_EQ(stranger.describe(),
              QStringLiteral("a série S3 do registro E12 não é de nenhuma Redução Z gravada para o caixa no dia"));
    // No E12, or a cut one.
    EXPECT_EQ(Cat52Check::of("E13 ...\r\n", {first}).problem, QStringLiteral("o arquivo não tem registro E12 legível"));
    EXPECT_EQ(Cat52Check::of("E13 ...\r\n", {first}).reduction, -1);
    EXPECT_FALSE(Cat52Record::findE12(e12("S1", 11, 1200).left(90)).has_value());
    EXPECT_FALSE(Cat52Check::of(e12("S1", 11, 1200), {}).ok);
}

TEST(RulesTest, ADayTypedOnTheScreenMeetsTheRulesTheLedgerAuditsItBy)
{
    // Days as the screen holds them (the thirteen texts and the tax list):
    // the rules the screen reads and the ledger's findings on the same row.
    struct Typed {
        QStringList texts;
        QList<TaxLine> taxes;
        const char *findings; // of the ledger's rules on the row alone
    };
    const QList<TaxLine> taxed{{QStringLiteral("T1"), 1800, 10000, 1800}};
    const QStringList good{"42",         "1",      "1234", "1300", "35,5",   "10,", "368,45",
                           "1234567,89", "520,95", "2",    "5",    "513,95", "0"};
    auto with = [&good](int field, const char *text) {
        QStringList texts = good;
        texts[field - 1] = QLatin1String(text);
        return texts;
    };
    const QList<Typed> days{
        {good, taxed, ""},
        {with(2, "0"), taxed, "CONTADOR_ZERO"},
        {with(1, "000"), taxed, "CONTADOR_ZERO"},
        {with(12, "500,00"), taxed, "VL_DIVERGENTE PARCIAIS_DIVERGENTES"},
        {with(9, "530,95"), taxed, "VL_DIVERGENTE C420_DIVERGENTE"},
        // A tax line without a rate is no taxed total of the day.
        {good, {{QStringLiteral("T1"), 0, 10000, 0}}, "IMPOSTO_DIVERGENTE C420_DIVERGENTE"},
        {with(3, "1400"), taxed, "COO_INVERTIDO"},
        // The coupon counter turned over during the day.
        {with(4, "40"), taxed, "COO_INVERTIDO"},
    };
    for (const Typed &typed : days) {
        Reduction row = ReductionRules::fromTexts(typed.texts, typed.taxes);
        row.serial = QStringLiteral("S1");
        row.nrEcf = QStringLiteral("001");
        row.model = QStringLiteral("FS-700 MACH|ACME");
        row.hasCat52 = true;
        const std::string ledger = rulesOf(nullptr, row);
        EXPECT_EQ(ledger, typed.findings) << typed.texts.join(' ').toStdString();
        // What the screen reads is what the ledger found.
        EXPECT_EQ(!ReductionRules::zeroCounters(row).isEmpty(), ledger.find("CONTADOR_ZERO") != std::string::npos);
        EXPECT_EQ(ReductionRules::netSales(row).has_value(), ledger.find("VL_DIVERGENTE") != std::string::npos);
        EXPECT_EQ(ReductionRules::totalisers(row).has_value(), ledger.find("C420_DIVERGENTE") != std::string::npos);
    }
    Reduction turned = ReductionRules::fromTexts(with(3, "999991"), taxed);
    turned.lastCoupon = 40;
    EXPECT_FALSE(ReductionRules::couponsInverted(turned));
    turned.firstCoupon = 500000;
    EXPECT_TRUE(ReductionRules::couponsInverted(turned));
}
