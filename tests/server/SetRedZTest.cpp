// Storing a Z reduction: whole or not at all.
#include "ServerFixture.h"
#include "AdoCommand.h"
#include "Exception.h"
#include <limits>

using SetRedZTest = ServerTest;

namespace {
const char *kReducaoZ = "SELECT CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, NRREDREDZ, NRREINIREDZ, NRPRIMCFREDZ, "
                        "NRULTCFREDZ, VRSTRIBREDZ, VRISENCREDZ, VRNINCIDREDZ, VRGTREDZ, VRVENBRUREDZ, VRTOTCANREDZ, "
                        "VRTOTDESREDZ, VRVENLIQREDZ, VRTOTACRREDZ, IDORIGEMREDZ, NRGERCNFREDZ, NRLEITREDZ, "
                        "NRCANCFREDZ, DSMODMARCAECF FROM REDUCAOZ";

int reducoes(TestDb::Database &db)
{
    return db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ"));
}
int impostos(TestDb::Database &db)
{
    return db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ"));
}
} // namespace

TEST_F(SetRedZTest, StoresTheReductionAndTheTaxedLinesInOrder)
{
    const TDateTime day = dia(2026, 12, 8);
    // Not in code order: the lines are stored as the packet lists them.
    const QVariant packet = taxPacket({{QStringLiteral("T3"), 7, 100, 7},
                                       {QStringLiteral("T2"), 12, 0, 0},
                                       {QStringLiteral("T1"), 18, 123.45, 22.22},
                                       {QStringLiteral("T4"), 25, 0.03, 0}},
                                      day);
    EXPECT_TRUE(stored(saveDay(day, packet)));

    const auto rows = db.rows(QLatin1String(kReducaoZ));
    ASSERT_EQ(rows.size(), 1);
    const QVariantList r = rows.first();
    const QStringList texts{QStringLiteral("0001"),       QStringLiteral("001"),
                            QStringLiteral("001"),        QStringLiteral("BE091010100011223344"),
                            QStringLiteral("0000000042"), QStringLiteral("0000000001"),
                            QStringLiteral("0000001234"), QStringLiteral("0000001300")};
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(r.at(i).toString(), texts.at(i)) << "column " << i;
    const QList<double> values{35.5, 10.0, 0.0, 1234567.89, 520.95, 2.0, 5.0, 513.95, 0.0};
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(r.at(8 + i).toDouble(), values.at(i)) << "column " << 8 + i;
    EXPECT_EQ(r.at(17).toString(), QStringLiteral("KIV"));
    EXPECT_EQ(r.at(18).toString(), QStringLiteral("0000000000"));
    EXPECT_EQ(r.at(19).toString(), QStringLiteral("0000000000"));
    EXPECT_EQ(r.at(20).toString(), QStringLiteral("0000000000"));
    EXPECT_EQ(r.at(21).toString(), QStringLiteral("FS-700 MACH|ACME"));

    // The line that sold nothing is left out; one whose tax truncates to
    // zero is kept (its base is part of the day's sales); the packet's order.
    // Rows of a fresh table come back in the order they were written: rowid
    // on SQLite, the physical position on PostgreSQL.
    const auto taxes = db.rows(QStringLiteral("SELECT CDIMPOSTO, VRALIQIMPRZ, VRBCALCIMPRZ, VRIMPOSTORZ, NRECFREDZ "
                                              "FROM IMPOSTOREDZ ORDER BY ")
                               + (TestDb::isPostgres() ? QStringLiteral("ctid") : QStringLiteral("rowid")));
    ASSERT_EQ(taxes.size(), 3);
    EXPECT_EQ(taxes[0][0].toString(), QStringLiteral("T3"));
    EXPECT_EQ(taxes[0][3].toDouble(), 7.0);
    EXPECT_EQ(taxes[1][0].toString(), QStringLiteral("T1"));
    EXPECT_EQ(taxes[1][1].toDouble(), 18.0);
    EXPECT_EQ(taxes[1][2].toDouble(), 123.45);
    EXPECT_EQ(taxes[1][3].toDouble(), 22.22);
    EXPECT_EQ(taxes[2][0].toString(), QStringLiteral("T4"));
    EXPECT_EQ(taxes[2][2].toDouble(), 0.03);
    EXPECT_EQ(taxes[2][3].toDouble(), 0.0);
}

