// The module as a host sees it: the library loaded at run time, its plain
// names, and the units brought up and down in order, each once.
#include "Cli_kal02700.h"
#include "Pkg_kal02700.h"
#include "PrinterMemory.h"
#include "Srv_kal02700.h"
#include "TaxPackage.h"
#include "Wmb00001.h"
#include "Wmb00002.h"

#include <QLibrary>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

const char *const ModulePath = KAL_MODULE_FILE;

// The frame's names, here from the module's units linked into the suite, so
// that the table's entries compare with the units' own routines.
class Frame : public ::testing::Test {
protected:
    TInitialize initialize = &::Initialize;
    TFinalize finalize = &::Finalize;
    TGetPackageInfoTable table = &::GetPackageInfoTable;
    TCriaCadRedZ criaCadRedZ = &::CriaCadRedZ;
    TRedZGravada redZGravada = &::RedZGravada;
    TMotivoRedZ motivoRedZ = &::MotivoRedZ;
    TRedZIncerta redZIncerta = &::RedZIncerta;
};

// The library a host loads shows exactly the names it looks up: the frame's
// C names and, under their qualified names, the screen unit's globals and the
// server unit's global and methods; none of the module's own classes or
// other functions.
TEST(FrameLibrary, ExportsOnlyTheNamesAHostLooksUp)
{
    QLibrary library(QString::fromUtf8(ModulePath));
    library.setLoadHints(QLibrary::PreventUnloadHint);
    ASSERT_TRUE(library.load()) << library.errorString().toStdString();
    for (const char *name :
         {"Initialize", "Finalize", "GetPackageInfoTable", "CriaCadRedZ", "RedZGravada", "MotivoRedZ", "RedZIncerta"})
        EXPECT_NE(library.resolve(name), nullptr) << name;

    QProcess nm;
    nm.start(QStringLiteral("nm"),
             {QStringLiteral("-DC"), QStringLiteral("--defined-only"), QString::fromUtf8(ModulePath)});
    ASSERT_TRUE(nm.waitForFinished(30000));
    QStringList names;
    for (const QString &line : QString::fromUtf8(nm.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
        const QString name = line.section(u' ', 2);
        // The linker's own markers of the data's bounds are no exported names.
        if (!name.startsWith(u'_'))
            names << name;
    }
    names.sort();
    const QString text = QStringLiteral("QString const&");
    QStringList expected{
        "CriaCadRedZ",
        "Finalize",
        "GetPackageInfoTable",
        "Initialize",
        "MotivoRedZ",
        "RedZGravada",
        "RedZIncerta",
        "Cli_kal02700::boCriado",
        "Cli_kal02700::boDadosUltima",
        "Cli_kal02700::frmCadRedz",
        "Cli_kal02700::stDataUltRedZ",
        "Srv_kal02700::rdmCadRedz",
        "Srv_kal02700::getCupomInicial(QString const&, QString const&, double)",
        "Srv_kal02700::getMaxMovCaixa(QString const&, QString const&)",
        "Srv_kal02700::getPesqCdImposto(double)",
        "Srv_kal02700::setArqCat52(" + QStringList(6, text).join(", ") + ", QList<QString> const&)",
        "Srv_kal02700::setRedZ(" + QStringList(8, text).join(", ") + ", " + QStringList(10, "double").join(", ")
            + ", QVariant const&, QString const&)",
    };
    expected.sort();
    // Name the difference, not two long lists.
    QStringList extra, missing;
    for (const QString &name : names)
        if (!expected.contains(name))
            extra << name;
    for (const QString &name : expected)
        if (!names.contains(name))
            missing << name;
    EXPECT_TRUE(extra.isEmpty()) << "exported besides: " << extra.join(u'\n').toStdString();
    EXPECT_TRUE(missing.isEmpty()) << "not exported: " << missing.join(u'\n').toStdString();
}

TEST_F(Frame, UnitTableEndsWithServerSiblingPackagesAndScreen)
{
    const PackageInfoTable *info = table();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(table(), info);
    ASSERT_GE(info->UnitCount, 4);
    const PackageUnitEntry *last = info->UnitInfo + info->UnitCount - 4;
    EXPECT_EQ(last[0].Initialization, &Srv_kal02700::Initialization);
    EXPECT_EQ(last[0].Finalization, &Srv_kal02700::Finalization);
    EXPECT_EQ(last[1].Initialization, &Wmb00001::Initialize);
    EXPECT_EQ(last[1].Finalization, &Wmb00001::Finalize);
    EXPECT_EQ(last[2].Initialization, &Wmb00002::Initialize);
    EXPECT_EQ(last[2].Finalization, &Wmb00002::Finalize);
    EXPECT_EQ(last[3].Initialization, &Cli_kal02700::Initialization);
    EXPECT_EQ(last[3].Finalization, &Cli_kal02700::Finalization);
}

TEST_F(Frame, WalkingTheTableTwiceBringsEachUnitUpAndDownOnce)
{
    const int printerLevel = Wmb00001::unitLevel();
    const int taxLevel = Wmb00002::unitLevel();

    // First walk: the screen unit starts, which clears the flag.
    Cli_kal02700::boCriado = true;
    initialize();
    EXPECT_FALSE(Cli_kal02700::boCriado);
    EXPECT_EQ(Wmb00001::unitLevel(), printerLevel + 1);
    EXPECT_EQ(Wmb00002::unitLevel(), taxLevel + 1);

    // Second walk: the screen unit is already up and keeps its state.
    Cli_kal02700::boCriado = true;
    initialize();
    EXPECT_TRUE(Cli_kal02700::boCriado);
    EXPECT_EQ(Wmb00001::unitLevel(), printerLevel + 2);

    // The screen unit shuts down only at the last finalization.
    Cli_kal02700::stDataUltRedZ = QStringLiteral("07/12/2026");
    finalize();
    EXPECT_EQ(Cli_kal02700::stDataUltRedZ, QStringLiteral("07/12/2026"));
    EXPECT_EQ(Wmb00002::unitLevel(), taxLevel + 1);
    finalize();
    EXPECT_TRUE(Cli_kal02700::stDataUltRedZ.isEmpty());
    EXPECT_EQ(Wmb00001::unitLevel(), printerLevel);
    EXPECT_EQ(Wmb00002::unitLevel(), taxLevel);

    // And a new load of the package starts it again.
    Cli_kal02700::boCriado = true;
    initialize();
    EXPECT_FALSE(Cli_kal02700::boCriado);
    finalize();
}

TEST_F(Frame, TheHostReadsWhatTheLastCallCameTo)
{
    Cli_kal02700::boRedZGravada = true;
    Cli_kal02700::stMotivoRedZ = QStringLiteral("Arquivo Cat-52 não gravado: disco cheio.");
    EXPECT_TRUE(redZGravada());
    EXPECT_EQ(QString::fromUtf8(motivoRedZ()), Cli_kal02700::stMotivoRedZ);
    Cli_kal02700::boRedZGravada = false;
    Cli_kal02700::stMotivoRedZ.clear();
    EXPECT_FALSE(redZGravada());
    EXPECT_STREQ(motivoRedZ(), "");
    Cli_kal02700::boRedZIncerta = true;
    EXPECT_TRUE(redZIncerta());
    Cli_kal02700::boRedZIncerta = false;
    EXPECT_FALSE(redZIncerta());
}

} // namespace
