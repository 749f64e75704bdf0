// Text utilities both sides rely on: counters widened by Ajusta, amounts cut by
// Trunc2, the message table, the footer.
#include "AutomationDate.h"
#include "SharedServices.h"
#include "TMessages.h"
#include <gtest/gtest.h>
#include <cmath>

TEST(Ajusta, WidensDigitTextsWithLeadingZeros)
{
    EXPECT_EQ(Ajusta("123", 6), "000123");
    EXPECT_EQ(Ajusta("1235", 10), "0000001235");
    EXPECT_EQ(Ajusta("123456", 6), "123456");
    EXPECT_EQ(Ajusta("0000001234", 10), "0000001234");
    // The empty text has no wrong character: all zeros.
    EXPECT_EQ(Ajusta("", 10), "0000000000");
    EXPECT_EQ(Ajusta("", 0), "");
}

TEST(Ajusta, GivesErroForTooLongOrNonDigitTexts)
{
    EXPECT_EQ(Ajusta("1234567", 6), "ERRO");
    EXPECT_EQ(Ajusta("1", 0), "ERRO");
    EXPECT_EQ(Ajusta("12a", 6), "ERRO");
    EXPECT_EQ(Ajusta(" 12", 6), "ERRO");
    EXPECT_EQ(Ajusta("12 ", 6), "ERRO");
    EXPECT_EQ(Ajusta("-1", 6), "ERRO");
    EXPECT_EQ(Ajusta("1,5", 6), "ERRO");
    EXPECT_EQ(Ajusta(QString::fromUtf8("\u0661\u0662"), 6), "ERRO"); // Arabic-Indic digits
    EXPECT_EQ(Ajusta("1", -1), "ERRO");
}

TEST(EmptyString, BlanksAndControlCharactersAloneAreEmpty)
{
    EXPECT_TRUE(EmptyString(""));
    EXPECT_TRUE(EmptyString("   "));
    EXPECT_TRUE(EmptyString("\t\r\n "));
    EXPECT_FALSE(EmptyString("0"));
    EXPECT_FALSE(EmptyString(" a "));
    EXPECT_FALSE(EmptyString(QString::fromUtf8("\u00e9")));
}

TEST(Trunc2, CutsTheDecimalValueNotItsBinaryApproximation)
{
    EXPECT_EQ(Trunc2(0.7), 0.70);
    EXPECT_EQ(Trunc2(2.3), 2.30);
    EXPECT_EQ(Trunc2(0.29), 0.29);
    EXPECT_EQ(Trunc2(4.35), 4.35);
    EXPECT_EQ(Trunc2(1.005), 1.00);
    EXPECT_EQ(Trunc2(22.221), 22.22);
    EXPECT_EQ(Trunc2(22.2219), 22.22);
    EXPECT_EQ(Trunc2(123.45 * 18 / 100), 22.22);
    EXPECT_EQ(Trunc2(0.1 + 0.2), 0.30);
    EXPECT_EQ(Trunc2(1e12 + 0.015), 1000000000000.01);
    EXPECT_EQ(Trunc2(123456789.99), 123456789.99);
    EXPECT_EQ(Trunc2(1e300), 1e300);
}

TEST(Trunc2, GoesTowardZeroAndKeepsNanAndInfinity)
{
    EXPECT_EQ(Trunc2(-1.239), -1.23);
    EXPECT_EQ(Trunc2(-0.29), -0.29);
    EXPECT_EQ(Trunc2(0.0), 0.0);
    const double tiny = Trunc2(-0.001);
    EXPECT_EQ(tiny, 0.0);
    EXPECT_FALSE(std::signbit(tiny));
    EXPECT_EQ(Trunc2(5e-324), 0.0);
    EXPECT_TRUE(std::isnan(Trunc2(std::nan(""))));
    EXPECT_EQ(Trunc2(INFINITY), INFINITY);
}

TEST(Trunc2, EveryAmountInCentsUpToAThousandSurvives)
{
    // Each cents value stays itself, and a further decimal 9 is cut off.
    for (int cents = 0; cents <= 100000; ++cents) {
        const QString text = QString::number(cents / 100) + '.' + QString::number(cents % 100).rightJustified(2, '0');
        const double amount = text.toDouble();
        ASSERT_EQ(Trunc2(amount), amount) << qPrintable(text);
        ASSERT_EQ(Trunc2((text + "9").toDouble()), amount) << qPrintable(text + "9");
        ASSERT_EQ(Trunc2(-(text + "9").toDouble()), -amount) << qPrintable("-" + text + "9");
    }
}

TEST(MontaRodapeGeral, NamesTheScreenInUpperCaseAndStaysShort)
{
    const QString footer = MontaRodapeGeral(false, "Kal02700", "N");
    EXPECT_TRUE(footer.startsWith("KAL02700 - v")) << qPrintable(footer);
    EXPECT_LE(footer.size(), 24);
    const QString full = MontaRodapeGeral(true, "Kal02700", "N");
    EXPECT_TRUE(full.startsWith(footer + " - ")) << qPrintable(full);
    EXPECT_TRUE(full.endsWith(AutomationDate::currentDate().toString("dd/MM/yyyy"))) << qPrintable(full);
}

TEST(TMessages, MsgReturnsTheTextOfTheExactKey)
{
    TMessages msg;
    msg.setMessages({
        "CAMP_N_INF|Todos os campos devem ser informados.",
        "DAD_N_GRAV|Os dados não foram gravados no sistema.",
        "DAD_GRAV|Dados gravados corretamente.",
        "SEM_BARRA",
        "COM_BARRA|a|b",
        "VAZIO|",
        "DAD_GRAV|segunda linha da mesma chave",
    });
    EXPECT_EQ(msg.Msg("DAD_GRAV"), "Dados gravados corretamente.");
    EXPECT_EQ(msg.Msg("DAD_N_GRAV"), QString::fromUtf8("Os dados não foram gravados no sistema."));
    EXPECT_EQ(msg.Msg("COM_BARRA"), "a|b");
    EXPECT_EQ(msg.Msg("VAZIO"), "");
    // Absent, prefix, different case, a line without a bar: the empty text.
    EXPECT_EQ(msg.Msg("ECF_N_INF"), "");
    EXPECT_EQ(msg.Msg("DAD"), "");
    EXPECT_EQ(msg.Msg("dad_grav"), "");
    EXPECT_EQ(msg.Msg("SEM_BARRA"), "");
    EXPECT_EQ(msg.Msg(""), "");
}
