// The confirmation: fields checked, the tax list, the save and what the
// operator is told.
#include "ScreenFlowSupport.h"
#include "Cli_kal02700.h"
#include "Exception.h"
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace ScreenTest;

namespace {
const QString kGravados = QStringLiteral("Dados gravados corretamente.");
const QString kNaoGravados = QStringLiteral("Os dados não foram gravados no sistema.");
const QString kCampos = QStringLiteral("Todos os campos devem ser informados.");
const QString kIcms = QStringLiteral("ICMS não informado. Favor entrar ICMS.");
} // namespace

using ConfirmationTest = ScreenFlowTest;

TEST_F(ConfirmationTest, AWholeDayTypedOnTheScreenIsStoredColumnByColumn)
{
    setTaxLines({{"T1", 18, 123.45, 22.22}, {"T2", 12, 0, 0}, {"T3", 7, 345, 24.15}});
    open(false, [&](TfrmCadRedz &form) {
        // The operator types every figure with the keyboard, Enter between them.
        const char *typed[13] = {"42",         "1",      "1234", "1300", "35,5",   "10", "0",
                                 "1234567,89", "520,95", "2",    "5",    "513,95", "0"};
        for (const char *text : typed) {
            QTest::keyClicks(&form, QLatin1String(text));
            QTest::keyClick(&form, Qt::Key_Return);
        }
        QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtICMS"), Qt::LeftButton);
        QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtConf"), Qt::LeftButton);
        EXPECT_FALSE(form.isVisible()) << "a save ends the screen";
    });
    EXPECT_EQ(taxDialogs, 1);
    ASSERT_EQ(messages.texts(), QStringList{kGravados});
    EXPECT_EQ(messages.kinds().first(), tmInformacao);
    EXPECT_EQ(messages.calls().first().schemaId, QStringLiteral("0001"));
    EXPECT_FALSE(Cli_kal02700::boCriado);

    const auto rows = db.rows(QStringLiteral(
        "SELECT CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, NRREDREDZ, NRREINIREDZ, NRPRIMCFREDZ, NRULTCFREDZ, "
        "VRSTRIBREDZ, VRISENCREDZ, VRNINCIDREDZ, VRGTREDZ, VRVENBRUREDZ, VRTOTCANREDZ, VRTOTDESREDZ, VRVENLIQREDZ, "
        "VRTOTACRREDZ, IDORIGEMREDZ, NRGERCNFREDZ, NRLEITREDZ, NRCANCFREDZ, DSMODMARCAECF FROM REDUCAOZ"));
    ASSERT_EQ(rows.size(), 1);
    const QVariantList &r = rows.first();
    const QStringList texts{"0001",       "001",        "001",        "BE091010100011223344",
                            "0000000042", "0000000001", "0000001234", "0000001300"};
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(r[i].toString(), texts[i]) << "column " << i;
    const double values[9] = {35.5, 10, 0, 1234567.89, 520.95, 2, 5, 513.95, 0};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(r[8 + i].toDouble(), values[i]) << "column " << 8 + i;
    EXPECT_EQ(r[17].toString(), QStringLiteral("KIV"));
    for (int i = 18; i < 21; ++i)
        EXPECT_EQ(r[i].toString(), QStringLiteral("0000000000"));
    EXPECT_EQ(r[21].toString(), QStringLiteral("FS-700 MACH|ACME"));
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ WHERE DTREDUCAOZ = '2026-12-08'")), 1);

    const auto taxes = db.rows(
        QStringLiteral("SELECT CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, CDIMPOSTO, VRALIQIMPRZ, "
                       "VRBCALCIMPRZ, VRIMPOSTORZ FROM IMPOSTOREDZ ORDER BY CDIMPOSTO"));
    ASSERT_EQ(taxes.size(), 2) << "the zero-tax line is not stored";
    EXPECT_EQ(taxes[0][0].toString(), QStringLiteral("0001"));
    EXPECT_EQ(taxes[0][1].toString(), QStringLiteral("001"));
    EXPECT_EQ(taxes[0][2].toString(), QStringLiteral("001"));
    EXPECT_EQ(taxes[0][3].toDate(), QDate(2026, 12, 8));
    EXPECT_EQ(taxes[0][4].toString(), QStringLiteral("T1"));
    EXPECT_EQ(taxes[0][5].toDouble(), 18.0);
    EXPECT_EQ(taxes[0][6].toDouble(), 123.45);
    EXPECT_EQ(taxes[0][7].toDouble(), 22.22);
    EXPECT_EQ(taxes[1][4].toString(), QStringLiteral("T3"));
    EXPECT_EQ(taxes[1][7].toDouble(), 24.15);

    // Printer type 00 keeps the day's CAT-52 file as well.
    EXPECT_EQ(fake.generated, 1);
    EXPECT_EQ(arquivos(), 1);
}

