// Printers that report their last Z reduction: the screen filled and locked
// with the printer's figures of the day, and the automatic mode.
#include "ScreenFlowSupport.h"
#include "Cli_kal02700.h"
#include "PrinterPrefill.h"
#include "Srv_kal02700.h"
#include <QFile>
#include <QTest>
#include <functional>

using namespace ScreenTest;

namespace {
const QString kGravados = QStringLiteral("Dados gravados corretamente.");
} // namespace

class PrefillTest : public ScreenFlowTest {
protected:
    void SetUp() override
    {
        ScreenFlowTest::SetUp();
        writePrinterType("18");
        writeParameters("0001", "S");
        fake.reportDay(dateText);
    }
    static QStringList fields(const TfrmCadRedz &form)
    {
        QStringList texts;
        for (int f = 1; f <= 13; ++f)
            texts << fieldText(form, f);
        return texts;
    }
    static bool locked(const TfrmCadRedz &form)
    {
        return !enabled(form, "sbt1") && !enabled(form, "sbtICMS") && !enabled(form, "lblContRedZ")
               && enabled(form, "sbtConf");
    }
    static bool unlocked(const TfrmCadRedz &form) { return enabled(form, "sbt1") && enabled(form, "lblContRedZ"); }
    static bool enabled(const TfrmCadRedz &form, const char *name) { return widget<QWidget>(form, name)->isEnabled(); }
};

TEST_F(PrefillTest, TheDaysFiguresAreFilledAndLocked)
{
    auto form = setUpForm();
    EXPECT_TRUE(Cli_kal02700::boDadosUltima);
    EXPECT_EQ(fields(*form), (QStringList{"0042", "0001", "001234", "001300", "35,50", "10,00", "0,00", "1234567,89",
                                          "520,95", "5,00", "2,00", "513,95", "0,00"}));
    EXPECT_TRUE(locked(*form));
    EXPECT_EQ(Cli_kal02700::stDataUltRedZ, dateText);

    // Nothing typed reaches a locked screen, Enter and Esc included.
    QTest::keyClicks(form.get(), QStringLiteral("9,"));
    QTest::keyClick(form.get(), Qt::Key_Backspace);
    QTest::keyClick(form.get(), Qt::Key_Return);
    EXPECT_EQ(fieldText(*form, 1), QStringLiteral("0042"));
    EXPECT_EQ(TfrmCadRedzProbe::campoAtual(*form), 0);

    // Confirmed, the tax list comes from the printer's totalisers, with the tax computed.
    form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    EXPECT_EQ(messages.texts(), QStringList{kGravados});
    const auto taxes = db.rows(
        QStringLiteral("SELECT CDIMPOSTO, VRALIQIMPRZ, VRBCALCIMPRZ, VRIMPOSTORZ FROM IMPOSTOREDZ"));
    ASSERT_EQ(taxes.size(), 1);
    EXPECT_EQ(taxes[0][0].toString(), QStringLiteral("T1"));
    EXPECT_EQ(taxes[0][1].toDouble(), 18.0);
    EXPECT_EQ(taxes[0][2].toDouble(), 123.45);
    EXPECT_EQ(taxes[0][3].toDouble(), 22.22) << "the computed tax, not the printer's 22,23";
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT NRPRIMCFREDZ FROM REDUCAOZ")).toString(), QStringLiteral("0000001234"));
}

TEST_F(PrefillTest, TotalisersWithoutATaxCodeInTheTablesKeepThePrintersCode)
{
    fake.totalizers = {{"17,00", "T9", "100,00", "17,00"}, {"18,00", "T1", "10,00", "1,80"}};
    auto form = setUpForm();
    form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    const auto taxes = db.rows(QStringLiteral("SELECT CDIMPOSTO, VRIMPOSTORZ FROM IMPOSTOREDZ ORDER BY CDIMPOSTO"));
    ASSERT_EQ(taxes.size(), 2);
    EXPECT_EQ(taxes[0][0].toString(), QStringLiteral("T1"));
    EXPECT_EQ(taxes[1][0].toString(), QStringLiteral("T9"));
    EXPECT_EQ(taxes[1][1].toDouble(), 17.0);
}

