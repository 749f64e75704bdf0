// The files around the ledger: its output never lands on the database it
// reads, a write that fails ends the command with an error instead of a cut
// output, and a database on read-only media is read all the same.
#include "FiscalDataSet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList period(const char *command)
{
    return {QLatin1String(command), "--db",  FiscalDataSet::instance().connectionString(),
            "--cdfilial",           "0001",  "--de",
            "01/12/2026",           "--ate", "31/12/2026"};
}
} // namespace

TEST(LedgerFilesTest, OutputNeverOverwritesTheDatabaseAndEveryWriteIsChecked)
{
    FiscalDataSet &set = FiscalDataSet::instance();
    const QString database = set.databaseFile();
    if (!database.isEmpty()) {
        const QFileInfo info(database);
        // The file by another spelling, its -wal companion through a link
        // (whether the journal has one now or not).
        const QString spelled = info.absolutePath() + QStringLiteral("/../") + info.dir().dirName()
                                + QStringLiteral("/./") + info.fileName();
        const QString walLink = set.scratch(QStringLiteral("wal-link"));
        QFile::remove(walLink);
        ASSERT_TRUE(QFile::link(info.absoluteFilePath() + QStringLiteral("-wal"), walLink));
        const QByteArray before = readAll(database);
        const QByteArray walBefore = readAll(walLink);
        ASSERT_FALSE(before.isEmpty());
        for (const char *command : {"auditar", "sped", "sintegra"}) {
            for (const QString &target : {spelled, walLink}) {
                const ProcessRun run = FiscalDataSet::fiscal(period(command) << "--saida" << target);
                EXPECT_EQ(run.exitCode, 2) << command << " " << target.toStdString();
                EXPECT_TRUE(run.err.contains("do próprio banco de dados")) << run.err.toStdString();
                EXPECT_TRUE(run.out.isEmpty());
            }
        }
        EXPECT_EQ(readAll(database), before);
        EXPECT_EQ(readAll(walLink), walBefore);
    }

    // A full device, as a file to write or as standard output: an error, never
    // a cut output taken for a whole one.
    for (const char *command : {"auditar", "sped", "sintegra"}) {
        ProcessRun run = FiscalDataSet::fiscal(period(command) << "--saida"
                                                               << "/dev/full");
        EXPECT_EQ(run.exitCode, 1) << command;
        EXPECT_TRUE(run.err.contains("Não foi possível escrever em /dev/full")) << run.err.toStdString();
        run = FiscalDataSet::fiscal(period(command), QStringLiteral("/dev/full"));
        EXPECT_EQ(run.exitCode, 1) << command;
        EXPECT_TRUE(run.err.contains("Não foi possível escrever na saída padrão")) << run.err.toStdString();
    }
    // A FIFO nobody reads: told at once, never waited on.
    const QString fifo = set.scratch(QStringLiteral("saida-fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const ProcessRun unread = FiscalDataSet::fiscal(period("sped") << "--saida" << fifo);
    EXPECT_EQ(unread.exitCode, 1);
    EXPECT_TRUE(unread.err.contains("nenhum programa lê esse FIFO")) << unread.err.toStdString();
    // A file that cannot grow past a limit, as on a full disk: the old one
    // stays as it was, nothing is left beside it. The limit leaves room for
    // the 32 KB SQLite's shared-memory file may need; the page passes it.
    const QString saved = set.scratch(QStringLiteral("auditoria-anterior.html"));
    {
        QFile old(saved);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate) && old.write("anterior\n") == 9);
    }
    const QStringList page{
        "auditar", "--db", set.connectionString(), "--de", "01/11/2026", "--ate", "31/12/2026", "--formato", "html",
        "--saida", saved};
    constexpr qint64 limit = 34000;
    ASSERT_EQ(FiscalDataSet::fiscal(page, QStringLiteral("/dev/null")).exitCode, 3);
    ASSERT_GT(QFileInfo(saved).size(), limit);
    {
        QFile old(saved);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate) && old.write("anterior\n") == 9);
    }
    const ProcessRun cut = FiscalDataSet::fiscal(page, QString(), limit);
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_TRUE(cut.err.contains("Não foi possível gravar o arquivo " + saved.toUtf8()
                                 + ": o arquivo passou do tamanho permitido"))
        << cut.err.toStdString();
    EXPECT_EQ(readAll(saved), QByteArray("anterior\n"));
    EXPECT_EQ(
        QDir(set.scratch(QString())).entryList({QStringLiteral("auditoria-anterior*")}, QDir::Files | QDir::Hidden),
        QStringList{QStringLiteral("auditoria-anterior.html")});
}

