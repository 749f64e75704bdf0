// Opening the screen through the host's entry: the local parameter files, the
// entry mode by printer type, the errors that end the set-up, and the unit
// globals the host reads afterwards.
#include "Cli_kal02700.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "PackageOperationsOverride.h"
#include "ScreenTestSupport.h"
#include "SharedServicesHost.h"
#include "Srv_kal02700.h"
#include "TestDatabase.h"
#include "TestPackets.h"
#include "Wmb00001.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace ScreenTest;

namespace {

// One database for the suite: the data module connects once per process.
TestDb::Database &database()
{
    static TestDb::Database db;
    return db;
}

const TDateTime dtReducao = AutomationDate::fromDate(QDate(2026, 12, 8));

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

class OpeningTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SharedServicesHost::setConnectionString(database().connectionString());
        Cli_kal02700::setParametersDir(dir.path());
        Cli_kal02700::boCriado = false;
        Cli_kal02700::boDadosUltima = false;
        Cli_kal02700::stDataUltRedZ.clear();
        // A printer that does not answer.
        printerAsked = 0;
        Wmb00001::DadosUltimaRedZ = [](const QVariant &, int, QVariantList &, ClientDataSet &) {
            ++printerAsked;
            throw Exception("A impressora fiscal não responde.");
        };
        writeParametros("0001", "S");
        writePraxumo("00");
    }
    void TearDown() override
    {
        Cli_kal02700::setParametersDir(QString());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(Cli_kal02700::frmCadRedz, nullptr);
    }

    void writeParametros(const QByteArray &idEsquema, const QByteArray &geraArq)
    {
        writeFile(dir.filePath("PARAMETROSKIV.CDS"),
                  textPacket({"IDESQUEMA", "IDGERAARQVNDRIO"}, {{text(idEsquema), text(geraArq)}}));
    }
    // A null type leaves the column out of the row: a null column.
    void writePraxumo(const QByteArray &tipo)
    {
        writeFile(dir.filePath("PRAXUMO.CDS"), textPacket({"IDTIPOIMPFIS"}, {{text(tipo)}}));
    }
    static QString text(const QByteArray &value) { return value.isNull() ? QString() : QString::fromUtf8(value); }

    void open(bool automatico = false)
    {
        Cli_kal02700::CriaCadRedZ("0001", "001", "003", "BE0910101000112233", dtReducao, automatico);
    }

    // Opens the screen by hand and checks that it came up in manual mode.
    // `notices`: the opening's own, shown before anything is typed.
    void expectManualMode(int notices = 0)
    {
        bool wasUp = false;
        ModalScreenDriver driver([&](TfrmCadRedz &form) {
            wasUp = true;
            EXPECT_FALSE(Cli_kal02700::boDadosUltima);
            EXPECT_TRUE(widget<TBlendedBitBtn>(form, "sbt1")->isEnabled());
            EXPECT_TRUE(widget<TBlendedBitBtn>(form, "sbtICMS")->isEnabled());
            EXPECT_TRUE(widget<QLabel>(form, "lblContRedZ")->isEnabled());
            EXPECT_EQ(highlightedField(form), 1);
        });
        open();
        EXPECT_TRUE(wasUp);
        EXPECT_EQ(messages.count(), notices) << messages.texts().join(" | ").toStdString();
    }

    static inline int printerAsked = 0;
    // Kept before the set-up swaps the printer's operation, put back last.
    PackageOperationsOverride packages;
    QTemporaryDir dir;
    SharedServicesHost::MessageRecorder messages;
    ShowCounter shown;
};

