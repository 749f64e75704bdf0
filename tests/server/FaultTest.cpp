// Faults in the middle of a save: the day is stored whole or not at all, and
// the next call works once the fault is gone.
#include "ServerFixture.h"
#include "AdoCommand.h"

using FaultTest = ServerTest;

namespace {
// Makes the first tax-line insert end the session (PostgreSQL: the server
// ends the backend, as a restart would) or fail inside the database (SQLite).
void breakTaxInsert(TestDb::Database &db)
{
    if (TestDb::isPostgres()) {
        db.exec(QStringLiteral("CREATE OR REPLACE FUNCTION derruba() RETURNS trigger AS $$ BEGIN "
                               "PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$ LANGUAGE plpgsql"));
        db.exec(QStringLiteral(
            "CREATE TRIGGER trg_derruba BEFORE INSERT ON IMPOSTOREDZ FOR EACH ROW EXECUTE FUNCTION derruba()"));
    } else {
        db.exec(QStringLiteral("CREATE TRIGGER trg_derruba BEFORE INSERT ON IMPOSTOREDZ BEGIN "
                               "SELECT RAISE(ABORT, 'disco com defeito'); END"));
    }
}
void repairTaxInsert(TestDb::Database &db)
{
    db.exec(QStringLiteral("DROP TRIGGER trg_derruba%1")
                .arg(TestDb::isPostgres() ? QStringLiteral(" ON IMPOSTOREDZ") : QString()));
}
} // namespace

TEST_F(FaultTest, ASessionLostBetweenTheTwoStatementsStoresNothing)
{
    const TDateTime day = dia(2026, 12, 8);
    breakTaxInsert(db);
    const auto result = saveDay(day, taxPacket({{QStringLiteral("T1"), 18, 100, 18}}, day));
    EXPECT_FALSE(result.ok());
    // The operator reads the same cause natively and through ODBC.
    EXPECT_TRUE(result.error().startsWith(
        TestDb::isPostgres() ? QStringLiteral("A conexão foi encerrada pelo servidor do banco de dados.\n")
                             : QStringLiteral("Gravação recusada por uma restrição do banco de dados.\n")))
        << result.error().toStdString();
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ")), 0);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ")), 0);

    // The fault is gone; the next screen set-up connects again and saves.
    repairTaxInsert(db);
    rdm().adcCadRedz.setConnected(true);
    ASSERT_TRUE(rdm().adcCadRedz.connected());
    EXPECT_TRUE(stored(saveDay(day, taxPacket({{QStringLiteral("T1"), 18, 100, 18}}, day))));
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ")), 1);
}

TEST_F(FaultTest, ASessionEndedBeforeTheSaveIsReportedAndRecovered)
{
    if (TestDb::isPostgres()) {
        // The server ends the module's session, as a restart of the server would.
        db.exec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                               "WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    } else {
        rdm().adcCadRedz.setConnected(false);
    }
    const TDateTime day = dia(2026, 12, 9);
    const auto failed = saveDay(day, taxPacket({}, day));
    EXPECT_FALSE(failed.ok());
    const QString message = failed.error();
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ")), 0);

    rdm().adcCadRedz.setConnected(true);
    EXPECT_TRUE(stored(saveDay(day, taxPacket({}, day))));
}

TEST_F(FaultTest, ADatabaseThatTakesNoMoreWritesRefusesTheSaveWhole)
{
    const TDateTime readOnlyDay = dia(2026, 12, 7);
    // The database takes no writes, as a read-only file or standby server would.
    rdm().adcCadRedz.execute(TestDb::isPostgres() ? QStringLiteral("SET default_transaction_read_only = on")
                                                  : QStringLiteral("PRAGMA query_only = ON"));
    const auto readOnly = saveDay(readOnlyDay, taxPacket({{QStringLiteral("T1"), 18, 100, 18}}, readOnlyDay));
    EXPECT_FALSE(readOnly.ok());
    EXPECT_TRUE(readOnly.error().section(QLatin1Char('\n'), 0, 0)
                == QStringLiteral("Banco de dados somente para leitura: não é possível gravar."))
        << readOnly.error().toStdString();
    EXPECT_FALSE(rdm().adcCadRedz.inTransaction());
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ")), 0);
    if (!TestDb::isPostgres()) {
        rdm().adcCadRedz.execute(QStringLiteral("PRAGMA query_only = OFF"));
        // And then full: the file may not grow past its current pages.
        const int pages = db.scalar(QStringLiteral("PRAGMA page_count")).toInt();
        rdm().adcCadRedz.execute(QStringLiteral("PRAGMA max_page_count = %1").arg(pages));
    }
    const TDateTime day = dia(2026, 12, 8);
    QList<PacketTaxLine> lines;
    for (int i = 0; i < 600; ++i)
        lines << PacketTaxLine{QStringLiteral("T%1").arg(i % 10), 18, 1000.0 + i, 180.0 + i};
    const auto full = saveDay(day, taxPacket(lines, day));
    EXPECT_FALSE(full.ok());
    if (!TestDb::isPostgres()) {
        // One sentence naming the database, SQLite's words inside it.
        const QString text = full.error();
        EXPECT_TRUE(text.startsWith(QStringLiteral("Disco cheio: não há espaço para gravar no "))
                    && text.contains(QStringLiteral("kal.db")) && !text.contains(QLatin1Char('\n')))
            << text.toStdString();
    }
    EXPECT_FALSE(full.error().isEmpty());
    EXPECT_FALSE(rdm().adcCadRedz.inTransaction());
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ")), 0);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ")), 0);

    // Room again: the same day is stored whole.
    rdm().adcCadRedz.execute(TestDb::isPostgres() ? QStringLiteral("SET default_transaction_read_only = off")
                                                  : QStringLiteral("PRAGMA max_page_count = 1073741823"));
    EXPECT_TRUE(stored(saveDay(day, taxPacket(lines, day))));
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ")), 600);
}
