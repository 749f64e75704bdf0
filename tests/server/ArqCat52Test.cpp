// Keeping the day's CAT-52 file in the central database.
#include "ServerFixture.h"
#include "ServerCalls.h"
#include "Win1252.h"

using ArqCat52Test = ServerTest;

namespace {
QVariant store(const QStringList &lines, const QString &day = QStringLiteral("08/12/2026"),
               const QString &name = QStringLiteral("AB123456.8CQ"))
{
    return Srv_kal02700::setArqCat52(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("000"),
                                     QStringLiteral("000000000000"), day, name, lines);
}
} // namespace

TEST_F(ArqCat52Test, StoresTheLinesEachEndedByCrLf)
{
    const TDateTime before = AutomationDate::now();
    const QVariant r = store({QStringLiteral("A"), QStringLiteral("B")});
    EXPECT_FALSE(r.isValid()) << r.toString().toStdString();
    const auto rows = db.rows(
        QStringLiteral("SELECT CDFILIAL, CDCAIXA, CDLOJA, CDOPERADOR, NMARQCAT52, DSARQCAT52 FROM ARQCAT52"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][0].toString(), QStringLiteral("0001"));
    EXPECT_EQ(rows[0][1].toString(), QStringLiteral("001"));
    EXPECT_EQ(rows[0][2].toString(), QStringLiteral("000"));
    EXPECT_EQ(rows[0][3].toString(), QStringLiteral("000000000000"));
    EXPECT_EQ(rows[0][4].toString(), QStringLiteral("AB123456.8CQ"));
    EXPECT_EQ(rows[0][5].toByteArray(), QByteArray("A\r\nB\r\n"));

    // The movement day at midnight; the moment of storing with its time.
    AdoQuery q(QStringLiteral("q"), &rdm().adcCadRedz);
    q.setCommandText(QStringLiteral("SELECT DTMOVCAT52, DTGERACAT52 FROM ARQCAT52"));
    q.open();
    EXPECT_EQ(q.asDateTime(QStringLiteral("DTMOVCAT52")), dia(2026, 12, 8));
    const TDateTime stored = q.asDateTime(QStringLiteral("DTGERACAT52"));
    EXPECT_GE(stored, before - 1.0 / 86400.0);
    EXPECT_LE(stored, AutomationDate::now() + 1.0 / 86400.0);
}

TEST_F(ArqCat52Test, ContentIsWindows1252AndAnEmptyListIsEmpty)
{
    EXPECT_FALSE(store({QStringLiteral("Redução Z")}).isValid());
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT DSARQCAT52 FROM ARQCAT52")).toByteArray(),
              QByteArray("Redu\xe7\xe3o Z\r\n"));

    db.exec(QStringLiteral("DELETE FROM ARQCAT52"));
    EXPECT_FALSE(store({}).isValid());
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM ARQCAT52")), 1);
    EXPECT_TRUE(db.scalar(QStringLiteral("SELECT DSARQCAT52 FROM ARQCAT52")).toByteArray().isEmpty());
}

TEST_F(ArqCat52Test, ADayThatIsNotADateStoresNothing)
{
    const QVariant r = store({QStringLiteral("A")}, QStringLiteral("31/02/2026"));
    EXPECT_EQ(r.typeId(), QMetaType::QString);
    EXPECT_TRUE(r.toString().contains(QStringLiteral("31/02/2026"))) << r.toString().toStdString();
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM ARQCAT52")), 0);
}

TEST_F(ArqCat52Test, BothDatabasesHoldTheSameWidths)
{
    // 255 characters fit a file name; 256 are refused whole, as are codes
    // wider than their columns.
    EXPECT_FALSE(store({QStringLiteral("A")}, QStringLiteral("08/12/2026"), QString(255, QLatin1Char('N'))).isValid());
    const QVariant longName = store({QStringLiteral("A")}, QStringLiteral("09/12/2026"),
                                    QString(300, QLatin1Char('N')));
    EXPECT_EQ(longName.typeId(), QMetaType::QString);
    const auto wide = [](const QString &filial, const QString &caixa, const QString &loja, const QString &operador) {
        return Srv_kal02700::setArqCat52(filial, caixa, loja, operador, QStringLiteral("10/12/2026"),
                                         QStringLiteral("X.8CQ"), {QStringLiteral("A")});
    };
    EXPECT_EQ(wide(QStringLiteral("00001"), QStringLiteral("001"), QStringLiteral("000"), QStringLiteral("0")).typeId(),
              QMetaType::QString);
    EXPECT_EQ(wide(QStringLiteral("0001"), QStringLiteral("0001"), QStringLiteral("000"), QStringLiteral("0")).typeId(),
              QMetaType::QString);
    EXPECT_EQ(wide(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("0000"), QStringLiteral("0")).typeId(),
              QMetaType::QString);
    EXPECT_EQ(wide(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("000"), QString(13, QLatin1Char('0')))
                  .typeId(),
              QMetaType::QString);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM ARQCAT52")), 1);
}

