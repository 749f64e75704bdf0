// The validators' checker fed by hand: lines the ledger wrote before they
// were mended (the hard days), each breaking one rule or a field size of the
// layouts, are caught; a good day passes; a tiny tax line is written and
// passes; a day whose stored figures do not add up is left out, and said;
// and a value the layouts cannot carry fails the day, with nothing written.
#include "SintegraWriter.h"
#include "SpedWriter.h"
#include "ValidatorChecker.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {
QByteArray crlf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines)
        out += line.toLatin1() + "\r\n";
    return out;
}

const QStringList GoodDay{
    "|C400|2D|FS-700 MACH|BE0101010100000000A1|1|",
    "|C405|03122026|1|103|1400|53000,00|1000,00|",
    "|C420|01T1800|500,00|1||",
    "|C420|02T1200|200,00|2||",
    "|C420|03T1800|247,50|3||",
    "|C420|F1|35,50|||",
    "|C420|I1|10,00|||",
    "|C420|Can-T|5,00|||",
    "|C420|DT|2,00|||",
    "|C490|000|5102|18,00|747,50|747,50|134,55||",
    "|C490|000|5102|12,00|200,00|200,00|24,00||",
    "|C490|060|5405|0,00|35,50|0,00|0,00||",
    "|C490|040|5102|0,00|10,00|0,00|0,00||",
    "|C405|04122026|1|104|1401|53000,00|0,00|",
};

// The good day with one line replaced (or, with no line to replace, added at the end).
QStringList with(int index, const QString &line)
{
    QStringList lines = GoodDay;
    if (index < lines.size())
        lines[index] = line;
    else
        lines << line;
    return lines;
}
} // namespace

TEST(ValidatorCheckerTest, CatchesEachRuleTheLedgerLinesOnceBroke)
{
    EXPECT_EQ(ValidatorChecker::sped(crlf(GoodDay)), QStringList());
    const struct {
        QStringList lines;
        const char *breach;
    } cases[] = {
        {with(0, "|C400|2D|MP?4000 TH FI ECF-IF DUAL|BE1010101000000000E1|10|"), "ECF_MOD vazio ou com mais de 20"},
        {with(0, "|C400|2D|FS-700 MACH||14|"), "ECF_FAB vazio"},
        {GoodDay + QStringList{GoodDay.at(0)}, "outro C400 com o mesmo modelo e série"},
        {with(2, "|C420|01T1800|500,00|||"), "NR_TOT não é o número do totalizador"},
        {with(14, "|C420|01T1800|0,00|1||"), "VLR_ACUM_TOT não é um valor maior que zero"},
        {with(14, "|C420|01T1800|0,00|1||"), "VL_BRT zero com C420 ou C490"},
        {with(4, "|C420|01T1800|247,50|1||"), "outro C420 com o mesmo COD_TOT_PAR e NR_TOT"},
        {with(9, "|C490|000|5102|18,00|500,00|500,00|90,00||"), "não somam o VL_OPR"},
        {with(10, "|C490|000|5102|18,00|247,50|247,50|44,55||"), "outro C490 com o mesmo CST, CFOP e alíquota"},
        {with(10, "|C490|000|5102|0,00|200,00|200,00|0,00||"), "CST 000 sem alíquota e base maiores que zero"},
        {with(10, "|C490|000|5102|12,00|200,00|200,00|0,00||"), "imposto zero que a base não explica"},
        {with(10, "|C490|000|6102|12,00|200,00|200,00|24,00||"), "fora do grupo 5"},
        {with(0, "|C400|2D|FS-700 MACH|BE0101010100000000A1|1001|"), "ECF_CX não é um número de 1 a 999"},
        {with(1, "|C405|03122026|1000|103|1400|53000,00|1000,00|"), "CRO com mais de 3 dígitos"},
        {with(1, "|C405|03122026|1|103|1400|1234567890123456,00|1000,00|"), "GT_FIN ou VL_BRT fora do formato"},
        {with(11, "|C490|060|5405|0,00|35,50|35,50|0,00||"), "CST 060 com alíquota, base ou imposto"},
        {with(5, "|C420|F1|36,50|||"), "VL_BRT 100000 e a soma dos C420 menos AT 100100"},
        {with(1, "|C405|03122026|0|103|1400|53000,00|1000,00|"), "CRO, CRZ ou NUM_COO_FIN"},
        {with(1, "|C405|31022026|1|103|1400|53000,00|1000,00|"), "DT_DOC"},
        {with(1, "|C405|03122026|1|103|1400|53000,00|1000,00|x|"), "C405 com 8 campos em vez de 7"},
        {with(12, "|C420|AT|1,00|||"), "C420 depois de um C490"},
        {with(2, "|C420|01T1800|500,00|01||"), "NR_TOT não é o número do totalizador"},
    };
    for (const auto &c : cases) {
        const QStringList breaches = ValidatorChecker::sped(crlf(c.lines));
        EXPECT_EQ(breaches.filter(QString::fromUtf8(c.breach)).size(), 1)
            << c.breach << "\n"
            << breaches.join(QLatin1Char('\n')).toStdString();
    }
    QByteArray lf = crlf(GoodDay);
    lf.replace("|\r\n|C405|04", "|\n|C405|04");
    EXPECT_EQ(ValidatorChecker::sped(lf).filter(QStringLiteral("linha sem CR LF")).size(), 1);
}