TEST_F(ConfirmationTest, AnEmptyFieldBecomesCurrentAndNothingIsStored)
{
    auto form = setUpForm();
    fillFields(*form);
    widget<QLabel>(*form, "lblVendLiq")->clear();
    setTaxLines({{"T1", 18, 100, 18}});
    form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));
    form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    ASSERT_EQ(messages.texts(), QStringList{kCampos});
    EXPECT_EQ(messages.kinds().first(), tmInformacao);
    EXPECT_EQ(TfrmCadRedzProbe::campoAtual(*form), 12);
    EXPECT_EQ(highlightedField(*form), 12);
    EXPECT_EQ(reducoes(), 0);
    EXPECT_TRUE(Cli_kal02700::boCriado) << "the screen stays open";

    // The first empty field in field order wins.
    widget<QLabel>(*form, "lblNrCupFin")->clear();
    widget<QLabel>(*form, "lblVendBrutD")->clear();
    form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    EXPECT_EQ(TfrmCadRedzProbe::campoAtual(*form), 4);
    // A caption of blanks counts as filled.
    widget<QLabel>(*form, "lblNrCupFin")->setText(QStringLiteral("1300"));
    widget<QLabel>(*form, "lblVendBrutD")->setText(QStringLiteral(" "));
    form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    EXPECT_EQ(TfrmCadRedzProbe::campoAtual(*form), 12);
}

TEST_F(ConfirmationTest, WithoutTaxLinesTheOperatorIsToldAndTheScreenStays)
{
    auto form = setUpForm();
    fillFields(*form);
    form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    ASSERT_EQ(messages.texts(), QStringList{kIcms});
    EXPECT_EQ(messages.kinds().first(), tmErro);
    EXPECT_EQ(reducoes(), 0);
    EXPECT_TRUE(Cli_kal02700::boCriado);

    // The tax package gave a list without rows: the same, and the screen
    // shows that no rate was entered.
    setTaxLines({});
    form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));
    EXPECT_EQ(widget<QLabel>(*form, "lblImpostos")->text(), QStringLiteral("Impostos: nenhuma alíquota informada."));
    messages.clear();
    form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    EXPECT_EQ(messages.texts(), QStringList{kIcms});
    EXPECT_EQ(reducoes(), 0);

    // A new list with rows, and the next confirmation saves.
    setTaxLines({{"T1", 18, 100, 18}, {"T2", 12, 1234.5, 148.14}});
    form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));
    EXPECT_EQ(widget<QLabel>(*form, "lblImpostos")->text(),
              QStringLiteral("Impostos: 2 alíquotas, base de cálculo 1.334,50"));
    setTaxLines({{"T1", 18, 100, 18}});
    form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));
    messages.clear();
    form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    EXPECT_EQ(messages.texts(), QStringList{kGravados});
    EXPECT_EQ(reducoes(), 1);
    EXPECT_EQ(impostos(), 1);
    EXPECT_FALSE(Cli_kal02700::boCriado);
}