TEST_F(PrefillTest, NoTotalisersSendsOneZeroLine)
{
    fake.totalizers.clear();
    auto form = setUpForm();
    form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    EXPECT_EQ(messages.texts(), QStringList{kGravados});
    EXPECT_EQ(reducoes(), 1);
    EXPECT_EQ(impostos(), 0) << "the one line carries no tax and is not kept";
    EXPECT_EQ(form->cdsImpRedZ.recordCount(), 1);
    EXPECT_EQ(form->cdsImpRedZCDIMPOSTO->asString(), QStringLiteral("00"));
    EXPECT_EQ(form->cdsImpRedZVRBCALCIMPRZ->asFloat(), 0.0);
}

TEST_F(PrefillTest, AnotherDayOpensForTyping)
{
    fake.lastReduction[46] = QStringLiteral("07/12/2026");
    auto form = setUpForm();
    EXPECT_FALSE(Cli_kal02700::boDadosUltima);
    EXPECT_TRUE(unlocked(*form));
    EXPECT_EQ(fieldText(*form, 1), QString());
    EXPECT_EQ(Cli_kal02700::stDataUltRedZ, QStringLiteral("07/12/2026"));
}

TEST_F(PrefillTest, WithoutALastReductionTheDayIsTheLastCashMovement)
{
    fake.lastReduction[46] = QStringLiteral("00/00/00");
    // The last movement is yesterday's, the day being recorded; its counter is the fixture's.
    const QDate yesterday = AutomationDate::currentDate().addDays(-1);
    ASSERT_EQ(AutomationDate::fromDate(yesterday), day);
    db.exec(QStringLiteral("INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES ('0001', '001', '%1')")
                .arg(yesterday.addDays(-2).toString(QStringLiteral("yyyy-MM-ddT00:00:00.000"))));
    db.exec(QStringLiteral("INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES ('0001', '001', '%1')")
                .arg(yesterday.toString(QStringLiteral("yyyy-MM-ddT00:00:00.000"))));
    auto form = setUpForm();
    EXPECT_TRUE(Cli_kal02700::boDadosUltima);
    EXPECT_EQ(Cli_kal02700::stDataUltRedZ, yesterday.toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(fieldText(*form, 3), QStringLiteral("001234"));
}

TEST_F(PrefillTest, ALastMovementWithATimeOfDayStopsThePrefillSilently)
{
    fake.lastReduction[46] = QStringLiteral("00/00/00");
    const QDate yesterday = AutomationDate::currentDate().addDays(-1);
    db.exec(QStringLiteral("INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES ('0001', '001', '%1')")
                .arg(yesterday.toString(QStringLiteral("yyyy-MM-ddT10:30:00.000"))));
    day = AutomationDate::fromDate(yesterday);
    auto form = setUpForm();
    EXPECT_FALSE(Cli_kal02700::boDadosUltima);
    EXPECT_TRUE(unlocked(*form)) << "neither lock nor unlock: the controls stay as designed";
    EXPECT_EQ(fieldText(*form, 1), QString());
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(PrefillTest, TheFirstCouponIsTheLookupsLastSixDigits)
{
    // From the printer's latest Z reduction on the register: ten digits, of
    // which the screen shows six. A later one of another printer of the
    // register counts on another counter.
    db.exec(QStringLiteral("DELETE FROM NOVOCODIGO"));
    db.exec(QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, DTREDUCAOZ, NRULTCFREDZ) "
                           "VALUES ('0001', '001', '001', 'BE091010100011223344', '2026-12-06', '0000123456')"));
    db.exec(QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, DTREDUCAOZ, NRULTCFREDZ) "
                           "VALUES ('0001', '001', '002', 'BE0000000000000000X9', '2026-12-07', '0000900000')"));
    {
        auto form = setUpForm();
        EXPECT_EQ(fieldText(*form, 3), QStringLiteral("123457"));
        Cli_kal02700::frmCadRedz = nullptr;
    }
    // From the day's counter: six digits, all of them kept.
    db.exec(QStringLiteral(
        "INSERT INTO NOVOCODIGO (CDCONTADOR, NRSEQUENCIAL) VALUES ('CUPINICIAL000100108/12/2026', '123')"));
    {
        auto form = setUpForm();
        EXPECT_EQ(fieldText(*form, 3), QStringLiteral("000123"));
        Cli_kal02700::frmCadRedz = nullptr;
    }
}