TEST(ValidatorCheckerTest, SintegraLinesOfTheLayout)
{
    auto pad = [](const QString &text) { return text.leftJustified(126, QLatin1Char(' ')); };
    const QString m = pad(QStringLiteral("60M20261202BE0101010100000000A10012D001201001300000102001"
                                         "00000000001000000000000005200000"));
    const QString a12 = pad(QStringLiteral("60A20261202BE0101010100000000A11200000000020000"));
    const QString a18 = pad(QStringLiteral("60A20261202BE0101010100000000A11800000000074750"));
    const QString f = pad(QStringLiteral("60A20261202BE0101010100000000A1F   000000003650"));
    EXPECT_EQ(ValidatorChecker::sintegra(crlf({m, a12, a18, f})), QStringList());
    QString blankSerial = m, ecfZero = m;
    blankSerial.replace(11, 20, QString(20, QLatin1Char(' ')));
    ecfZero.replace(31, 3, QStringLiteral("000"));
    const struct {
        QStringList lines;
        const char *breach;
    } cases[] = {
        {{m, a18, a12}, "alíquotas fora da ordem"},
        {{m, a12, a12}, "outro 60A do mesmo 60M com a mesma situação"},
        {{m, f, a12}, "depois de F, I, N, CANC, DESC"},
        {{m, pad(QStringLiteral("60A20261202BE0101010100000000A10000000000000000"))}, "alíquota zero"},
        {{a12}, "60A sem 60M"},
        {{m, a12.left(125)}, "125 caracteres em vez de 126"},
        {{m, pad(QStringLiteral("60A20261203BE0101010100000000A11200000000020000"))}, "dia ou série diferentes"},
        {{blankSerial}, "número de série vazio"},
        {{ecfZero}, "número do ECF zero"},
    };
    for (const auto &c : cases) {
        const QStringList breaches = ValidatorChecker::sintegra(crlf(c.lines));
        EXPECT_EQ(breaches.filter(QString::fromUtf8(c.breach)).size(), 1)
            << c.breach << "\n"
            << breaches.join(QLatin1Char('\n')).toStdString();
    }
}

TEST(ValidatorCheckerTest, ATinyTaxIsWrittenAndADayThatDoesNotAddUpIsLeftOut)
{
    Reduction r;
    r.cdFilial = QStringLiteral("0001");
    r.cdCaixa = QStringLiteral("001");
    r.nrEcf = QStringLiteral("001");
    r.serial = QStringLiteral("BE0101010100000000A1");
    r.model = QStringLiteral("FS-700 MACH|ACME");
    r.day = QDate(2026, 12, 2);
    r.crz = 102;
    r.cro = 1;
    r.lastCoupon = 1300;
    r.crzText = r.croText = r.lastCouponText = QStringLiteral("1");
    r.gross = 100000;
    r.grandTotal = 5200000;
    // A base of 0,03 at 25 %: its tax truncates to 0,00, and it is still a
    // taxed line of the day.
    r.taxes = {{QStringLiteral("T1"), 1800, 99997, 17999}, {QStringLiteral("T2"), 2500, 3, 0}};
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QStringList notices;
    SpedWriter writer(out, QStringLiteral("5102"), QStringLiteral("5405"),
                      [&](const QString &notice) { notices << notice; });
    EXPECT_TRUE(writer.reduction(r, QStringLiteral("001")).ok());
    EXPECT_EQ(notices, QStringList());
    EXPECT_TRUE(out.data().contains("|C420|02T2500|0,03|2||\r\n"));
    EXPECT_TRUE(out.data().contains("|C490|000|5102|25,00|0,03|0,03|0,00||\r\n"));
    EXPECT_EQ(ValidatorChecker::sped(out.data()), QStringList());

    // One cent more of gross sales than the totalisers hold: the validator
    // would refuse the C405, so the day is not written, and said.
    r.day = r.day.addDays(1);
    r.gross += 1;
    const qint64 before = out.data().size();
    EXPECT_TRUE(writer.reduction(r, QStringLiteral("001")).ok());
    EXPECT_EQ(out.data().size(), before);
    EXPECT_EQ(writer.leftOut(), 1);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices.first(), QStringLiteral("Redução Z ECF 001, caixa 001, 03/12/2026 com totalizadores somando "
                                              "1000,00 e venda bruta 1000,01 (C420_DIVERGENTE): não escrita."));

    // A value neither layout can carry: the day fails with the reason, and
    // nothing of it is written.
    r.gross -= 1;
    r.serial = QStringLiteral("BÉ01|01");
    const Result<NoValue> sped = writer.reduction(r, QStringLiteral("001"));
    EXPECT_EQ(sped.error(), QStringLiteral("Campo \"BÉ01|01\" com \"|\" ou quebra de linha não cabe no SPED"));
    EXPECT_EQ(out.data().size(), before);
    QBuffer sintegraOut;
    sintegraOut.open(QIODevice::WriteOnly);
    SintegraWriter sintegra(sintegraOut);
    const Result<NoValue> refused = sintegra.reduction(r);
    EXPECT_EQ(refused.error(), QStringLiteral("Texto \"BÉ01|01\" fora do ASCII não cabe no Sintegra (ECF 001, "
                                              "03/12/2026)"));
    EXPECT_FALSE(sped.ok() || refused.ok());
    EXPECT_EQ(sintegraOut.data(), QByteArray());
}