TEST_F(ConfirmationTest, AFailedSaveSaysWhyInOneNoticeClosesAndMakesNoFiles)
{
    auto form = setUpForm();
    // Another session stores the day while this screen is open.
    db.exec(QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, NRULTCFREDZ) "
                           "VALUES ('0001', '001', '001', '2026-12-08', '0000000001')"));
    fillFields(*form);
    setTaxLines({{"T1", 18, 100, 18}});
    form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));
    form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    ASSERT_EQ(messages.count(), 1);
    const QString text = messages.texts().first();
    EXPECT_TRUE(text.startsWith(kNaoGravados + QStringLiteral("\nRegistro duplicado"))) << text.toStdString();
    EXPECT_EQ(text.count(u'\n'), 1) << "the database's own words on the line of the sentence they follow";
    EXPECT_EQ(messages.kinds().first(), tmErro);
    EXPECT_EQ(Cli_kal02700::stMotivoRedZ, text.simplified()) << "the host prints the same words";
    EXPECT_FALSE(Cli_kal02700::boCriado) << "every save attempt ends the screen";
    EXPECT_EQ(reducoes(), 1);
    EXPECT_EQ(impostos(), 0);
    EXPECT_EQ(fake.generated, 0);
    EXPECT_EQ(arquivos(), 0);
}

TEST_F(ConfirmationTest, TheModelTextIsCutToThirtyCharacters)
{
    // 21 and 15 characters once trimmed of blanks and control characters.
    fake.model = QStringLiteral("  MODELO-COM-VINTE-UM-X\t");
    fake.brand = QStringLiteral(" MARCA-QUINZE-15 \r\n");
    auto form = setUpForm();
    fillFields(*form);
    setTaxLines({{"T1", 18, 100, 18}});
    form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));
    form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT DSMODMARCAECF FROM REDUCAOZ")).toString(),
              QStringLiteral("MODELO-COM-VINTE-UM-X|MARCA-QU"));
}

TEST_F(ConfirmationTest, AValueThatIsNotANumberIsShownAndNothingIsStored)
{
    auto form = setUpForm();
    fillFields(*form);
    widget<QLabel>(*form, "lblTotGer")->setText(QStringLiteral("12.345,00"));
    setTaxLines({{"T1", 18, 100, 18}});
    form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));
    form->sbtConfClick(widget<TBlendedBitBtn>(*form, "sbtConf"));
    // One notice, the field named by its caption; a screen filled by hand
    // stays open on that field to be corrected.
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Totalizador Geral: \"12.345,00\" não é um número.")});
    EXPECT_EQ(messages.kinds().first(), tmErro);
    EXPECT_EQ(reducoes(), 0);
    EXPECT_TRUE(Cli_kal02700::boCriado);
    EXPECT_EQ(TfrmCadRedzProbe::campoAtual(*form), 8);
}

TEST_F(ConfirmationTest, TheTaxPackageIsGivenTheFallbackDateOnce)
{
    auto form = setUpForm();
    static TDateTime seen[2];
    static int calls;
    calls = 0;
    {
        const PackageOperationsOverride taxPackage;
        Wmb00002::CriaImpostoRedz = [](const QString &, const QString &, const QString &, TDateTime, TDateTime ultima,
                                       ClientDataSet &, QVariant &dados) {
            seen[calls++ % 2] = ultima;
            dados = QVariant(QByteArray("list ") + QByteArray::number(calls));
        };
        form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));
        form->sbtICMSClick(widget<TBlendedBitBtn>(*form, "sbtICMS"));
    }
    EXPECT_EQ(Cli_kal02700::stDataUltRedZ, QStringLiteral("24/02/2012"));
    EXPECT_EQ(seen[0], AutomationDate::fromDate(QDate(2012, 2, 24)));
    EXPECT_EQ(seen[1], seen[0]);
    EXPECT_EQ(TfrmCadRedzProbe::dadosImpostos(*form).toByteArray(), QByteArray("list 2")) << "only the last list stays";
}

