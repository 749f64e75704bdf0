// The host killed (SIGKILL) in the middle of a save: the database holds the
// whole day or none of it, and the next run works.
#include "HostInstall.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>

namespace {
// Every stored day has both of its tax lines, and every CAT-52 row its file.
void expectNothingHalfWritten(TestDb::Database &db)
{
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ R WHERE (SELECT COUNT(*) FROM IMPOSTOREDZ I "
                                      "WHERE I.CDCAIXA = R.CDCAIXA AND I.DTREDUCAOZ = R.DTREDUCAOZ) <> 2")),
              0);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ I WHERE NOT EXISTS (SELECT 1 FROM REDUCAOZ R "
                                      "WHERE I.CDCAIXA = R.CDCAIXA AND I.DTREDUCAOZ = R.DTREDUCAOZ)")),
              0);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM ARQCAT52 WHERE DSARQCAT52 IS NULL")), 0);
    if (!TestDb::isPostgres()) {
        EXPECT_EQ(db.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    }
}

// Waits until another session of this suite's database sleeps in the
// slowed-down trigger (suites on other databases of the server sleep in
// theirs at the same time); false on time-out.
bool waitForTrigger(TestDb::Database &db)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 30000) {
        if (db.count(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE pid <> pg_backend_pid() "
                                    "AND datname = current_database() AND state = 'active' "
                                    "AND wait_event = 'PgSleep'"))
            > 0)
            return true;
        QThread::msleep(20);
    }
    return false;
}

void waitForSessionsToEnd(TestDb::Database &db)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 30000
           && db.count(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE pid <> pg_backend_pid() "
                                      "AND datname = current_database()"))
                  > 0)
        QThread::msleep(50);
}
} // namespace

using KillTest = HostInstall;

TEST_F(KillTest, KilledAtRandomMomentsLeavesNothingHalfWritten)
{
    QRandomGenerator random(20261208);
    int stored = 0;
    for (int back = 10; back >= 1; --back) {
        const QString day = text(today.addDays(-back));
        auto process = start(automaticCall(QStringLiteral("001"), day, writePrinter(day)));
        QThread::msleep(random.bounded(30, 400));
        process->kill();
        process->waitForFinished(30000);
        if (TestDb::isPostgres())
            waitForSessionsToEnd(db);
        expectNothingHalfWritten(db);
        stored = db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ"));
    }
    // Once nobody kills it, the host records the next day.
    const HostRun next = run(automaticCall(QStringLiteral("001"), text(today), writePrinter(text(today))));
    EXPECT_EQ(next.exitCode, 0) << next.out.toStdString() << next.err.toStdString();
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ")), stored + 1);
    expectNothingHalfWritten(db);
}

TEST_F(KillTest, KilledInsideTheSaveStoresNoneOfTheDay)
{
    const QString day = text(today);
    const QString printer = writePrinter(day);
    std::unique_ptr<QProcess> process;
    if (TestDb::isPostgres()) {
        // The tax-line insert takes its time: the host is killed while the
        // Z reduction row is written and its tax lines are not.
        db.exec(QStringLiteral(
            "CREATE OR REPLACE FUNCTION devagar() RETURNS trigger AS $$ BEGIN PERFORM pg_sleep(1); RETURN NEW; END "
            "$$ LANGUAGE plpgsql"));
        db.exec(QStringLiteral(
            "CREATE TRIGGER trg_devagar BEFORE INSERT ON IMPOSTOREDZ FOR EACH ROW EXECUTE FUNCTION devagar()"));
        process = start(automaticCall(QStringLiteral("001"), day, printer));
        ASSERT_TRUE(waitForTrigger(db));
        process->kill();
        process->waitForFinished(30000);
        waitForSessionsToEnd(db);
        db.exec(QStringLiteral("DROP TRIGGER trg_devagar ON IMPOSTOREDZ"));
    } else {
        // Another writer holds the file: the host is killed while its save
        // waits for the lock.
        db.exec(QStringLiteral("BEGIN IMMEDIATE"));
        process = start(automaticCall(QStringLiteral("001"), day, printer));
        QThread::msleep(1500);
        process->kill();
        process->waitForFinished(30000);
        db.exec(QStringLiteral("COMMIT"));
    }
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ")), 0);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ")), 0);
    expectNothingHalfWritten(db);

    const HostRun next = run(automaticCall(QStringLiteral("001"), day, printer));
    EXPECT_EQ(next.exitCode, 0) << next.out.toStdString() << next.err.toStdString();
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ")), 2);
}

