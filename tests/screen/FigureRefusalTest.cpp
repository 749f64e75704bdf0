// Figures no fiscal file can carry are refused before anything is stored, on
// every connection: by the printer in automatic mode (a failed save), typed
// on the screen (the field stays to be corrected), and in the tax lines.
#include "ScreenFlowSupport.h"
#include "Cli_kal02700.h"

using namespace ScreenTest;

namespace {
const QString kNotStored = QStringLiteral("Os dados não foram gravados no sistema.");
} // namespace

class FigureRefusalTest : public ScreenFlowTest {
protected:
    void SetUp() override
    {
        ScreenFlowTest::SetUp();
        writePrinterType("18");
        writeParameters("0001", "S");
    }
};

TEST_F(FigureRefusalTest, EachFigureThePrinterReportsIsRefusedByItsCaptionAndValue)
{
    const QString nines60(60, QLatin1Char('9'));
    const struct {
        int index; // in the last-reduction array; -1: the totaliser below
        QString value;
        QStringList totaliser;
        QString line;
    } cases[] = {
        {47, "-520,95", {}, "Venda Bruta Diária: \"-520,95\" é negativo."},
        {47,
         "1e308",
         {},
         "Venda Bruta Diária: \"1e308\" não é um valor escrito com algarismos e até duas casas decimais."},
        {47,
         "99999999999999999999999,99",
         {},
         "Venda Bruta Diária: \"99999999999999999999999,99\" é maior que o máximo do arquivo Cat-52 "
         "(999999999999,99)."},
        {47,
         nines60,
         {},
         "Venda Bruta Diária: \"" + nines60.left(40)
             + "...\" é maior que o máximo do arquivo Cat-52 (999999999999,99)."},
        {48, "-1,00", {}, "Venda Líquida: \"-1,00\" é negativo."},
        {25,
         "1e40",
         {},
         "Totalizador Geral: \"1e40\" não é um valor escrito com algarismos e até duas casas decimais."},
        {25, "520,955", {}, "Totalizador Geral: \"520,955\" tem mais de duas casas decimais."},
        {29, "abc", {}, "Substituição Tributária (F1): \"abc\" não é um número."},
        {37,
         "100000000000,00",
         {},
         "Cancelamento ICMS: \"100000000000,00\" é maior que o máximo do arquivo Cat-52 (99999999999,99)."},
        {12, "1234567", {}, "Contador de redução Z: \"1234567\" não é um contador de até 6 algarismos."},
        {13, "12A4", {}, "Nr. Cupom Fiscal Final: \"12A4\" não é um contador de até 6 algarismos."},
        {-1, {}, {"18,00", "T1", "-100,00", "0,00"}, "Totalizador T1, valor vendido: \"-100,00\" é negativo."},
        {-1, {}, {"18,00", "T1", "100,00", "?"}, "Totalizador T1, imposto: \"?\" não é um número."},
        {-1,
         {},
         {"100,00", "T1", "100,00", "18,00"},
         "Totalizador T1, alíquota: \"100,00\" é maior que o máximo do arquivo Cat-52 (99,99)."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        fake.reportDay(dateText);
        if (c.index >= 0)
            fake.lastReduction[c.index] = c.value;
        else
            fake.totalizers = {c.totaliser};
        messages.clear();
        open(true);
        const QString shownText = kNotStored + u'\n' + c.line;
        EXPECT_EQ(messages.texts(), QStringList{shownText});
        EXPECT_EQ(messages.kinds().value(0), tmErro);
        EXPECT_EQ(Cli_kal02700::stMotivoRedZ, shownText.simplified()) << "the line the host prints";
        EXPECT_FALSE(Cli_kal02700::boRedZGravada);
        EXPECT_EQ(reducoes(), 0);
        EXPECT_EQ(impostos(), 0);
        EXPECT_EQ(fake.generated, 0);
    }
    // The same printer with the day's own figures stores it, although its
    // totalisers do not add up to its gross sales: a printer's figures are
    // stored as it reported them, for the ledger to tell.
    fake.reportDay(dateText);
    messages.clear();
    open(true);
    EXPECT_TRUE(Cli_kal02700::boRedZGravada);
    EXPECT_EQ(reducoes(), 1);
    EXPECT_EQ(messages.texts().value(0), QStringLiteral("Dados gravados corretamente."));
}

TEST_F(FigureRefusalTest, ATypedFigureOrTaxLineStaysToBeCorrected)
{
    writePrinterType("00");
    auto form = setUpForm();
    fillFields(*form);
    values(*form)[4]->setText(QStringLiteral("999999999999")); // F1: eleven digits before the comma at most
    setTaxLines({{"T1", 18, -100, 0}});
    const auto confirm = [&] { form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf")); };
    form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));

    confirm();
    EXPECT_EQ(messages.texts(),
              QStringList{"Substituição Tributária (F1): \"999999999999\" é maior que o máximo do arquivo Cat-52 "
                          "(99999999999,99)."});
    EXPECT_EQ(TfrmCadRedzProbe::campoAtual(*form), 5) << "the field to correct is the current one";
    EXPECT_TRUE(Cli_kal02700::boCriado) << "the screen stays open";

    values(*form)[4]->setText(QStringLiteral("35,50"));
    messages.clear();
    confirm();
    EXPECT_EQ(messages.texts(), QStringList{"Imposto T1, base de cálculo: \"-100\" é negativo."});
    EXPECT_TRUE(Cli_kal02700::boCriado);
    EXPECT_EQ(reducoes(), 0);

    setTaxLines({{"T1", 18, 100, 18}});
    form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));
    messages.clear();
    confirm();
    EXPECT_EQ(messages.texts(), QStringList{"Dados gravados corretamente."});
    EXPECT_EQ(reducoes(), 1);
    EXPECT_EQ(impostos(), 1);
}