TEST_F(OpeningTest, ManualScreenShowsTheArgumentsAndTakesTyping)
{
    ModalScreenDriver driver([&](TfrmCadRedz &form) {
        EXPECT_TRUE(form.isModal());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr); // the hourglass is gone while the operator types
        EXPECT_TRUE(Cli_kal02700::boCriado);
        EXPECT_EQ(widget<QLabel>(form, "lblDataNum")->text(), "08/12/2026");
        EXPECT_EQ(widget<QLabel>(form, "lblNrEcf")->text(), "003");
        EXPECT_EQ(widget<QLabel>(form, "lblSerieEcf")->text(), "BE0910101000112233");
        EXPECT_EQ(widget<QLabel>(form, "lblCodTela")->text(), MontaRodapeGeral(false, "KAL02700", "N"));
        EXPECT_EQ(TfrmCadRedzProbe::idEsquema(form), "0001");
        EXPECT_EQ(TfrmCadRedzProbe::idGeraArqVndrio(form), "S");
        EXPECT_EQ(TfrmCadRedzProbe::idTipoImpFis(form), "00");
        for (int field = 1; field <= 13; ++field)
            EXPECT_EQ(fieldText(form, field), "") << "field " << field;
        EXPECT_EQ(highlightedField(form), 1);
        ASSERT_TRUE(Srv_kal02700::rdmCadRedz);
        EXPECT_TRUE(Srv_kal02700::rdmCadRedz->adcCadRedz.connected());
        // Keys reach the screen through the window, wherever the focus is.
        QTest::keyClick(form.windowHandle(), Qt::Key_4);
        QTest::keyClick(form.windowHandle(), Qt::Key_2);
        QTest::keyClick(form.windowHandle(), Qt::Key_Return);
        EXPECT_EQ(fieldText(form, 1), "42");
        EXPECT_EQ(highlightedField(form), 2);
    });
    open();
    EXPECT_TRUE(driver.inspected());
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(messages.count(), 0);
    EXPECT_FALSE(Cli_kal02700::boCriado);
    EXPECT_FALSE(Cli_kal02700::boDadosUltima);
    EXPECT_EQ(Cli_kal02700::stDataUltRedZ, "");
}

TEST_F(OpeningTest, EmptyPrinterTypeReadsAsManualType00)
{
    writePraxumo(QByteArray());
    ModalScreenDriver driver([](TfrmCadRedz &form) { EXPECT_EQ(TfrmCadRedzProbe::idTipoImpFis(form), "00"); });
    open();
    EXPECT_TRUE(driver.inspected());
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(OpeningTest, TypesThatDoNotReportOpenInManualMode)
{
    for (const QByteArray tipo : {"00", "15", "33", "13", "0"}) {
        SCOPED_TRACE(tipo.toStdString());
        writePraxumo(tipo);
        expectManualMode();
        EXPECT_EQ(printerAsked, 0); // only reporting types ask the printer
    }
}

TEST_F(OpeningTest, ReportingTypeWithAPrinterThatDoesNotAnswerStaysManual)
{
    writePraxumo("18");
    expectManualMode(1);
    EXPECT_EQ(messages.kinds().value(0), tmAviso);
    EXPECT_TRUE(messages.texts().value(0).endsWith("\nDigite os valores a partir da Redução Z impressa."));
    EXPECT_FALSE(Cli_kal02700::boCriado);
}

TEST_F(OpeningTest, MissingPrinterFileEndsWithOneErrorAndNoScreen)
{
    QFile::remove(dir.filePath("PRAXUMO.CDS"));
    open();
    EXPECT_EQ(shown.count(), 0);
    ASSERT_EQ(messages.count(), 1);
    const SharedServicesHost::MessageRequest &message = messages.calls()[0];
    EXPECT_EQ(message.kind, tmErro);
    EXPECT_EQ(message.schemaId, "002");
    EXPECT_EQ(message.soundFlag, "N");
    EXPECT_EQ(message.logFlag, "N");
    // The text is the conversion error's own.
    QString conversionError;
    try {
        FormatSettings::strToInt(QString());
    } catch (const EConvertError &error) {
        conversionError = error.message();
    }
    EXPECT_FALSE(conversionError.isEmpty());
    EXPECT_EQ(message.text, conversionError);
    // The set-up had got as far as marking the screen created.
    EXPECT_TRUE(Cli_kal02700::boCriado);
    EXPECT_EQ(Cli_kal02700::frmCadRedz, nullptr);

    // The next call sets up a fresh screen all the same.
    messages.clear();
    writePraxumo("00");
    expectManualMode();
    EXPECT_EQ(shown.count(), 1);
    EXPECT_FALSE(Cli_kal02700::boCriado);
}

TEST_F(OpeningTest, UnreadableFilesEndWithTheirError)
{
    writePraxumo("1X");
    open();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.calls()[0].kind, tmErro);

    // A parameter file without the schema column.
    messages.clear();
    writePraxumo("00");
    writeFile(dir.filePath("PARAMETROSKIV.CDS"), textPacket({"IDGERAARQVNDRIO"}, {{"S"}}));
    open();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.calls()[0].text.contains("IDESQUEMA")) << messages.calls()[0].text.toStdString();

    // A file that is no data packet at all.
    messages.clear();
    writeFile(dir.filePath("PARAMETROSKIV.CDS"), "IDESQUEMA=0001\n");
    open();
    EXPECT_EQ(messages.count(), 1);
    EXPECT_EQ(shown.count(), 0);
}

