// The ledger on a hot standby of the PostgreSQL server (the fixture's
// replica, streaming on loopback): every command but cat52-guardar answers
// as on the primary; cat52-guardar is refused with a clear line, nothing
// stored. On the other backends there is no standby.
#include "FiscalDataSet.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QSqlQuery>
#include <QThread>

namespace {
// The suite's own database (the primary's) as the standby serves it.
QString standbyConnection(const QString &primary)
{
    QFile file(qEnvironmentVariable("KAL_PG_STANDBY_STATE") + QStringLiteral("/connection"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QUrl url(primary);
    url.setPort(QUrl(QString::fromUtf8(file.readAll()).trimmed()).port());
    return url.toString();
}

QString scalar(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    return q.exec(sql) && q.next() ? q.value(0).toString() : QString();
}

// Waits (30 s at most) until the standby has replayed what the primary wrote.
bool replayed(TestDb::Database &primary, const QString &standby)
{
    const QString lsn = scalar(primary.admin().database(), QStringLiteral("SELECT pg_current_wal_lsn()::text"));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("standby-wait"));
    const QUrl url(standby);
    db.setHostName(url.host());
    db.setPort(url.port());
    db.setUserName(url.userName());
    db.setPassword(url.password());
    db.setDatabaseName(url.path().mid(1));
    bool done = false;
    const QDeadlineTimer deadline(30000);
    while (!done && !deadline.hasExpired()) {
        done = db.open()
               && scalar(db, QStringLiteral("SELECT pg_wal_lsn_diff(pg_last_wal_replay_lsn(), '%1') >= 0").arg(lsn))
                      == QLatin1String("true");
        if (!done)
            QThread::msleep(50);
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("standby-wait"));
    return done;
}

QStringList filesIn(const QString &folder)
{
    QStringList out;
    for (const QFileInfo &f : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
        QFile file(f.filePath());
        out << f.fileName() + QLatin1Char(' ')
                   + QString::number(qHash(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()));
    }
    return out;
}
} // namespace

TEST(StandbyTest, EveryCommandButCat52GuardarAnswersOnTheStandbyAsOnThePrimary)
{
    if (TestDb::backend() != QLatin1String("postgresql"))
        GTEST_SKIP() << "the standby is a native PostgreSQL server's";
    FiscalDataSet &set = FiscalDataSet::instance();
    const QString standby = standbyConnection(set.connectionString());
    ASSERT_FALSE(standby.isEmpty()) << "no standby: KAL_PG_STANDBY_STATE";
    // N2's file of 02/12 is not stored: what cat52-guardar is refused below.
    set.db().exec(QStringLiteral("DELETE FROM ARQCAT52 WHERE CDFILIAL = '0004' AND NMARQCAT52 = 'N2.0212'"));
    ASSERT_TRUE(replayed(set.db(), standby));

    const QStringList period{"--de", "01/11/2026", "--ate", "31/12/2026"};
    const QList<QStringList> commands{
        QStringList{"auditar"} + period,
        QStringList{"auditar", "--formato", "json"} + period,
        QStringList{"auditar", "--formato", "html", "--cdfilial", "0001"} + period,
        QStringList{"auditar", "--formato", "csv", "--cdfilial", "0003", "--cdcaixa", "011"} + period,
        QStringList{"sped", "--cdfilial", "0003"} + period,
        QStringList{"sintegra", "--cdfilial", "0001"} + period};
    for (const QStringList &command : commands) {
        const ProcessRun onPrimary = FiscalDataSet::fiscal(QStringList{command.first(), "--db", set.connectionString()}
                                                           + command.mid(1));
        const ProcessRun onStandby = FiscalDataSet::fiscal(QStringList{command.first(), "--db", standby}
                                                           + command.mid(1));
        EXPECT_EQ(onStandby.exitCode, onPrimary.exitCode)
            << command.join(' ').toStdString() << onStandby.err.toStdString();
        EXPECT_EQ(onStandby.out, onPrimary.out) << command.join(' ').toStdString();
        EXPECT_FALSE(onPrimary.out.isEmpty()) << command.join(' ').toStdString();
    }
    for (const char *branch : {"0001", "0004"}) {
        QStringList outputs, folders;
        for (const QString &db : {set.connectionString(), standby}) {
            const QString folder = set.scratch(
                QStringLiteral("replica-%1-%2").arg(QLatin1String(branch)).arg(outputs.size()));
            const ProcessRun run = FiscalDataSet::fiscal(
                QStringList{"cat52-exportar", "--db", db, "--cdfilial", QLatin1String(branch), "--pasta", folder}
                + period);
            outputs << QString::number(run.exitCode) + QLatin1Char(' ') + QString::fromUtf8(run.out);
            folders << filesIn(folder).join(QLatin1Char('\n'));
        }
        EXPECT_EQ(outputs.at(1), outputs.at(0)) << branch;
        EXPECT_EQ(folders.at(1), folders.at(0)) << branch;
        EXPECT_FALSE(folders.at(0).isEmpty()) << branch;
    }

    // A replica stores nothing: a clear line, exit 1, the file still missing.
    const ProcessRun refused = FiscalDataSet::fiscal({"cat52-guardar", "--db", standby, "--cdfilial", "0004",
                                                      "--cdcaixa", "020", "--dtreducao", "02/12/2026", "--arquivo",
                                                      set.scratch(QStringLiteral("N2.0212"))});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("somente para leitura")) << refused.err.toStdString();
    EXPECT_EQ(scalar(set.db().admin().database(),
                     QStringLiteral("SELECT COUNT(*) FROM ARQCAT52 WHERE NMARQCAT52 = 'N2.0212'")),
              QStringLiteral("0"));
}