TEST_F(ConfirmationTest, TheReferenceTaxDialogFeedsTheSave)
{
    useReferenceTaxDialog();
    fake.content = cat52File(42, 1300, 1, QDate(2026, 12, 8), 12345);
    open(false, [&](TfrmCadRedz &form) {
        const char *typed[13] = {"42",         "1",      "1234", "1300", "0",      "0", "0",
                                 "1234567,89", "123,45", "0",    "0",    "123,45", "0"};
        for (const char *text : typed) {
            QTest::keyClicks(&form, QLatin1String(text));
            QTest::keyClick(&form, Qt::Key_Return);
        }
        // The tax dialog is modal: the operator's work in it runs from the event loop.
        bool entered = false;
        QTimer::singleShot(0, [&] {
            QWidget *dialog = nullptr;
            ASSERT_TRUE(QTest::qWaitFor([&] {
                dialog = QApplication::activeModalWidget();
                return dialog && dialog != &form;
            }));
            // Over the middle of the screen it serves.
            EXPECT_LE((dialog->geometry().center() - form.geometry().center()).manhattanLength(), 2);
            auto *rate = dialog->findChild<QLineEdit *>(QStringLiteral("rateEdit"));
            auto *value = dialog->findChild<QLineEdit *>(QStringLiteral("valueEdit"));
            auto *add = dialog->findChild<QAbstractButton *>(QStringLiteral("addButton"));
            auto *confirm = dialog->findChild<QAbstractButton *>(QStringLiteral("confirmButton"));
            ASSERT_TRUE(rate && value && add && confirm);
            QTest::keyClicks(rate, QStringLiteral("18"));
            QTest::keyClicks(value, QStringLiteral("123,45"));
            add->click();
            entered = true;
            confirm->click();
        });
        QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtICMS"), Qt::LeftButton);
        EXPECT_TRUE(entered);
        // The keyboard is the screen's again once the dialog is gone.
        EXPECT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == form.windowHandle(); }));
        QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtConf"), Qt::LeftButton);
    });
    EXPECT_EQ(messages.texts(), QStringList{kGravados});
    const auto taxes = db.rows(
        QStringLiteral("SELECT CDIMPOSTO, VRALIQIMPRZ, VRBCALCIMPRZ, VRIMPOSTORZ FROM IMPOSTOREDZ"));
    ASSERT_EQ(taxes.size(), 1);
    EXPECT_EQ(taxes[0][0].toString(), QStringLiteral("T1"));
    EXPECT_EQ(taxes[0][2].toDouble(), 123.45);
    EXPECT_EQ(taxes[0][3].toDouble(), 22.22);
}

// The screen refuses every way out but its confirmation, so each way through
// the confirmation must end: stored, or "not stored" and closed. Each path
// below is driven on the shown screen, Confirmar pressed as a trapped
// operator would.
class TrapPathTest : public ScreenFlowTest {
protected:
    // The operator answers Sim to the way-out question, unless told otherwise.
    ExitAnswerer answers{true};
    static QStringList fields(const TfrmCadRedz &form)
    {
        QStringList texts;
        for (int f = 1; f <= 13; ++f)
            texts << fieldText(form, f);
        return texts;
    }
    static void press(TfrmCadRedz &form, const char *button)
    {
        QTest::mouseClick(widget<TBlendedBitBtn>(form, button), Qt::LeftButton);
    }
    // Presses Confirmar until the screen closes, at most three times; the
    // number of presses it took, 0 when it stayed open.
    static int confirmUntilClosed(TfrmCadRedz &form)
    {
        for (int press = 1; press <= 3; ++press) {
            QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtConf"), Qt::LeftButton);
            if (!form.isVisible())
                return press;
        }
        return 0;
    }
    // Types the figures and has the tax package give its lines.
    void typeTheDay(TfrmCadRedz &form)
    {
        fillFields(form);
        setTaxLines({{"T1", 18, 100, 18}});
        QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtICMS"), Qt::LeftButton);
    }
};

