#pragma once
// A screen working against a fresh database, with the printer and tax
// packages replaced by fakes the test sets up, and every message recorded.
#include "PackageOperationsOverride.h"
#include "ScreenTestSupport.h"
#include "SharedServicesHost.h"
#include "TestPackets.h"
#include "TestDatabase.h"
#include "Wmb00001.h"
#include "Wmb00002.h"
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A CAT-52 file of printer BE091010100011223344 whose E12 carries these figures.
QByteArray cat52File(int crz, int coo, int cro, const QDate &day, qint64 grossCents);

// What the fake printer reports: the last-reduction array and its totalisers.
struct FakePrinter {
    bool answers = true;
    QMap<int, QString> lastReduction;
    QList<QStringList> totalizers; // VRALIQIMPFIS, CDIMPOSTO, VRVENDIDO, VRIMPOSTO
    QString model = QStringLiteral("FS-700 MACH");
    QString brand = QStringLiteral("ACME");
    bool modelAnswers = true; // Modelo_Impressora raises when false
    // The CAT-52 generator: its answer and the paths it reports (files it
    // writes with the given content when a path is under the test's folder).
    bool generates = true;
    QStringList paths;
    QByteArray content = cat52File(42, 1300, 1, QDate(2026, 12, 8), 52095);
    int generated = 0;
    QVariantList generatorArguments;
    // A complete day: every figure, for the given date.
    void reportDay(const QString &date);
};

class ScreenFlowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void writeParameters(const QByteArray &idEsquema, const QByteArray &geraArq);
    void writePrinterType(const QByteArray &tipo);
    // The tax package's list for the next press of sbtICMS.
    void setTaxLines(const QList<PacketTaxLine> &lines) { nextTaxPacket = taxLinePacket(lines, day); }

    // Opens the screen of branch 0001, register 001, printer 001 for the day.
    void open(bool automatic = false, const std::function<void(TfrmCadRedz &)> &operatorWork = {});
    // A form set up by hand (not modal), for the checks that need no operator.
    std::unique_ptr<TfrmCadRedz> setUpForm(bool automatic = false);
    // Fills the thirteen fields with typical figures, as typed.
    static void fillFields(TfrmCadRedz &form);

    int reducoes() { return db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ")); }
    int impostos() { return db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ")); }
    int arquivos() { return db.count(QStringLiteral("SELECT COUNT(*) FROM ARQCAT52")); }

    // The reference tax package's own dialog, in place of the fake.
    void useReferenceTaxDialog() { Wmb00002::CriaImpostoRedz = m_packages.saved().criaImpostoRedz; }

    static inline FakePrinter *printer = nullptr;
    static inline QVariant nextTaxPacket;
    static inline int taxDialogs = 0;
    static inline TDateTime taxDialogLastDay = 0; // the date of the last Z reduction it was given
    static inline bool taxPackageFails = false;
    static inline int noticesUp = 0;
    static inline int noticesShown = 0;

    // First of the members: the package operations are kept before the
    // set-up swaps them for the fakes, and put back after everything else.
    PackageOperationsOverride m_packages;
    // The screen records yesterday's day, whatever day the suite runs on.
    AutomationDate::PinnedClock m_clock{QDateTime(QDate(2026, 12, 9), QTime(10, 0))};
    QString dateText = QStringLiteral("08/12/2026");
    TDateTime day = AutomationDate::fromDate(QDate(2026, 12, 8));
    TestDb::Database db;
    QTemporaryDir dir;
    FakePrinter fake;
    SharedServicesHost::MessageRecorder messages;
    ScreenTest::ShowCounter shown;
};