TEST_F(FigureRefusalTest, ATypedDayIsCheckedByTheRulesOfAZReductionBeforeItIsStored)
{
    auto form = setUpForm();
    fillFields(*form);
    setTaxLines({{"T1", 18, 100, 18}});
    form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));
    const auto confirm = [&] {
        messages.clear();
        form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    };

    // A CRO of zero: refused with its field, the screen stays on it.
    widget<QLabel>(*form, "lblContRei")->setText(QStringLiteral("000"));
    confirm();
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Contador de Reinicio de Operacao: \"000\" zerado: confira "
                                                           "na Redução Z impressa.")});
    EXPECT_EQ(TfrmCadRedzProbe::campoAtual(*form), 2);
    EXPECT_EQ(reducoes(), 0);
    widget<QLabel>(*form, "lblContRei")->setText(QStringLiteral("1"));

    // Net sales that are not gross less cancellations and discounts, and so
    // totalisers apart from gross sales: both shown, nothing stored yet.
    widget<QLabel>(*form, "lblVendBrutD")->setText(QStringLiteral("530,95"));
    confirm();
    const QString shown = QStringLiteral(
        "Venda líquida 513,95, mas bruta − cancelamentos − descontos = 523,95: confira na Redução Z impressa.\n"
        "Totalizadores 520,95 (bases tributadas + F1 + I1 + N1 + cancelamentos + descontos), mas a venda bruta é "
        "530,95: confira na Redução Z impressa.\nConfirme de novo para gravar assim.");
    EXPECT_EQ(messages.texts(), QStringList{shown});
    EXPECT_EQ(messages.kinds().first(), tmAviso);
    EXPECT_EQ(reducoes(), 0);
    EXPECT_TRUE(Cli_kal02700::boCriado);

    // A figure changed since: the operator is shown the sums again.
    widget<QLabel>(*form, "lblVendBrutD")->setText(QStringLiteral("540,95"));
    confirm();
    EXPECT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.texts().value(0).contains(QStringLiteral("= 533,95")))
        << messages.texts().join("|").toStdString();
    EXPECT_EQ(reducoes(), 0);

    // The same figures confirmed again are stored as read on the paper.
    confirm();
    EXPECT_EQ(messages.texts().value(0), QStringLiteral("Dados gravados corretamente."));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT VRVENBRUREDZ FROM REDUCAOZ")).toDouble(), 540.95);
}