TEST(LedgerFilesTest, AQuietDatabaseOnReadOnlyMediaIsReadAsItIs)
{
    FiscalDataSet &set = FiscalDataSet::instance();
    if (!set.connectionString().startsWith(QLatin1String("sqlite:")))
        GTEST_SKIP() << "a file reached through Qt's SQLite driver";
    // A WAL database copied whole (its -wal folded in) into a folder that is
    // then made read-only: no -shm can be made beside it.
    const QString folder = set.scratch(QStringLiteral("somente-leitura"));
    const QString copy = folder + QStringLiteral("/loja.db");
    ASSERT_TRUE(QDir().mkpath(folder));
    set.db().exec(QStringLiteral("VACUUM INTO '%1'").arg(copy));
    {
        QSqlDatabase wal = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("copia"));
        wal.setDatabaseName(copy);
        ASSERT_TRUE(wal.open());
        QSqlQuery mode(QStringLiteral("PRAGMA journal_mode = WAL"), wal);
        ASSERT_TRUE(mode.next() && mode.value(0).toString() == QLatin1String("wal"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("copia"));
    ASSERT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("loja.db")});
    // Root writes through a mode of 0555: then the folder is made immutable,
    // which stops root too (where the filesystem has the attribute).
    struct Unlock {
        QString folder;
        ~Unlock()
        {
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), folder});
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    } unlock{folder};
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    auto writable = [&] { return ::access(QFile::encodeName(folder).constData(), W_OK) == 0; };
    if (writable())
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder});
    if (writable())
        GTEST_SKIP() << "this user writes into a folder of mode 0555 and the filesystem has no immutable attribute";

    QStringList audit = period("auditar");
    const ProcessRun live = FiscalDataSet::fiscal(audit);
    audit[2] = QStringLiteral("sqlite:") + copy;
    const ProcessRun readOnly = FiscalDataSet::fiscal(audit);
    EXPECT_EQ(readOnly.exitCode, 3) << readOnly.err.toStdString();
    EXPECT_EQ(readOnly.out, live.out);
    EXPECT_FALSE(readOnly.out.isEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("loja.db")});
}

TEST(LedgerFilesTest, OnAFullDiskEveryFailureSaysSo)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a full disk needs a small tmpfs, which only root may mount; not run as root";
    FiscalDataSet &set = FiscalDataSet::instance();
    const QString full = set.scratch(QStringLiteral("cheio"));
    ASSERT_TRUE(QDir().mkpath(full));
    if (QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=1m", "tmpfs", full}) != 0)
        GTEST_SKIP() << "tmpfs cannot be mounted here";
    struct Unmount {
        QString folder;
        ~Unmount() { QProcess::execute(QStringLiteral("umount"), {folder}); }
    } unmount{full};
    // A quiet WAL copy of the database, then not a byte left beside it.
    const bool sqlite = set.connectionString().startsWith(QLatin1String("sqlite:"));
    const QString copy = full + QStringLiteral("/loja.db");
    if (sqlite) {
        set.db().exec(QStringLiteral("VACUUM INTO '%1'").arg(copy));
        QSqlDatabase wal = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("cheio"));
        wal.setDatabaseName(copy);
        ASSERT_TRUE(wal.open() && QSqlQuery(QStringLiteral("PRAGMA journal_mode = WAL"), wal).next());
        wal.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("cheio"));
    {
        QFile filler(full + QStringLiteral("/ocupado"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    const QStringList before = QDir(full).entryList(QDir::Files | QDir::Hidden);

    ProcessRun run = FiscalDataSet::fiscal({"cat52-exportar", "--db", set.connectionString(), "--cdfilial", "0001",
                                            "--de", "01/12/2026", "--ate", "31/12/2026", "--pasta", full});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.count(": disco cheio; ele não foi criado nem alterado; não exportado\n"), 10)
        << run.out.toStdString();
    EXPECT_EQ(QDir(full).entryList(QDir::Files | QDir::Hidden), before) << "no file left on the full disk";

    // SQLite cannot make the -shm file it reads the copy through.
    if (sqlite) {
        QStringList audit = period("auditar");
        audit[2] = QStringLiteral("sqlite:") + copy;
        run = FiscalDataSet::fiscal(audit);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(": Disco cheio: não há espaço para gravar no arquivo SQLite " + copy.toUtf8()))
            << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("\ndisk I/O error"));
    }
}