TEST_F(OpeningTest, MissingParameterFileIsSilent)
{
    QFile::remove(dir.filePath("PARAMETROSKIV.CDS"));
    ModalScreenDriver driver([](TfrmCadRedz &form) {
        EXPECT_EQ(TfrmCadRedzProbe::idEsquema(form), "");
        EXPECT_EQ(TfrmCadRedzProbe::idGeraArqVndrio(form), "");
    });
    open();
    EXPECT_TRUE(driver.inspected());
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(OpeningTest, AutomaticCallWithoutPrinterDataShowsNothingAndTheNextCallWorks)
{
    open(true);
    EXPECT_EQ(shown.count(), 0);
    EXPECT_EQ(messages.count(), 0);
    // The form is gone though the flag says created: the host reads it so.
    EXPECT_TRUE(Cli_kal02700::boCriado);
    EXPECT_EQ(Cli_kal02700::frmCadRedz, nullptr);

    expectManualMode();
    EXPECT_EQ(shown.count(), 1);
    EXPECT_FALSE(Cli_kal02700::boCriado);
}

TEST_F(OpeningTest, ACallFromInsideTheOpenScreenLeavesItAlone)
{
    ModalScreenDriver driver([&](TfrmCadRedz &form) {
        Cli_kal02700::CriaCadRedZ("0002", "002", "009", "X", dtReducao, false);
        EXPECT_EQ(Cli_kal02700::frmCadRedz, &form);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(widget<QLabel>(form, "lblNrEcf")->text(), "003");
    });
    open();
    EXPECT_TRUE(driver.inspected());
    EXPECT_EQ(shown.count(), 1);
}

TEST(ScreenUnitTest, StartAndShutDown)
{
    Cli_kal02700::boCriado = true;
    Cli_kal02700::stDataUltRedZ = "05/12/2026";
    Cli_kal02700::Initialization();
    EXPECT_FALSE(Cli_kal02700::boCriado);
    EXPECT_EQ(Cli_kal02700::stDataUltRedZ, "05/12/2026");
    Cli_kal02700::Finalization();
    EXPECT_EQ(Cli_kal02700::stDataUltRedZ, "");
}

TEST(ScreenUnitTest, ParameterFilesLieBesideTheExecutableUnlessPointedElsewhere)
{
    Cli_kal02700::setParametersDir(QString());
    EXPECT_EQ(Cli_kal02700::parametersDir(), QCoreApplication::applicationDirPath());
    Cli_kal02700::setParametersDir("/tmp/elsewhere");
    EXPECT_EQ(Cli_kal02700::parametersDir(), "/tmp/elsewhere");
    Cli_kal02700::setParametersDir(QString());
}

} // namespace