TEST_F(SetRedZTest, ADateBoundAsADateFindsTheStoredDay)
{
    const TDateTime day = dia(2026, 2, 28);
    ASSERT_TRUE(stored(saveDay(day, taxPacket({{QStringLiteral("T1"), 18, 10, 1.8}}, day))));

    AdoQuery q(QStringLiteral("q"), &rdm().adcCadRedz);
    q.setCommandText(QStringLiteral("SELECT COUNT(*) AS N FROM REDUCAOZ R WHERE R.DTREDUCAOZ = :D AND EXISTS "
                                    "(SELECT 1 FROM IMPOSTOREDZ I WHERE I.DTREDUCAOZ = :D)"));
    q.declareParam(QStringLiteral("D"), ParamKind::Date);
    q.paramByName(QStringLiteral("D")).setAsDateTime(day);
    q.open();
    EXPECT_EQ(q.value(QStringLiteral("N")).toInt(), 1);

    q.paramByName(QStringLiteral("D")).setAsDateTime(dia(2026, 3, 1));
    q.open();
    EXPECT_EQ(q.value(QStringLiteral("N")).toInt(), 0);

    // Read back, the stored day is the same automation date.
    AdoQuery back(QStringLiteral("back"), &rdm().adcCadRedz);
    back.setCommandText(QStringLiteral("SELECT DTREDUCAOZ FROM REDUCAOZ"));
    back.open();
    EXPECT_EQ(back.asDateTime(QStringLiteral("DTREDUCAOZ")), day);
}

TEST_F(SetRedZTest, PacketsWithoutTaxedLinesStoreOnlyTheReduction)
{
    const TDateTime day = dia(2026, 12, 1);
    EXPECT_TRUE(stored(saveDay(day, taxPacket({}, day))));
    EXPECT_EQ(reducoes(db), 1);
    EXPECT_EQ(impostos(db), 0);

    const TDateTime next = dia(2026, 12, 2);
    EXPECT_TRUE(
        stored(saveDay(next, taxPacket({{QStringLiteral("00"), 0, 0, 0}, {QStringLiteral("T1"), 18, 0, 0}}, next))));
    EXPECT_EQ(reducoes(db), 2);
    EXPECT_EQ(impostos(db), 0);
}

TEST_F(SetRedZTest, AFailureOnTheSecondTaxLineLeavesNothing)
{
    const TDateTime day = dia(2026, 12, 8);
    // The second line names another printer: the database refuses a tax line
    // without its reduction.
    const QVariant packet = taxPacket(
        {{QStringLiteral("T1"), 18, 100, 18}, {QStringLiteral("T2"), 12, 100, 12, QStringLiteral("999")}}, day);
    const auto result = saveDay(day, packet);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(reducoes(db), 0);
    EXPECT_EQ(impostos(db), 0);
    EXPECT_FALSE(rdm().adcCadRedz.inTransaction());
    // The operator reads the same cause natively and through ODBC.
    EXPECT_TRUE(result.error().startsWith(
        QStringLiteral("Registro relacionado inexistente ou ainda em uso (chave estrangeira).\n")))
        << result.error().toStdString();

    // The connection is usable at once for the corrected day.
    EXPECT_TRUE(stored(saveDay(day, taxPacket({{QStringLiteral("T1"), 18, 100, 18}}, day))));
    EXPECT_EQ(impostos(db), 1);
}

TEST_F(SetRedZTest, ASecondSaveOfTheSameDayIsRefusedAndStoresNothing)
{
    const TDateTime day = dia(2026, 12, 8);
    ASSERT_TRUE(stored(saveDay(day, taxPacket({{QStringLiteral("T1"), 18, 100, 18}}, day))));
    const auto again = saveDay(day, taxPacket({{QStringLiteral("T2"), 12, 50, 6}}, day), QStringLiteral("43"));
    EXPECT_FALSE(again.ok());
    EXPECT_EQ(reducoes(db), 1);
    EXPECT_EQ(impostos(db), 1);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT NRREDREDZ FROM REDUCAOZ")).toString(), QStringLiteral("0000000042"));
    EXPECT_TRUE(again.error().startsWith(QStringLiteral("Registro duplicado: já existe um registro com esta chave.\n")))
        << again.error().toStdString();
}