TEST_F(TrapPathTest, ALastReductionDateThatIsNoPlainDayStillGivesTaxLines)
{
    // The printer has no Z reduction and the last cash movement has a time of
    // day: the tax package is given that day.
    writePrinterType("18");
    fake.reportDay(QStringLiteral("00/00/00"));
    const QDate yesterday = AutomationDate::currentDate().addDays(-1);
    db.exec(QStringLiteral("INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES ('0001', '001', '%1')")
                .arg(yesterday.toString(QStringLiteral("yyyy-MM-ddT10:30:00.000"))));
    open(false, [&](TfrmCadRedz &form) {
        fillFields(form);
        QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtConf"), Qt::LeftButton);
        EXPECT_TRUE(form.isVisible()) << "no tax lines yet";
        setTaxLines({{"T1", 18, 100, 18}});
        QTest::mouseClick(widget<TBlendedBitBtn>(form, "sbtICMS"), Qt::LeftButton);
        EXPECT_EQ(confirmUntilClosed(form), 1);
    });
    EXPECT_EQ(taxDialogLastDay, AutomationDate::fromDate(yesterday));
    // The screen opened for typing says why first.
    const QString typeIt = QStringLiteral("\nDigite os valores a partir da Redução Z impressa.");
    EXPECT_EQ(messages.texts(),
              (QStringList{QStringLiteral("A impressora fiscal não tem redução Z e a data da última movimentação do "
                                          "caixa não pôde ser lida: '08/12/2026 10:30:00'.")
                               + typeIt,
                           kIcms, kGravados}));
    EXPECT_EQ(reducoes(), 1);

    // Without a readable date at all (the movement table is gone), the lines
    // are still made, with the fixed date.
    db.exec(QStringLiteral("DELETE FROM IMPOSTOREDZ"));
    db.exec(QStringLiteral("DELETE FROM REDUCAOZ"));
    db.exec(QStringLiteral("DROP TABLE MOVCAIXA"));
    messages.clear();
    open(false, [&](TfrmCadRedz &form) {
        typeTheDay(form);
        EXPECT_EQ(confirmUntilClosed(form), 1);
    });
    EXPECT_EQ(taxDialogLastDay, AutomationDate::fromDate(QDate(2012, 2, 24)));
    ASSERT_EQ(messages.count(), 2);
    // The database's own words on the line of the sentence they follow.
    EXPECT_TRUE(messages.texts()[0].startsWith(QStringLiteral("A impressora fiscal não tem redução Z e a última "
                                                              "movimentação do caixa não pôde ser consultada: Tabela "
                                                              "não encontrada no banco de dados. no such table")))
        << messages.texts()[0].toStdString();
    EXPECT_TRUE(messages.texts()[0].endsWith(typeIt));
    EXPECT_EQ(messages.texts()[1], kGravados);
    EXPECT_EQ(reducoes(), 1);
}

TEST_F(TrapPathTest, APrinterThatDoesNotAnswerLeavesTheDayStorableWithoutItsModel)
{
    fake.modelAnswers = false;
    open(false, [&](TfrmCadRedz &form) {
        typeTheDay(form);
        EXPECT_EQ(confirmUntilClosed(form), 1);
    });
    ASSERT_EQ(messages.count(), 2);
    EXPECT_EQ(messages.kinds()[0], tmAviso);
    // Its own words after the sentence that says what they concern.
    EXPECT_TRUE(messages.texts()[0].startsWith(
        QStringLiteral("O modelo da impressora fiscal não pôde ser lido: A impressora fiscal não responde.\n")))
        << messages.texts()[0].toStdString();
    EXPECT_TRUE(messages.texts()[0].contains(QStringLiteral("sem o modelo"))) << messages.texts()[0].toStdString();
    EXPECT_EQ(messages.texts()[1], kGravados);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COALESCE(DSMODMARCAECF, '') FROM REDUCAOZ")).toString(), QString());
    EXPECT_TRUE(Cli_kal02700::boRedZGravada);
}