TEST_F(KillTest, KilledWhileStoringTheFileLeavesNoEmptyFileRow)
{
    const QString day = text(yesterday);
    if (TestDb::isPostgres()) {
        db.exec(QStringLiteral(
            "CREATE OR REPLACE FUNCTION devagar() RETURNS trigger AS $$ BEGIN PERFORM pg_sleep(1); RETURN NEW; END "
            "$$ LANGUAGE plpgsql"));
        db.exec(QStringLiteral(
            "CREATE TRIGGER trg_devagar BEFORE UPDATE ON ARQCAT52 FOR EACH ROW EXECUTE FUNCTION devagar()"));
        auto process = start(automaticCall(QStringLiteral("001"), day, writePrinter(day)));
        ASSERT_TRUE(waitForTrigger(db));
        process->kill();
        process->waitForFinished(30000);
        waitForSessionsToEnd(db);
        db.exec(QStringLiteral("DROP TRIGGER trg_devagar ON ARQCAT52"));
    } else {
        // Storing the file's content takes its time (a trigger that counts
        // to twenty million): the host is killed while the file row is being
        // written, its day committed before.
        db.exec(QStringLiteral("CREATE TRIGGER trg_devagar BEFORE UPDATE ON ARQCAT52 BEGIN SELECT COUNT(*) FROM "
                               "(WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 20000000) "
                               "SELECT x FROM c); END"));
        auto process = start(automaticCall(QStringLiteral("001"), day, writePrinter(day)));
        QElapsedTimer timer;
        timer.start();
        while (db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ")) == 0 && timer.elapsed() < 30000)
            QThread::msleep(10);
        QThread::msleep(700);
        process->kill();
        process->waitForFinished(30000);
        db.exec(QStringLiteral("DROP TRIGGER trg_devagar"));
    }
    // The day itself was committed before the file was stored.
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ")), 1);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM ARQCAT52")), 0);
    expectNothingHalfWritten(db);

    // Reruns finish the day. A printer whose last Z reduction is of another
    // day cannot make the file: the line says to run the host again once
    // the cause is put right.
    const HostRun otherDay = run(
        automaticCall(QStringLiteral("001"), day, writePrinter(text(today), QStringLiteral("hoje.json"))));
    EXPECT_EQ(otherDay.exitCode, 1) << otherDay.out.toStdString() << otherDay.err.toStdString();
    EXPECT_EQ(otherDay.err,
              QStringLiteral("kal02700-host: A Redução Z de %1 já estava gravada, sem o arquivo Cat-52, que não pôde "
                             "ser gravado: a última redução Z da impressora não é do dia %1, e sim do dia %2: o "
                             "arquivo Cat-52 do dia %1 não pode ser gerado. O arquivo não foi escrito: torne a "
                             "pasta dos arquivos Cat-52 gravável (ou corrija a causa acima) e execute o "
                             "kal02700-host de novo.\n")
                  .arg(day, text(today)));
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM ARQCAT52")), 0);
    // The day's own printer: the missing file is stored, once.
    const HostRun finished = run(automaticCall(QStringLiteral("001"), day, writePrinter(day)));
    EXPECT_EQ(finished.exitCode, 1) << finished.out.toStdString() << finished.err.toStdString();
    const QString done =
        QStringLiteral("A Redução Z de %1 já estava gravada; o arquivo Cat-52 que faltava foi gravado.").arg(day);
    EXPECT_EQ(finished.out, done + u'\n');
    EXPECT_EQ(finished.err, QStringLiteral("kal02700-host: ") + done + u'\n');
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM ARQCAT52 WHERE LENGTH(DSARQCAT52) > 0")), 1);
    const HostRun again = run(automaticCall(QStringLiteral("001"), day, writePrinter(day)));
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err,
              QStringLiteral("kal02700-host: A Redução Z de %1 do caixa 001 (ECF 001) já está gravada.\n").arg(day));
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM ARQCAT52")), 1);
    expectNothingHalfWritten(db);
}
