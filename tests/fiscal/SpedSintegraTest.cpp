// sped and sintegra: the exact lines of one day, the edge-case chains (a day
// without tax lines, counters at their widths) and the days the validators
// find hard as the layouts want them. Every output also passes the
// validators' rules (FiscalDataSet::fiscal checks it).
#include "FiscalDataSet.h"

#include <QStringDecoder>

namespace {
QByteArray lines(const QStringList &list)
{
    QByteArray out;
    for (const QString &line : list)
        out += line.toLatin1() + "\r\n";
    return out;
}

QStringList args(const char *command, const char *filial, const char *de, const char *ate)
{
    return {QLatin1String(command),
            "--db",
            FiscalDataSet::instance().connectionString(),
            "--cdfilial",
            QLatin1String(filial),
            "--de",
            QLatin1String(de),
            "--ate",
            QLatin1String(ate)};
}
} // namespace

TEST(SpedTest, WritesTheEcfLinesOfOneDayExactly)
{
    // 03/12: register 001's stored tax is off by half a real (IMPOSTO_DIVERGENTE),
    // which the lines carry as stored.
    const ProcessRun run = FiscalDataSet::fiscal(args("sped", "0001", "03/12/2026", "03/12/2026"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray expected = lines({
        "|C400|2D|FS-700 MACH|BE0101010100000000A1|1|",
        "|C405|03122026|1|103|1400|53000,00|1000,00|",
        "|C420|01T1800|747,50|1||",
        "|C420|02T1200|200,00|2||",
        "|C420|F1|35,50|||",
        "|C420|I1|10,00|||",
        "|C420|Can-T|5,00|||",
        "|C420|DT|2,00|||",
        "|C490|000|5102|18,00|747,50|747,50|135,05||",
        "|C490|000|5102|12,00|200,00|200,00|24,00||",
        "|C490|060|5405|0,00|35,50|0,00|0,00||",
        "|C490|040|5102|0,00|10,00|0,00|0,00||",
        QStringLiteral("|C400|2D|ECF-IF MÉDIA|BE0202020200000000B2|2|"),
        "|C405|03122026|1|52|2300|83000,00|1000,00|",
        "|C420|01T1800|747,50|1||",
        "|C420|02T1200|200,00|2||",
        "|C420|F1|35,50|||",
        "|C420|I1|10,00|||",
        "|C420|Can-T|5,00|||",
        "|C420|DT|2,00|||",
        "|C490|000|5102|18,00|747,50|747,50|134,55||",
        "|C490|000|5102|12,00|200,00|200,00|24,00||",
        "|C490|060|5405|0,00|35,50|0,00|0,00||",
        "|C490|040|5102|0,00|10,00|0,00|0,00||",
    });
    EXPECT_EQ(run.out, expected) << run.out.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    // ISO-8859-1: the model's É is one byte.
    EXPECT_TRUE(run.out.contains("ECF-IF M\xC9"
                                 "DIA"));

    // Other CFOPs, to a file.
    const QString path = FiscalDataSet::instance().scratch(QStringLiteral("sped.txt"));
    const ProcessRun cfop = FiscalDataSet::fiscal(
        args("sped", "0001", "03/12/2026", "03/12/2026")
        + QStringList{"--cfop", "5101", "--cfop-st", "5403", "--saida", path});
    ASSERT_EQ(cfop.exitCode, 0) << cfop.err.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray withCfop = expected;
    withCfop.replace("|5102|", "|5101|").replace("|5405|", "|5403|");
    EXPECT_EQ(file.readAll(), withCfop);
}

TEST(SpedTest, EdgeChainsAsTheLayoutWantsThem)
{
    const ProcessRun run = FiscalDataSet::fiscal(args("sped", "0002", "01/12/2026", "02/12/2026"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString out = QString::fromLatin1(run.out);
    // Printers by number: 005, 006, 008, 015; the moved printer's days under one C400.
    const QStringList c400 = out.split(QStringLiteral("\r\n")).filter(QStringLiteral("|C400|"));
    EXPECT_EQ(
        c400,
        QStringList({"|C400|2D|FS-700 MACH|BE0505050500000000A5|5|", "|C400|2D|FS-700 MACH|BE0606060600000000C6|6|",
                     "|C400|2D|FS-700 MACH|BE0808080800000000D8|8|", "|C400|2D|FS-700 MACH|BE0505050500000000B5|15|"}));
    // The day without tax lines: only F1 among the totalisers, and no taxed C490.
    EXPECT_TRUE(out.contains(QStringLiteral("|C405|01122026|1|20|50|20000,00|1000,00|\r\n|C420|F1|993,00|||\r\n"
                                            "|C420|Can-T|5,00|||\r\n|C420|DT|2,00|||\r\n"
                                            "|C490|060|5405|0,00|993,00|0,00|0,00||\r\n|C405|")))
        << out.toStdString();
    // Counters at their widths, whole.
    EXPECT_TRUE(out.contains(QStringLiteral("|C405|01122026|999|9999999998|999999|99999999000,00|1000,00|")));
    EXPECT_TRUE(out.contains(QStringLiteral("|C405|02122026|999|9999999999|120|100000000000,00|1000,00|")));
}

TEST(SpedTest, HardDaysAsTheValidatorAcceptsThem)
{
    const ProcessRun run = FiscalDataSet::fiscal(args("sped", "0003", "01/12/2026", "31/12/2026"));
    // The serial-less row and the one with a zero CRO are left out, and said.
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    const QString err = QString::fromUtf8(run.err);
    EXPECT_TRUE(
        err.contains(QStringLiteral("ECF 014, caixa 014, 01/12/2026 sem número de série do ECF (SERIE_AUSENTE): "
                                    "não escrita")))
        << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("ECF 015, caixa 015, 01/12/2026 com CRO, CRZ ou último cupom zerado")));
    EXPECT_EQ(err.count(QStringLiteral("caractere fora do ISO-8859-1")), 1);
    const QString out = QString::fromLatin1(run.out);
    // One printer a serial, by the number of its last Z reduction: the moved
    // printer once, as ECF 13; the long model cut to 20, its en dash "?".
    EXPECT_EQ(out.split(QStringLiteral("\r\n")).filter(QStringLiteral("|C400|")),
              QStringList({"|C400|2D|MP?4000 TH FI ECF-IF|BE1010101000000000E1|10|",
                           "|C400|2D|FS-700 MACH|BE1111111100000000F1|11|",
                           "|C400|2D|FS-700 MACH|BE1313131300000000H1|13|"}));
    EXPECT_TRUE(run.out.startsWith(lines({
        "|C400|2D|MP?4000 TH FI ECF-IF|BE1010101000000000E1|10|",
        // Two totalisers of 18 %: one C490 of 18,00.
        "|C405|01122026|1|31|200|31000,00|1000,00|",
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
        // T1 did not move: T2 keeps its own number.
        "|C405|02122026|1|32|300|32000,00|1000,00|",
        "|C420|02T1200|947,50|2||",
        "|C420|F1|35,50|||",
        "|C420|I1|10,00|||",
        "|C420|Can-T|5,00|||",
        "|C420|DT|2,00|||",
        "|C490|000|5102|12,00|947,50|947,50|113,70||",
        "|C490|060|5405|0,00|35,50|0,00|0,00||",
        "|C490|040|5102|0,00|10,00|0,00|0,00||",
        // The rate-0 line left out.
        "|C405|03122026|1|33|400|33000,00|1000,00|",
        "|C420|01T1800|747,50|1||",
        "|C420|02T1200|200,00|2||",
        "|C420|F1|35,50|||",
        "|C420|I1|10,00|||",
        "|C420|Can-T|5,00|||",
        "|C420|DT|2,00|||",
        "|C490|000|5102|18,00|747,50|747,50|134,55||",
        "|C490|000|5102|12,00|200,00|200,00|24,00||",
        "|C490|060|5405|0,00|35,50|0,00|0,00||",
        "|C490|040|5102|0,00|10,00|0,00|0,00||",
        // No sale: no children; everything cancelled: Can-T alone.
        "|C405|04122026|1|34|401|33000,00|0,00|",
        "|C405|05122026|1|35|501|33300,00|300,00|",
        "|C420|Can-T|300,00|||",
        "|C400|2D|FS-700 MACH|BE1111111100000000F1|11|",
    }))) << run.out.toStdString();
    // The CRZ that turned is written as stored.
    EXPECT_TRUE(out.contains(QStringLiteral("|C405|03122026|1|1|5300|")));
}

TEST(SintegraTest, WritesRegisters60MAnd60AOfOneDayExactly)
{
    // Register 001's day, whose F1 leaves the totalisers apart from gross
    // sales, is left out as the SPED leaves it out, and said.
    const ProcessRun run = FiscalDataSet::fiscal(args("sintegra", "0001", "02/12/2026", "02/12/2026"));
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(run.err).split(QLatin1Char('\n')).filter(QStringLiteral("não escrita")),
              QStringList{QStringLiteral("kal02700-fiscal: Redução Z ECF 001, caixa 001, 02/12/2026 com totalizadores "
                                         "somando 1001,00 e venda bruta 1000,00 (C420_DIVERGENTE): não escrita.")});
    auto pad = [](const char *text) { return QString::fromLatin1(text).leftJustified(126, QLatin1Char(' ')); };
    const QByteArray expected = lines({
        pad("60M"
            "20261202"
            "BE0202020200000000B2"
            "002"
            "2D"
            "002101"
            "002200"
            "000051"
            "001"
            "0000000000100000"
            "0000000008200000"),
        pad("60A20261202BE0202020200000000B21200000000020000"),
        pad("60A20261202BE0202020200000000B21800000000074750"),
        pad("60A20261202BE0202020200000000B2F   000000003550"),
        pad("60A20261202BE0202020200000000B2I   000000001000"),
        pad("60A20261202BE0202020200000000B2CANC000000000500"),
        pad("60A20261202BE0202020200000000B2DESC000000000200"),
    });
    EXPECT_EQ(run.out, expected) << run.out.toStdString();

    // Counters cut to their last digits; the day's printers by number.
    const ProcessRun edge = FiscalDataSet::fiscal(args("sintegra", "0002", "02/12/2026", "02/12/2026"));
    ASSERT_EQ(edge.exitCode, 0) << edge.err.toStdString();
    const QStringList m60 = QString::fromLatin1(edge.out).split(QStringLiteral("\r\n")).filter(QStringLiteral("60M"));
    ASSERT_EQ(m60.size(), 4);
    EXPECT_TRUE(m60.at(0).startsWith(QStringLiteral("60M20261202BE0505050500000000A5005")));
    EXPECT_TRUE(m60.at(1).startsWith(QStringLiteral("60M20261202BE0606060600000000C6006")));
    EXPECT_EQ(m60.at(2).left(89), QStringLiteral("60M"
                                                 "20261202"
                                                 "BE0808080800000000D8"
                                                 "008"
                                                 "2D"
                                                 "000001"
                                                 "000120"
                                                 "999999"
                                                 "999"
                                                 "0000000000100000"
                                                 "0010000000000000"));
    EXPECT_TRUE(m60.at(3).startsWith(QStringLiteral("60M20261202BE0505050500000000B50152D007001007100000500")));

    // Two totalisers of 18 %: one 60A of 18 %, after the 12 % one; the
    // serial-less row and the zero CRO left out.
    const ProcessRun hard = FiscalDataSet::fiscal(args("sintegra", "0003", "01/12/2026", "01/12/2026"));
    EXPECT_EQ(hard.exitCode, 3) << hard.err.toStdString();
    const QStringList a60 = QString::fromLatin1(hard.out)
                                .split(QStringLiteral("\r\n"))
                                .filter(QStringLiteral("60A20261201BE1010101000000000E1"));
    ASSERT_GE(a60.size(), 2);
    EXPECT_EQ(a60.at(0).left(47), QStringLiteral("60A20261201BE1010101000000000E11200000000020000"));
    EXPECT_EQ(a60.at(1).left(47), QStringLiteral("60A20261201BE1010101000000000E11800000000074750"));
}

namespace {
// The standard-error lines of the Z reductions a command left out.
QStringList leftOut(const ProcessRun &run)
{
    return QString::fromUtf8(run.err).split(QLatin1Char('\n')).filter(QStringLiteral("não escrita"));
}
} // namespace

TEST(SpedSintegraTest, WhatThePrinterReportedIsWrittenAndBothFilesLeaveOutTheSameDays)
{
    const ProcessRun sped = FiscalDataSet::fiscal(args("sped", "0005", "01/12/2026", "31/12/2026"));
    const ProcessRun sintegra = FiscalDataSet::fiscal(args("sintegra", "0005", "01/12/2026", "31/12/2026"));
    EXPECT_EQ(sped.exitCode, 3) << sped.err.toStdString();
    EXPECT_EQ(sintegra.exitCode, 3) << sintegra.err.toStdString();
    const QString out = QString::fromLatin1(sped.out);
    // The tiny totaliser the host stored: in C420, in its C490 with its tax
    // as stored, in 60A; VL_BRT is the sum of the C420.
    EXPECT_TRUE(out.contains(QStringLiteral("|C405|01122026|1|60|200|10000,00|300,03|\r\n|C420|01T1800|250,00|1||\r\n"
                                            "|C420|03T2500|0,03|3||\r\n|C420|F1|50,00|||\r\n")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("|C490|000|5102|25,00|0,03|0,03|0,00||\r\n")));
    EXPECT_TRUE(sintegra.out.contains("60A20261201BE3030303000000000P12500000000000003"));
    // W1's day without a model takes the one of its 30/11.
    EXPECT_TRUE(out.contains(QStringLiteral("|C400|2D|FS-700 MACH|BE3737373700000000W1|37|")));
    // The days left out, each with its rule; the Sintegra leaves out the
    // same, but for the model, which 60M does not carry.
    const QStringList spedLeft = leftOut(sped);
    auto ruleOf = [&](const char *rule) { return spedLeft.filter(QLatin1String(rule)).size(); };
    EXPECT_EQ(spedLeft.size(), 5) << sped.err.toStdString();
    for (const char *rule : {"SERIE_AUSENTE", "CONTADOR_ZERO", "ECF_INVALIDO", "MODELO_AUSENTE", "C420_DIVERGENTE"})
        EXPECT_EQ(ruleOf(rule), 1) << rule;
    for (const QString &filial : {QStringLiteral("0001"), QStringLiteral("0003"), QStringLiteral("0005")}) {
        const QStringList of = {QStringLiteral("--db"),       FiscalDataSet::instance().connectionString(),
                                QStringLiteral("--cdfilial"), filial,
                                QStringLiteral("--de"),       QStringLiteral("01/12/2026"),
                                QStringLiteral("--ate"),      QStringLiteral("31/12/2026")};
        const ProcessRun s = FiscalDataSet::fiscal(QStringList{QStringLiteral("sped")} + of);
        const ProcessRun t = FiscalDataSet::fiscal(QStringList{QStringLiteral("sintegra")} + of);
        QStringList expected = leftOut(s);
        expected.removeIf([](const QString &line) { return line.contains(QStringLiteral("MODELO_AUSENTE")); });
        QStringList found = leftOut(t);
        expected.sort();
        found.sort();
        EXPECT_EQ(found, expected) << filial.toStdString();
        EXPECT_FALSE(found.isEmpty()) << filial.toStdString();
        EXPECT_EQ(s.exitCode, 3);
        EXPECT_EQ(t.exitCode, 3);
    }

    // A branch without a Z reduction in the period: said, an empty file, exit 0.
    for (const char *command : {"sped", "sintegra"}) {
        const ProcessRun none = FiscalDataSet::fiscal(args(command, "0009", "01/12/2026", "31/12/2026"));
        EXPECT_EQ(none.exitCode, 0) << command;
        EXPECT_TRUE(none.out.isEmpty()) << command;
        EXPECT_EQ(none.err, "kal02700-fiscal: Nenhuma Redução Z da filial 0009 de 01/12/2026 a 31/12/2026.\n");
    }
}