TEST_F(PrefillTest, ALookupFailureIsNoCouponNumber)
{
    // No counter and no earlier reduction: the lookup answers its failure text.
    db.exec(QStringLiteral("DELETE FROM NOVOCODIGO"));
    auto form = setUpForm();
    EXPECT_FALSE(Cli_kal02700::boDadosUltima);
    EXPECT_EQ(fieldText(*form, 3), QString());
    EXPECT_TRUE(unlocked(*form));
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(PrefillTest, IncompletePrinterFiguresAreTypedByHand)
{
    fake.lastReduction.remove(47);
    auto form = setUpForm();
    EXPECT_FALSE(Cli_kal02700::boDadosUltima);
    EXPECT_TRUE(unlocked(*form));
}

TEST_F(PrefillTest, WhenThePrinterDoesNotFillTheScreenTheOperatorIsToldBeforeTyping)
{
    const QString typeIt = QStringLiteral("\nDigite os valores a partir da Redução Z impressa.");
    const struct {
        const char *name;
        std::function<void()> arrange;
        QString reason;
    } cases[] = {
        {"no answer", [&] { fake.answers = false; },
         QStringLiteral("A memória da impressora fiscal não pôde ser lida: A impressora fiscal não responde.")},
        {"another day", [&] { fake.lastReduction[46] = QStringLiteral("07/12/2026"); },
         QStringLiteral("A última redução Z da impressora é de 07/12/2026, não de 08/12/2026.")},
        {"incomplete", [&] { fake.lastReduction.remove(47); },
         QStringLiteral("A impressora fiscal não informou todos os valores da redução Z de 08/12/2026: faltam Venda "
                        "Bruta Diária.")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fake.reportDay(dateText);
        fake.answers = true;
        c.arrange();
        messages.clear();
        open(false, [&](TfrmCadRedz &form) {
            EXPECT_EQ(messages.texts(), QStringList{c.reason + typeIt});
            EXPECT_EQ(messages.kinds().value(0), tmAviso);
            EXPECT_EQ(fields(form).join(QString()), QString()) << "before anything is typed";
            EXPECT_EQ(highlightedField(form), 1);
            QTest::keyClicks(&form, QStringLiteral("42"));
            EXPECT_EQ(fieldText(form, 1), QStringLiteral("42"));
        });
        EXPECT_EQ(messages.count(), 1) << "once";
    }
    // The printer's figures of the day fill the screen: nothing to say.
    fake.reportDay(dateText);
    messages.clear();
    open(false, [&](TfrmCadRedz &form) {
        EXPECT_TRUE(locked(form));
        EXPECT_EQ(messages.count(), 0);
    });
}

TEST_F(PrefillTest, EachSetUpDecidesTheLockAnew)
{
    {
        auto form = setUpForm();
        Cli_kal02700::frmCadRedz = nullptr;
    }
    ASSERT_TRUE(Cli_kal02700::boDadosUltima);
    fake.answers = false; // the printer stops answering before the next call
    auto form = setUpForm();
    EXPECT_FALSE(Cli_kal02700::boDadosUltima);
    QTest::keyClicks(form.get(), QStringLiteral("7"));
    EXPECT_EQ(fieldText(*form, 1), QString()) << "not activated yet: no current field";
}

TEST_F(PrefillTest, AutomaticModeStoresTheDayWithoutAScreen)
{
    open(true);
    EXPECT_EQ(shown.count(), 0);
    EXPECT_EQ(messages.texts(), QStringList{kGravados});
    EXPECT_EQ(reducoes(), 1);
    EXPECT_EQ(impostos(), 1);
    EXPECT_FALSE(Cli_kal02700::boCriado);
    EXPECT_EQ(Cli_kal02700::frmCadRedz, nullptr);
    EXPECT_TRUE(Cli_kal02700::boRedZGravada);
    // Type 18 with the parameter "S": the day's CAT-52 file is kept too.
    EXPECT_EQ(arquivos(), 1);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT DSARQCAT52 FROM ARQCAT52")).toByteArray(), fake.content);

    // The same call again: refused at the opening, the operator told, nothing more stored.
    messages.clear();
    open(true);
    EXPECT_EQ(messages.texts(),
              QStringList{QStringLiteral("A Redução Z de 08/12/2026 do caixa 001 (ECF 001) já está gravada.")});
    EXPECT_FALSE(Cli_kal02700::boRedZGravada) << "the row is there, but this call stored nothing";
    EXPECT_EQ(reducoes(), 1);
    EXPECT_EQ(arquivos(), 1);
}

TEST_F(PrefillTest, AutomaticModeWithFiguresOfAnotherDayDoesNothing)
{
    fake.lastReduction[46] = QStringLiteral("01/12/2026");
    open(true);
    EXPECT_EQ(shown.count(), 0);
    EXPECT_EQ(messages.count(), 0);
    EXPECT_EQ(reducoes(), 0);
}

TEST_F(PrefillTest, ADateWithATimeOfDayNeverMatches)
{
    day += 0.5;
    auto form = setUpForm();
    EXPECT_FALSE(Cli_kal02700::boDadosUltima);
}

TEST_F(PrefillTest, EveryReportingPrinterTypeReachesThePrefill)
{
    for (const char *type : {"14", "18", "19", "22", "24", "27", "28", "29", "31", "32"}) {
        writePrinterType(type);
        auto form = setUpForm();
        EXPECT_TRUE(Cli_kal02700::boDadosUltima) << "type " << type;
        EXPECT_TRUE(locked(*form)) << "type " << type;
        EXPECT_EQ(fieldText(*form, 9), QStringLiteral("520,95")) << "type " << type;
        Cli_kal02700::frmCadRedz = nullptr;
    }
}

TEST_F(PrefillTest, ThePrefillReadsWithoutAFormAndSaysWhyItStopped)
{
    if (!Srv_kal02700::rdmCadRedz)
        Srv_kal02700::rdmCadRedz = new Srv_kal02700::TrdmCadRedz(nullptr);
    Srv_kal02700::rdmCadRedz->adcCadRedz.setConnected(true);
    QStringList captions;
    for (int f = 1; f <= 13; ++f)
        captions << QStringLiteral("campo %1").arg(f);
    using O = PrinterPrefill::Outcome;
    const struct {
        const char *name;
        std::function<void()> arrange;
        O outcome;
        std::optional<QString> lastReduction;
        QString reason;
    } cases[] = {
        {"the day", [] {}, O::Filled, dateText, QString()},
        {"another day",
         [&] {
             fake.lastReduction[46] = "07/12/2026";
             db.exec(QStringLiteral("INSERT INTO NOVOCODIGO (CDCONTADOR, NRSEQUENCIAL) "
                                    "VALUES ('CUPINICIAL000100107/12/2026', '77')"));
         },
         O::OtherDay, QStringLiteral("07/12/2026"),
         QStringLiteral("A última redução Z da impressora é de 07/12/2026, não de 08/12/2026.")},
        {"a figure missing", [&] { fake.lastReduction.remove(47); }, O::Incomplete, dateText,
         QStringLiteral("A impressora fiscal não informou todos os valores da redução Z de 08/12/2026: faltam "
                        "campo 9.")},
        {"no answer", [&] { fake.answers = false; }, O::Failed, std::nullopt,
         QStringLiteral("A memória da impressora fiscal não pôde ser lida: A impressora fiscal não responde.")},
        {"no reduction, no movements table",
         [&] {
             fake.lastReduction[46] = "00/00/00";
             db.exec(QStringLiteral("DROP TABLE MOVCAIXA"));
         },
         O::Failed, QString(),
         QStringLiteral("A impressora fiscal não tem redução Z e a última movimentação do caixa não pôde ser "
                        "consultada: ")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fake.reportDay(dateText);
        fake.answers = true;
        c.arrange();
        ClientDataSet totals(QStringLiteral("cdsTotalizadorParciaisTributados"));
        const PrinterPrefill::Result read = PrinterPrefill::read({"0001", "0001", "001", day, {}}, captions, totals);
        EXPECT_EQ(read.outcome, c.outcome);
        EXPECT_EQ(read.lastReduction, c.lastReduction);
        EXPECT_TRUE(read.reason.startsWith(c.reason) && (c.reason.isEmpty() == read.reason.isEmpty()))
            << read.reason.toStdString();
        ASSERT_EQ(read.fields.size(), 13);
        if (c.outcome == O::Filled) {
            EXPECT_EQ(read.fields.at(2), QStringLiteral("001234")) << "the first coupon from the day's counter";
            EXPECT_EQ(read.fields.at(8), QStringLiteral("520,95"));
            EXPECT_EQ(totals.recordCount(), 1) << "the printer's totalisers";
        }
    }
}

// An automatic run that stores nothing leaves one line for the host saying
// why; the pre-fill's own causes show no message.
class AutomaticReasonTest;
struct NothingStored {
    const char *name;
    std::function<void(AutomaticReasonTest &, FakePrinter &, TestDb::Database &)> arrange;
    QString line; // the whole line, or its beginning when `prefix`
    bool prefix = false;
    bool silent = true;
};

void PrintTo(const NothingStored &run, std::ostream *out)
{
    *out << run.name;
}

class AutomaticReasonTest
    : public PrefillTest
    , public ::testing::WithParamInterface<NothingStored> {
public:
    using PrefillTest::writeParameters;
    using PrefillTest::writePrinterType;
};

TEST_P(AutomaticReasonTest, LeavesTheLineThatSaysWhy)
{
    GetParam().arrange(*this, fake, db);
    const int before = reducoes();
    open(true);
    EXPECT_EQ(shown.count(), 0);
    EXPECT_EQ(reducoes(), before);
    EXPECT_FALSE(Cli_kal02700::boRedZGravada);
    const QString line = Cli_kal02700::stMotivoRedZ;
    if (GetParam().prefix) {
        EXPECT_TRUE(line.startsWith(GetParam().line)) << line.toStdString();
    } else {
        EXPECT_EQ(line.toStdString(), GetParam().line.toStdString());
    }
    EXPECT_FALSE(line.contains(QLatin1Char('\n')));
    if (GetParam().silent) {
        EXPECT_EQ(messages.count(), 0) << messages.texts().join(QLatin1Char('|')).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(NightlyRun, AutomaticReasonTest,
                         ::testing::Values(
                             NothingStored{"AnotherDay",
                                           [](AutomaticReasonTest &, FakePrinter &p, TestDb::Database &) {
                                               p.lastReduction[46] = "07/12/2026";
                                           },
                                           QStringLiteral(
                                               "A última redução Z da impressora é de 07/12/2026, não de 08/12/2026.")},
                             NothingStored{
                                 "UnreadableDate",
                                 [](AutomaticReasonTest &, FakePrinter &p, TestDb::Database &) {
                                     p.lastReduction[46] = "31/13/2026";
                                 },
                                 QStringLiteral(
                                     "A data da última redução Z da impressora não pôde ser lida: '31/13/2026'.")},
                             NothingStored{
                                 "NoReductionAndAMovementWithATime",
                                 [](AutomaticReasonTest &, FakePrinter &p, TestDb::Database &db) {
                                     p.lastReduction[46] = "00/00/00";
                                     db.exec(QStringLiteral("INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) "
                                                            "VALUES ('0001', '001', '2026-12-07T10:30:00.000')"));
                                 },
                                 QStringLiteral(
                                     "A impressora fiscal não tem redução Z e a data da última movimentação do caixa "
                                     "não pôde ser lida: '07/12/2026 10:30:00'.")},
                             NothingStored{
                                 "IncompleteFigures",
                                 [](AutomaticReasonTest &, FakePrinter &p, TestDb::Database &) {
                                     p.lastReduction.remove(47);
                                 },
                                 QStringLiteral(
                                     "A impressora fiscal não informou todos os valores da redução Z de 08/12/2026: "
                                     "faltam Venda Bruta Diária.")},
                             NothingStored{
                                 "UnknownFirstCouponOfANewRegister",
                                 [](AutomaticReasonTest &, FakePrinter &, TestDb::Database &db) {
                                     db.exec(QStringLiteral("DELETE FROM NOVOCODIGO"));
                                 },
                                 QStringLiteral(
                                     "O cupom fiscal inicial de 08/12/2026 não foi encontrado (nem contador do dia nem "
                                     "redução Z anterior deste ECF no caixa)."),
                                 false},
                             NothingStored{
                                 "AFirstCouponLookupThatFails",
                                 [](AutomaticReasonTest &, FakePrinter &, TestDb::Database &db) {
                                     db.exec(QStringLiteral("DROP TABLE NOVOCODIGO"));
                                 },
                                 QStringLiteral("Não foi possível ler o cupom fiscal inicial de 08/12/2026: "), true,
                                 false},
                             NothingStored{
                                 "UnreadablePrinterMemory",
                                 [](AutomaticReasonTest &, FakePrinter &p, TestDb::Database &) { p.answers = false; },
                                 QStringLiteral("A memória da impressora fiscal não pôde ser lida: A impressora fiscal "
                                                "não responde.")},
                             NothingStored{
                                 "NoPrinterType",
                                 [](AutomaticReasonTest &t, FakePrinter &, TestDb::Database &) {
                                     t.writePrinterType("");
                                 },
                                 QStringLiteral(
                                     "O arquivo PRAXUMO.CDS não informa o tipo da impressora fiscal (IDTIPOIMPFIS): a "
                                     "redução Z é digitada na tela.")},
                             NothingStored{
                                 "ATypeThatDoesNotReport",
                                 [](AutomaticReasonTest &t, FakePrinter &, TestDb::Database &) {
                                     t.writePrinterType("15");
                                 },
                                 QStringLiteral(
                                     "A impressora fiscal do tipo 15 não informa a última redução Z: a redução Z é "
                                     "digitada na tela.")},
                             NothingStored{"NoPrinterFile",
                                           [](AutomaticReasonTest &, FakePrinter &, TestDb::Database &) {
                                               QFile::remove(Cli_kal02700::parametersDir()
                                                             + QStringLiteral("/PRAXUMO.CDS"));
                                           },
                                           QStringLiteral("O arquivo PRAXUMO.CDS não foi encontrado em "), true, false},
                             NothingStored{"AStoredDay",
                                           [](AutomaticReasonTest &t, FakePrinter &, TestDb::Database &db) {
                                               // No CAT-52 file due: nothing for the rerun to finish.
                                               t.writeParameters("0001", "N");
                                               db.exec(QStringLiteral(
                                                   "INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ) "
                                                   "VALUES ('0001', '001', '001', '2026-12-08')"));
                                           },
                                           QStringLiteral(
                                               "A Redução Z de 08/12/2026 do caixa 001 (ECF 001) já está gravada."),
                                           false, false},
                             NothingStored{
                                 "AnError",
                                 [](AutomaticReasonTest &, FakePrinter &,
                                    TestDb::Database &db) { db.exec(QStringLiteral("DROP TABLE ALIQIMPFIS")); },
                                 QStringLiteral("Os dados não foram gravados no sistema. Os impostos não puderam ser "
                                                "informados: Tabela não encontrada"),
                                 true, false}),
                         [](const ::testing::TestParamInfo<NothingStored> &info) {
                             return std::string(info.param.name);
                         });

TEST_F(PrefillTest, AStoredDayWhoseCat52FileWasNotKeptSaysSo)
{
    fake.generates = false;
    open(true);
    EXPECT_TRUE(Cli_kal02700::boRedZGravada);
    EXPECT_EQ(Cli_kal02700::stMotivoRedZ.toStdString(),
              "A Redução Z foi gravada, mas o arquivo Cat-52 não foi gravado: o gerador de arquivos Cat-52 não gerou o "
              "arquivo.");
    // A good day with its file leaves no line.
    db.exec(QStringLiteral("DELETE FROM IMPOSTOREDZ"));
    db.exec(QStringLiteral("DELETE FROM REDUCAOZ"));
    fake.generates = true;
    open(true);
    EXPECT_TRUE(Cli_kal02700::boRedZGravada);
    EXPECT_EQ(Cli_kal02700::stMotivoRedZ, QString());
}