TEST_F(TrapPathTest, TaxLinesThatCannotBeMadeEndAsAFailedSave)
{
    // On the locked screen: a printer totaliser that is no number, then a
    // tax-code table that cannot be read.
    writePrinterType("18");
    fake.reportDay(dateText);
    fake.totalizers = {{"dezoito", "T1", "100,00", "18,00"}};
    auto lockedRun = [&](const QString &cause) {
        messages.clear();
        open(false, [&](TfrmCadRedz &form) {
            EXPECT_TRUE(Cli_kal02700::boDadosUltima);
            EXPECT_EQ(confirmUntilClosed(form), 1);
        });
        ASSERT_EQ(messages.count(), 1);
        EXPECT_TRUE(messages.texts()[0].startsWith(kNaoGravados + QLatin1Char('\n')))
            << messages.texts()[0].toStdString();
        EXPECT_TRUE(messages.texts()[0].contains(cause)) << messages.texts()[0].toStdString();
        EXPECT_EQ(reducoes(), 0);
        EXPECT_TRUE(Cli_kal02700::stMotivoRedZ.startsWith(kNaoGravados));
    };
    lockedRun(QStringLiteral("dezoito"));
    fake.reportDay(dateText);
    db.exec(QStringLiteral("DROP TABLE ALIQIMPFIS"));
    lockedRun(QStringLiteral("Tabela não encontrada"));

    // On a screen typed by hand, a list that cannot be read: said on the
    // first press, the way out offered on the next, and taken.
    writePrinterType("00");
    nextTaxPacket = QVariant(QByteArray("não é um pacote"));
    messages.clear();
    open(false, [&](TfrmCadRedz &form) {
        fillFields(form);
        press(form, "sbtICMS");
        EXPECT_EQ(widget<QLabel>(form, "lblImpostos")->text(),
                  QStringLiteral("Impostos: a lista do pacote de impostos não pôde ser lida."));
        EXPECT_EQ(confirmUntilClosed(form), 2);
    });
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith(QStringLiteral("Os impostos não puderam ser informados: ")))
        << messages.texts()[0].toStdString();
    ASSERT_EQ(answers.reasons().size(), 1);
    EXPECT_EQ(answers.reasons()[0], QStringLiteral("Sair sem gravar a Redução Z?|") + messages.texts()[0]);
    EXPECT_EQ(reducoes(), 0);
    EXPECT_FALSE(Cli_kal02700::boRedZGravada) << "the host exits 1";
    EXPECT_TRUE(Cli_kal02700::stMotivoRedZ.startsWith(kNaoGravados + QStringLiteral(" O operador saiu sem gravar")))
        << Cli_kal02700::stMotivoRedZ.toStdString();
    EXPECT_FALSE(Cli_kal02700::boCriado);
}

TEST_F(TrapPathTest, AFailedTaxPressKeepsEveryFigureAndItsReasonIsSaid)
{
    writePrinterType("00");
    taxPackageFails = true;
    answers.setLeave(false);
    const QString failed = QStringLiteral("O pacote de impostos falhou: Tabela de impostos indisponível.");
    open(false, [&](TfrmCadRedz &form) {
        fillFields(form);
        const QStringList typed = fields(form);
        press(form, "sbtICMS");
        press(form, "sbtConf");
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(answers.reasons().isEmpty()) << "the first press only says why";
        // Pressed again with nothing changed: the way out, declined.
        press(form, "sbtConf");
        EXPECT_EQ(answers.reasons().size(), 1);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(fields(form), typed) << "every figure is kept";
        // The tax package answers again: one press, and the day is stored.
        taxPackageFails = false;
        setTaxLines({{"T1", 18, 100, 18}});
        press(form, "sbtICMS");
        EXPECT_EQ(widget<QLabel>(form, "lblImpostos")->text(),
                  QStringLiteral("Impostos: 1 alíquota, base de cálculo 100,00"));
        press(form, "sbtConf");
        EXPECT_FALSE(form.isVisible());
    });
    EXPECT_EQ(messages.texts(), (QStringList{failed, kIcms + u'\n' + failed, kGravados}));
    EXPECT_EQ(messages.kinds().value(1), tmErro);
    EXPECT_EQ(answers.reasons(), QStringList{QStringLiteral("Sair sem gravar a Redução Z?|") + kIcms + u'\n' + failed});
    EXPECT_EQ(reducoes(), 1);
    EXPECT_TRUE(Cli_kal02700::boRedZGravada);
}