TEST_F(SetRedZTest, APacketLackingAFieldIsAFailedSaveNamingIt)
{
    const TDateTime day = dia(2026, 12, 8);
    ClientDataSet cds;
    for (const char *name : {"CDFILIAL", "CDCAIXA", "NRECFREDZ", "CDIMPOSTO"})
        cds.addField(QLatin1String(name), FieldType::String, 10);
    cds.addField(QStringLiteral("DTREDUCAOZ"), FieldType::Date);
    cds.addField(QStringLiteral("VRALIQIMPRZ"), FieldType::Float);
    cds.addField(QStringLiteral("VRBCALCIMPRZ"), FieldType::Float);
    cds.createDataSet();
    const auto result = saveDay(day, cds.data());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(reducoes(db), 0);
    EXPECT_TRUE(result.error().contains(QStringLiteral("VRIMPOSTORZ"))) << result.error().toStdString();

    // Not a packet at all.
    EXPECT_FALSE(saveDay(day, QVariant(QByteArray("not a packet"))).ok());
    EXPECT_EQ(reducoes(db), 0);
}

TEST_F(SetRedZTest, ACounterThatDoesNotFitIsNeverStoredAsText)
{
    const TDateTime day = dia(2026, 12, 8);
    EXPECT_FALSE(saveDay(day, taxPacket({}, day), QStringLiteral("12345678901")).ok());
    const auto notANumber = saveDay(day, taxPacket({}, day), QStringLiteral("12a"));
    EXPECT_FALSE(notANumber.ok());
    // The operator's message names the counter.
    EXPECT_TRUE(notANumber.error().contains(QStringLiteral("Contador de redução Z inválido: '12a'")))
        << notANumber.error().toStdString();
    EXPECT_EQ(reducoes(db), 0);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ WHERE NRREDREDZ = 'ERRO'")), 0);
}

TEST_F(SetRedZTest, TextsWithQuotesAndForeignCharactersAreStoredUnharmed)
{
    const TDateTime day = dia(2026, 12, 8);
    const QString model = QStringLiteral("O'Brien\"; DROP TABLE X;--çãoΩ✓");
    const QVariant result = Srv_kal02700::setRedZ(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("001"),
                                                  QStringLiteral("SÉRIE'; --"), QStringLiteral("1"),
                                                  QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2"), 0, 0,
                                                  0, 0, 0, 0, 0, 0, 0, day, taxPacket({}, day), model);
    // What a host reads: a boolean, and no reason after a good save.
    ASSERT_EQ(result.typeId(), QMetaType::Bool);
    ASSERT_TRUE(result.toBool()) << Srv_kal02700::lastSaveReason().toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT DSMODMARCAECF FROM REDUCAOZ")).toString(), model);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT NRSERIEREDZ FROM REDUCAOZ")).toString(), QStringLiteral("SÉRIE'; --"));
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM ALIQIMPFIS")), 0);
}