TEST_F(ArqCat52Test, AFailedContentUpdateLeavesNoEmptyRow)
{
    if (TestDb::isPostgres()) {
        db.exec(QStringLiteral("CREATE OR REPLACE FUNCTION recusa() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION "
                               "'conteudo recusado'; END $$ LANGUAGE plpgsql"));
        db.exec(QStringLiteral(
            "CREATE TRIGGER trg_recusa BEFORE UPDATE ON ARQCAT52 FOR EACH ROW EXECUTE FUNCTION recusa()"));
    } else {
        db.exec(QStringLiteral(
            "CREATE TRIGGER trg_recusa BEFORE UPDATE ON ARQCAT52 BEGIN SELECT RAISE(ABORT, 'conteudo recusado'); END"));
    }
    const QVariant r = store({QStringLiteral("A")});
    EXPECT_EQ(r.typeId(), QMetaType::QString);
    EXPECT_TRUE(r.toString().contains(QStringLiteral("conteudo recusado"))) << r.toString().toStdString();
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM ARQCAT52")), 0);
    EXPECT_FALSE(rdm().adcCadRedz.inTransaction());
}

TEST_F(ArqCat52Test, ASecondRowWithTheSameKeyTakesTheNewContentInBoth)
{
    EXPECT_FALSE(store({QStringLiteral("first")}).isValid());
    EXPECT_FALSE(store({QStringLiteral("second")}).isValid());
    // Another file name of the same day is left alone.
    EXPECT_FALSE(store({QStringLiteral("other")}, QStringLiteral("08/12/2026"), QStringLiteral("ZZ.8CQ")).isValid());
    const auto rows = db.rows(QStringLiteral("SELECT NMARQCAT52, DSARQCAT52 FROM ARQCAT52 ORDER BY NMARQCAT52"));
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0][1].toByteArray(), QByteArray("second\r\n"));
    EXPECT_EQ(rows[1][1].toByteArray(), QByteArray("second\r\n"));
    EXPECT_EQ(rows[2][1].toByteArray(), QByteArray("other\r\n"));
}

TEST_F(ArqCat52Test, EveryByteValueIsStoredAndReadBackUnchanged)
{
    // windows-1252 holds all 256 byte values (the five it leaves undefined
    // map to the C1 controls), so a line decoded from them encodes back to
    // them: the file holds every byte, NUL, CR and LF inside a line
    // included. About 1 MB of it, so that the bytes cross the buffers of the
    // drivers and of the PostgreSQL protocol.
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    const QString line = Win1252::decode(every);
    ASSERT_EQ(Win1252::encode(line), every);
    const int lines = 4096;
    QByteArray expected;
    for (int i = 0; i < lines; ++i)
        expected += every + "\r\n";

    EXPECT_FALSE(store(QStringList(lines, line)).isValid());
    // As stored, read by a native connection of the test's own...
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT DSARQCAT52 FROM ARQCAT52")).toByteArray(), expected);
    // ...and read back through the connection that stored it.
    AdoQuery q(QStringLiteral("q"), &rdm().adcCadRedz);
    q.setCommandText(QStringLiteral("SELECT DSARQCAT52 FROM ARQCAT52"));
    q.open();
    EXPECT_EQ(q.value(QStringLiteral("DSARQCAT52")).toByteArray(), expected);
}

TEST_F(ArqCat52Test, APrintersFileOfTheDayIsKeptOnceAndFoundByTheSerialItsE12Carries)
{
    namespace Server = Srv_kal02700::ServerCalls;
    // The stored serial runs past the 20 characters an E12 holds, with blanks.
    const QString serial = QStringLiteral(" BE091010100011223344XYZ ");
    const QString e12 = QStringLiteral("E12BE091010100011223344 FS-700 MACH         01000042001234000001"
                                       "2026120820261209101112")
                        + QStringLiteral("00000000052095V");
    const auto first = Server::storeCat52FileOnce(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("000"),
                                                  QStringLiteral("000000000000"), QStringLiteral("08/12/2026"),
                                                  QStringLiteral("A.8CQ"), {e12}, serial);
    ASSERT_TRUE(first.ok()) << first.error().toStdString();
    EXPECT_TRUE(first.value());
    // A second run of that printer stores nothing, whatever the file's name.
    const auto second = Server::storeCat52FileOnce(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("000"),
                                                   QStringLiteral("000000000000"), QStringLiteral("08/12/2026"),
                                                   QStringLiteral("B.8CQ"), {e12}, serial);
    ASSERT_TRUE(second.ok()) << second.error().toStdString();
    EXPECT_FALSE(second.value());
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM ARQCAT52")), 1);

    // A row written with a time of day is still the day's; another printer
    // and another day have none.
    AdoCommand later(QStringLiteral("later"), &rdm().adcCadRedz);
    later.setCommandText(QStringLiteral("UPDATE ARQCAT52 SET DTMOVCAT52 = :P_DT"));
    later.declareParam(QStringLiteral("P_DT"), ParamKind::DateTime);
    later.paramByName(QStringLiteral("P_DT")).setAsDateTime(dia(2026, 12, 8) + 10.0 / 24);
    later.execute();
    const auto found = [](TDateTime day, const QString &ofSerial) {
        const auto r = Server::printerCat52Stored(QStringLiteral("0001"), QStringLiteral("001"), day, ofSerial);
        return r.ok() ? QString::number(r.value()) : r.error();
    };
    EXPECT_EQ(found(dia(2026, 12, 8), serial), QStringLiteral("1"));
    EXPECT_EQ(found(dia(2026, 12, 8), QStringLiteral("BE0910101000112233")), QStringLiteral("0"));
    EXPECT_EQ(found(dia(2026, 12, 9), serial), QStringLiteral("0"));
}
