// The names a host may read or call, as a host finds them: the module's
// library loaded with dlopen and its globals and server methods looked up by
// their qualified names. This suite's program lives in a folder of its own,
// where the module finds the local parameter files the test writes.
#include "AutomationDate.h"
#include "FormatSettings.h"
#include "Pkg_kal02700.h"
#include "SharedServicesHost.h"
#include "TestDatabase.h"
#include "TestPackets.h"
#include "PrinterMemory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

// The local files of a printer of type 18, which reports its last Z
// reduction, beside the program; removed when the test ends.
struct LocalFiles {
    const QDir folder{QCoreApplication::applicationDirPath()};
    LocalFiles()
    {
        EXPECT_TRUE(writeFile(folder.filePath("PARAMETROSKIV.CDS"),
                              textPacket({"IDESQUEMA", "IDGERAARQVNDRIO"}, {{"0001", "N"}})));
        EXPECT_TRUE(writeFile(folder.filePath("PRAXUMO.CDS"), textPacket({"IDTIPOIMPFIS"}, {{"18"}})));
    }
    ~LocalFiles()
    {
        QFile::remove(folder.filePath("PARAMETROSKIV.CDS"));
        QFile::remove(folder.filePath("PRAXUMO.CDS"));
    }
};

TEST(ExportedNames, AHostReadsTheScreenGlobalsAfterACall)
{
    TestDb::Database db;
    const LocalFiles local;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The printer's last Z reduction is of the day before the one asked for.
    const QDate asked = AutomationDate::currentDate().addDays(-1);
    const QString printed = FormatSettings::dateToStr(AutomationDate::fromDate(asked.addDays(-1)));
    ASSERT_TRUE(writeFile(
        dir.filePath("printer.json"),
        QStringLiteral(R"({"serial": "BE0910", "lastReduction": {"12": "0042", "46": "%1"}})").arg(printed).toUtf8()));
    Wmb00001::setPrinterMemoryFile(dir.filePath("printer.json"));
    SharedServicesHost::setConnectionString(db.connectionString());
    const SharedServicesHost::MessageRecorder messages;

    void *module = dlopen(KAL_MODULE_FILE, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(module, nullptr) << dlerror();
    const auto initialize = reinterpret_cast<TInitialize>(dlsym(module, "Initialize"));
    const auto criaCadRedZ = reinterpret_cast<TCriaCadRedZ>(dlsym(module, "CriaCadRedZ"));
    const auto finalize = reinterpret_cast<TFinalize>(dlsym(module, "Finalize"));
    namespace Symbols = Pkg_kal02700::Symbols;
    const auto boCriado = static_cast<decltype(&Cli_kal02700::boCriado)>(dlsym(module, Symbols::boCriado));
    const auto boDadosUltima = static_cast<decltype(&Cli_kal02700::boDadosUltima)>(
        dlsym(module, Symbols::boDadosUltima));
    const auto stDataUltRedZ = static_cast<decltype(&Cli_kal02700::stDataUltRedZ)>(
        dlsym(module, Symbols::stDataUltRedZ));
    const auto frmCadRedz = static_cast<decltype(&Cli_kal02700::frmCadRedz)>(dlsym(module, Symbols::frmCadRedz));
    ASSERT_TRUE(initialize && criaCadRedZ && finalize && boCriado && boDadosUltima && stDataUltRedZ && frmCadRedz);
    // The other qualified names are there to be called as well.
    for (const char *name : {Symbols::rdmCadRedz, Symbols::setRedZ, Symbols::getCupomInicial, Symbols::getPesqCdImposto,
                             Symbols::getMaxMovCaixa, Symbols::setArqCat52})
        EXPECT_NE(dlsym(module, name), nullptr) << name;

    // Before any CriaCadRedZ there is no data module: each server method
    // answers as its failure, never a crash.
    const auto rdmCadRedz = static_cast<decltype(&Srv_kal02700::rdmCadRedz)>(dlsym(module, Symbols::rdmCadRedz));
    const auto motivoRedZ = reinterpret_cast<TMotivoRedZ>(dlsym(module, "MotivoRedZ"));
    ASSERT_TRUE(rdmCadRedz && motivoRedZ);
    ASSERT_EQ(*rdmCadRedz, nullptr);
    const QVariant saved = reinterpret_cast<decltype(&Srv_kal02700::setRedZ)>(dlsym(module, Symbols::setRedZ))(
        "0001", "001", "001", "BE0910", "42", "1", "1", "2", 0, 0, 0, 1, 1, 0, 0, 1, 0, AutomationDate::fromDate(asked),
        QVariant(), QString());
    EXPECT_EQ(saved, QVariant(false));
    const QString noModule = QString::fromUtf8(motivoRedZ());
    EXPECT_TRUE(noModule.contains(QStringLiteral("CriaCadRedZ"))) << noModule.toStdString();
    const QVariant failures[] = {
        reinterpret_cast<decltype(&Srv_kal02700::getCupomInicial)>(dlsym(module, Symbols::getCupomInicial))(
            "0001", "001", AutomationDate::fromDate(asked)),
        reinterpret_cast<decltype(&Srv_kal02700::getPesqCdImposto)>(dlsym(module, Symbols::getPesqCdImposto))(18),
        reinterpret_cast<decltype(&Srv_kal02700::getMaxMovCaixa)>(dlsym(module, Symbols::getMaxMovCaixa))("0001",
                                                                                                          "001"),
        reinterpret_cast<decltype(&Srv_kal02700::setArqCat52)>(dlsym(module, Symbols::setArqCat52))(
            "0001", "001", "0001", "1", "08/12/2026", "ACM23344.8CQ", {QStringLiteral("E12")})};
    for (const QVariant &failure : failures)
        EXPECT_EQ(failure.toString(), noModule);
    EXPECT_EQ(*rdmCadRedz, nullptr);

    initialize();
    EXPECT_FALSE(*boCriado);
    criaCadRedZ("0001", "001", "001", "BE0910", AutomationDate::fromDate(asked), true);
    // Set up, never shown: the printer reported another day, so nothing was
    // filled in and the host reads which day the printer holds.
    EXPECT_TRUE(*boCriado);
    EXPECT_FALSE(*boDadosUltima);
    EXPECT_EQ(*stDataUltRedZ, printed);
    EXPECT_EQ(*frmCadRedz, nullptr);
    EXPECT_EQ(messages.count(), 0) << messages.texts().join(u'\n').toStdString();
    finalize();
    EXPECT_TRUE(stDataUltRedZ->isEmpty());
    SharedServicesHost::setConnectionString(QString());
}

} // namespace