TEST_F(SetRedZTest, AmountsComeBackExactly)
{
    const TDateTime day = dia(2026, 12, 8);
    const double amounts[] = {0.1, 0.7, 2.3, 99999999999.99, 1234567.891234, 0.29};
    for (int i = 0; i < 6; ++i) {
        const TDateTime d = day + i;
        ASSERT_TRUE(Srv_kal02700::setRedZ(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("001"),
                                          QStringLiteral("S"), QStringLiteral("1"), QStringLiteral("1"),
                                          QStringLiteral("1"), QStringLiteral("1"), amounts[i], 0, 0, 0, 0, 0, 0, 0, 0,
                                          d, taxPacket({}, d), QString())
                        .toBool());
    }
    const auto rows = db.rows(QStringLiteral("SELECT VRSTRIBREDZ FROM REDUCAOZ ORDER BY DTREDUCAOZ"));
    ASSERT_EQ(rows.size(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(rows[i][0].toDouble(), amounts[i]) << i;
}

TEST_F(SetRedZTest, ALostConnectionIsAFailedSaveNotACrash)
{
    const TDateTime day = dia(2026, 12, 8);
    rdm().adcCadRedz.setConnected(false);
    const auto result = saveDay(day, taxPacket({}, day));
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error().isEmpty());
    rdm().adcCadRedz.setConnected(true);
    EXPECT_EQ(reducoes(db), 0);
}

TEST_F(SetRedZTest, FiguresNoFiscalFileCanCarryAreRefusedWhoeverCalls)
{
    const TDateTime day = dia(2026, 12, 8);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QVariant goodTaxes = taxPacket({{QStringLiteral("T1"), 18, 123.45, 22.22}}, day);
    struct Case {
        QString nrRedZ;
        double subTrib, grandTotal;
        QVariant taxes;
        QString named;
    };
    const QList<Case> cases{
        {QStringLiteral("42"), nan, 1, goodTaxes, QStringLiteral("Substituição Tributária (F1): \"nan\"")},
        {QStringLiteral("42"), 0, inf, goodTaxes, QStringLiteral("Totalizador Geral: \"inf\"")},
        {QStringLiteral("42"), -0.01, 1, goodTaxes, QStringLiteral("Substituição Tributária (F1): \"-0,01\"")},
        // Fifteen digits where the day's total carries fourteen.
        {QStringLiteral("42"), 0, 1234567890123.45, goodTaxes, QStringLiteral("Totalizador Geral")},
        {QStringLiteral("42"), 0, 1, taxPacket({{QStringLiteral("T1"), 18, 123.45, nan}}, day),
         QStringLiteral("Imposto T1, imposto")},
        {QStringLiteral("42"), 0, 1, taxPacket({{QStringLiteral("T1"), 100, 10, 10}}, day),
         QStringLiteral("Imposto T1, alíquota")},
        // A negative tax is refused, never dropped as a line without tax.
        {QStringLiteral("42"), 0, 1, taxPacket({{QStringLiteral("T1"), 18, 10, -1.8}}, day),
         QStringLiteral("Imposto T1, imposto: \"-1,8\" é negativo")},
        // The CAT-52 E12 carries six digits of the CRZ.
        {QStringLiteral("1234567"), 0, 1, goodTaxes, QStringLiteral("Contador de redução Z inválido: '1234567'")},
    };
    const auto exported = [&](const Case &c) {
        return Srv_kal02700::setRedZ(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("001"),
                                     QStringLiteral("BE0910"), c.nrRedZ, QStringLiteral("1"), QStringLiteral("1"),
                                     QStringLiteral("2"), c.subTrib, 0, 0, c.grandTotal, 0, 0, 0, 0, 0, day, c.taxes,
                                     QString());
    };
    for (const Case &c : cases) {
        const auto refused = Srv_kal02700::storeReduction(
            QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("001"), QStringLiteral("BE0910"), c.nrRedZ,
            QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2"), c.subTrib, 0, 0, c.grandTotal, 0, 0, 0, 0, 0,
            day, c.taxes, QString());
        EXPECT_FALSE(refused.ok()) << c.named.toStdString();
        EXPECT_TRUE(refused.error().contains(c.named)) << refused.error().toStdString();
        // Where a host reads the reason of the last save: the same, on one line.
        EXPECT_EQ(exported(c), QVariant(false)) << c.named.toStdString();
        EXPECT_EQ(Srv_kal02700::lastSaveReason(), refused.error().simplified());
    }
    EXPECT_EQ(reducoes(db), 0);
    EXPECT_EQ(impostos(db), 0);
    // The same day with figures a file can carry is stored, and the reason cleared.
    EXPECT_EQ(exported({QStringLiteral("42"), 0, 1, goodTaxes, QString()}), QVariant(true))
        << Srv_kal02700::lastSaveReason().toStdString();
    EXPECT_TRUE(Srv_kal02700::lastSaveReason().isEmpty());
}
