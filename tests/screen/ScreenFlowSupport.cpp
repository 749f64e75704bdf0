#include "ScreenFlowSupport.h"
#include "Cli_kal02700.h"
#include "ClientDataSet.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "Srv_kal02700.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {
void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

QByteArray cat52File(int crz, int coo, int cro, const QDate &day, qint64 grossCents)
{
    auto number = [](qint64 value, int width) { return QByteArray::number(value).rightJustified(width, '0'); };
    const QByteArray head = QByteArray("BE091010100011223344") + ' ' + QByteArray("FS-700 MACH").leftJustified(20)
                            + "01";
    const QByteArray dayText = day.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    return "E12" + head + number(crz, 6) + number(coo, 6) + number(cro, 6) + dayText + dayText + "220000"
           + number(grossCents, 14) + "V\r\n" + "E13" + head + number(crz, 6) + "01T1800" + number(12345, 13) + "\r\n";
}

void FakePrinter::reportDay(const QString &date)
{
    lastReduction = {{11, "0001"}, {12, "0042"},   {13, "001300"}, {25, "1234567,89"}, {27, "10,00"},
                     {28, "0,00"}, {29, "35,50"},  {33, "2,00"},   {35, "0,00"},       {37, "5,00"},
                     {46, date},   {47, "520,95"}, {48, "513,95"}};
    totalizers = {{"18,00", "T1", "123,45", "22,23"}};
}

void ScreenFlowTest::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    SharedServicesHost::setConnectionString(db.connectionString());
    // The data module lives for the process: this test's database needs a new session.
    if (Srv_kal02700::rdmCadRedz)
        Srv_kal02700::rdmCadRedz->adcCadRedz.setConnected(false);
    Cli_kal02700::setParametersDir(dir.path());
    Cli_kal02700::boCriado = false;
    Cli_kal02700::boDadosUltima = false;
    Cli_kal02700::stDataUltRedZ.clear();
    writeParameters("0001", "S");
    writePrinterType("00");
    db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T1', 18)"));
    db.exec(QStringLiteral(
        "INSERT INTO NOVOCODIGO (CDCONTADOR, NRSEQUENCIAL) VALUES ('CUPINICIAL000100108/12/2026', '1234')"));

    printer = &fake;
    nextTaxPacket = QVariant();
    taxDialogs = noticesUp = noticesShown = 0;
    taxDialogLastDay = 0;
    taxPackageFails = false;
    Wmb00001::DadosUltimaRedZ = [](const QVariant &, int, QVariantList &array, ClientDataSet &totalizers) {
        if (!printer->answers)
            throw Exception(QStringLiteral("A impressora fiscal não responde."));
        for (auto it = printer->lastReduction.cbegin(); it != printer->lastReduction.cend(); ++it)
            array[it.key()] = it.value();
        totalizers.setData(
            textPacket({"VRALIQIMPFIS", "CDIMPOSTO", "VRVENDIDO", "VRIMPOSTO"}, printer->totalizers, 20));
    };
    Wmb00001::Modelo_Impressora = [](const QString &, QString &modelo, QString &marca, QString &outro) {
        if (!printer->modelAnswers)
            throw Exception(QStringLiteral("A impressora fiscal não responde."));
        modelo = printer->model;
        marca = printer->brand;
        outro = QStringLiteral("ignored");
    };
    Wmb00001::GeraCatGenerica = [](const QVariantList &arguments, QStringList &paths) {
        ++printer->generated;
        printer->generatorArguments = arguments;
        if (!printer->generates)
            return false;
        paths = printer->paths;
        for (const QString &p : printer->paths) {
            QFile file(p.trimmed());
            if (QFileInfo(p.trimmed()).dir().exists() && file.open(QIODevice::WriteOnly))
                file.write(printer->content);
        }
        return true;
    };
    Wmb00002::CriaImpostoRedz = [](const QString &, const QString &, const QString &, TDateTime, TDateTime ultimaRedZ,
                                   ClientDataSet &, QVariant &dados) {
        ++taxDialogs;
        taxDialogLastDay = ultimaRedZ;
        if (taxPackageFails)
            throw Exception(QStringLiteral("Tabela de impostos indisponível."));
        dados = nextTaxPacket;
    };
    Wmb00002::AtivaProcesso = [](QWidget *, const QString &, int, int) {
        ++noticesUp;
        ++noticesShown;
    };
    Wmb00002::DesativaProcesso = [] { noticesUp = 0; };
    fake.paths = {dir.filePath(QStringLiteral("CAT52.8CQ"))};
}

void ScreenFlowTest::TearDown()
{
    // The package operations go back when the fixture goes.
    printer = nullptr;
    Cli_kal02700::setParametersDir(QString());
    Cli_kal02700::frmCadRedz = nullptr;
    EXPECT_EQ(noticesUp, 0) << "the progress notice was left up";
}

void ScreenFlowTest::writeParameters(const QByteArray &idEsquema, const QByteArray &geraArq)
{
    writeFile(
        dir.filePath(QStringLiteral("PARAMETROSKIV.CDS")),
        textPacket({"IDESQUEMA", "IDGERAARQVNDRIO"}, {{QString::fromUtf8(idEsquema), QString::fromUtf8(geraArq)}}));
}

void ScreenFlowTest::writePrinterType(const QByteArray &tipo)
{
    writeFile(dir.filePath(QStringLiteral("PRAXUMO.CDS")), textPacket({"IDTIPOIMPFIS"}, {{QString::fromUtf8(tipo)}}));
}

void ScreenFlowTest::open(bool automatic, const std::function<void(TfrmCadRedz &)> &operatorWork)
{
    if (automatic || !operatorWork) {
        Cli_kal02700::CriaCadRedZ(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("001"),
                                  QStringLiteral("BE091010100011223344"), day, automatic);
        return;
    }
    ScreenTest::ModalScreenDriver driver(operatorWork);
    Cli_kal02700::CriaCadRedZ(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("001"),
                              QStringLiteral("BE091010100011223344"), day, false);
    EXPECT_TRUE(driver.inspected());
}

std::unique_ptr<TfrmCadRedz> ScreenFlowTest::setUpForm(bool automatic)
{
    auto form = std::make_unique<TfrmCadRedz>(nullptr);
    Cli_kal02700::frmCadRedz = form.get();
    const Result<NoValue> opened = form->InicializaForm(QStringLiteral("0001"), QStringLiteral("001"),
                                                        QStringLiteral("001"), QStringLiteral("BE091010100011223344"),
                                                        day, automatic);
    EXPECT_TRUE(opened.ok()) << opened.error().toStdString();
    // What the activation shows.
    ScreenTest::widget<QLabel>(*form, "lblDataNum")->setText(dateText);
    ScreenTest::widget<QLabel>(*form, "lblNrEcf")->setText(QStringLiteral("001"));
    ScreenTest::widget<QLabel>(*form, "lblSerieEcf")->setText(QStringLiteral("BE091010100011223344"));
    return form;
}

void ScreenFlowTest::fillFields(TfrmCadRedz &form)
{
    // They add up with a taxed base of 100,00: 100,00 + F1 + I1 + N1 +
    // cancellations + discounts is the gross sales.
    const char *texts[13] = {"42",         "1",      "1234", "1300", "35,5",   "10,", "368,45",
                             "1234567,89", "520,95", "2",    "5",    "513,95", "0"};
    const auto labels = ScreenTest::values(form);
    for (int i = 0; i < 13; ++i)
        labels[size_t(i)]->setText(QLatin1String(texts[i]));
}