TEST_F(TrapPathTest, WithNoRateRegisteredTheOperatorLeavesThroughTheQuestion)
{
    // The reference tax dialog on a database without any rate.
    useReferenceTaxDialog();
    db.exec(QStringLiteral("DELETE FROM ALIQIMPFIS"));
    writePrinterType("00");
    answers.setLeave(false);
    QString status;
    open(false, [&](TfrmCadRedz &form) {
        fillFields(form);
        const QStringList typed = fields(form);
        QTimer::singleShot(0, [&] {
            QWidget *dialog = nullptr;
            ASSERT_TRUE(QTest::qWaitFor([&] {
                dialog = QApplication::activeModalWidget();
                return dialog && dialog != &form;
            }));
            auto *label = dialog->findChild<QLabel *>(QStringLiteral("statusLabel"));
            auto *rate = dialog->findChild<QLineEdit *>(QStringLiteral("rateEdit"));
            auto *value = dialog->findChild<QLineEdit *>(QStringLiteral("valueEdit"));
            auto *add = dialog->findChild<QAbstractButton *>(QStringLiteral("addButton"));
            auto *confirm = dialog->findChild<QAbstractButton *>(QStringLiteral("confirmButton"));
            ASSERT_TRUE(label && rate && value && add && confirm);
            status = label->text();
            QTest::keyClicks(rate, QStringLiteral("18"));
            QTest::keyClicks(value, QStringLiteral("100"));
            add->click();
            EXPECT_EQ(label->text(), status) << "every rate is refused for the same reason";
            confirm->click();
        });
        press(form, "sbtICMS");
        EXPECT_EQ(widget<QLabel>(form, "lblImpostos")->text(), QStringLiteral("Impostos: nenhuma alíquota informada."));
        press(form, "sbtConf");
        press(form, "sbtConf");
        EXPECT_TRUE(form.isVisible()) << "Não keeps the screen";
        EXPECT_EQ(fields(form), typed);
        answers.setLeave(true);
        press(form, "sbtConf");
        EXPECT_FALSE(form.isVisible()) << "Sim leaves it";
    });
    EXPECT_EQ(status, QStringLiteral("Nenhuma alíquota cadastrada (ALIQIMPFIS): cadastre as alíquotas antes de "
                                     "informar os impostos."));
    EXPECT_EQ(messages.texts(), QStringList{kIcms});
    EXPECT_EQ(answers.reasons().size(), 2);
    EXPECT_FALSE(Cli_kal02700::boRedZGravada) << "the host exits 1";
    EXPECT_EQ(reducoes(), 0);
    EXPECT_EQ(impostos(), 0);
    EXPECT_EQ(Cli_kal02700::stMotivoRedZ,
              kNaoGravados + QStringLiteral(" O operador saiu sem gravar a Redução Z: ") + kIcms);
}

TEST_F(TrapPathTest, AnErrorOfTheChecksOnALockedScreenLeavesTheWayOut)
{
    // The printer's totalisers come without their tax column: every press
    // of Confirmar would meet the same error.
    writePrinterType("18");
    fake.reportDay(dateText);
    Wmb00001::DadosUltimaRedZ = [](const QVariant &, int, QVariantList &array, ClientDataSet &totalizers) {
        for (auto it = printer->lastReduction.cbegin(); it != printer->lastReduction.cend(); ++it)
            array[it.key()] = it.value();
        totalizers.setData(textPacket({"VRALIQIMPFIS", "CDIMPOSTO", "VRVENDIDO"}, {{"18,00", "T1", "100,00"}}, 20));
    };
    open(false, [&](TfrmCadRedz &form) {
        EXPECT_TRUE(Cli_kal02700::boDadosUltima);
        EXPECT_EQ(confirmUntilClosed(form), 2);
    });
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.kinds()[0], tmErro);
    EXPECT_EQ(answers.reasons(), QStringList{QStringLiteral("Sair sem gravar a Redução Z?|") + messages.texts()[0]});
    EXPECT_EQ(reducoes(), 0);
    EXPECT_FALSE(Cli_kal02700::boRedZGravada);
}
