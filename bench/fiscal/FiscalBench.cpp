// The fiscal ledger's benchmark: fills SQLite (and PostgreSQL when
// KAL_BENCH_PG names a server) with ten years of a hundred registers, then
// times kal02700-fiscal auditar over all of it, reads its peak memory, and
// compares it with the sqlite3 command-line tool reading the same rows of
// REDUCAOZ and IMPOSTOREDZ in the order the audit reads them. The last line
// is the ratio of the two on SQLite.
#include "ConnectionString.h"
#include "DatabaseDialect.h"
#include "FiscalBenchData.h"
#include "LedgerSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

struct Measure {
    double seconds = 0;
    long peakKiB = 0;
    int exitCode = -1;
};

// Runs a program with standard output thrown away (and standard input from a
// file when given); its wall time and its own peak resident memory.
Measure run(const QStringList &command, const QString &input = {})
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (!input.isEmpty())
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, QFile::encodeName(input).constData(), O_RDONLY, 0);
    std::vector<QByteArray> bytes;
    for (const QString &a : command)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    Measure m;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot run %s\n", argv[0]);
        posix_spawn_file_actions_destroy(&actions);
        return m;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    m.seconds = double(clock.nsecsElapsed()) / 1e9;
    m.peakKiB = usage.ru_maxrss;
    m.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return m;
}

// The better of two runs: the first warms the page cache.
Measure best(const QStringList &command, const QString &input = {})
{
    const Measure a = run(command, input);
    const Measure b = run(command, input);
    Measure m = a.seconds <= b.seconds ? a : b;
    m.peakKiB = std::max(a.peakKiB, b.peakKiB);
    return m;
}

// The audit's two chain statements with the period's values written in, on
// a session set up as the ledger's own.
QString baselineSql(const DatabaseDialect &dialect, const QString &de, const QString &ate, const QString &depois)
{
    QString sql;
    for (const QString &statement :
         dialect.sessionStatements(DatabaseDialect::SessionUse::ReadOnly, ConnectionString()))
        sql += statement + QStringLiteral(";\n");
    for (const char *name : {"reducoes-cadeia", "impostos-cadeia"}) {
        QString text = LedgerSession::statementText(QLatin1String(name), dialect);
        text.replace(QStringLiteral(":depois"), QLatin1Char('\'') + depois + QLatin1Char('\''));
        text.replace(QStringLiteral(":de"), QLatin1Char('\'') + de + QLatin1Char('\''));
        text.replace(QStringLiteral(":ate"), QLatin1Char('\'') + ate + QLatin1Char('\''));
        text.replace(QStringLiteral(":cdfilial"), QStringLiteral("''"));
        text.replace(QStringLiteral(":cdcaixa"), QStringLiteral("''"));
        sql += text + QStringLiteral(";\n");
    }
    return sql;
}

void writeFile(const QString &path, const QString &text)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toUtf8());
}

void line(const QString &text)
{
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

QString mib(long kib)
{
    return QString::number(double(kib) / 1024.0, 'f', 1) + QStringLiteral(" MiB");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool keep = args.contains(QStringLiteral("--keep"));
    const QString work = qEnvironmentVariable("KAL_BENCH_WORK", QDir::currentPath());
    const QString fiscal = QCoreApplication::applicationDirPath() + QStringLiteral("/kal02700-fiscal");
    const QString source = QStringLiteral(KAL_SOURCE_DIR);
    FiscalBenchData::Size size;
    const QString de = QStringLiteral("%1-01-01").arg(size.firstYear);
    const QString ate = QStringLiteral("%1-12-31").arg(size.firstYear + size.years - 1);
    const QString depois = QStringLiteral("%1-01-01").arg(size.firstYear + size.years);
    const QString deBr = QStringLiteral("01/01/%1").arg(size.firstYear);
    const QString ateBr = QStringLiteral("31/12/%1").arg(size.firstYear + size.years - 1);

    const QString sqlitePath = QDir(work).filePath(QStringLiteral("fiscal-bench.db"));
    if (!keep || !QFileInfo::exists(sqlitePath)) {
        QElapsedTimer clock;
        clock.start();
        const auto counts = FiscalBenchData::fillSqlite(
            sqlitePath.toStdString(), (source + QStringLiteral("/db/schema-sqlite.sql")).toStdString(), size);
        line(QStringLiteral(
                 "SQLite: %1 Reduções Z, %2 linhas de imposto, %3 movimentos, %4 arquivos CAT-52 gravados em %5 s")
                 .arg(counts.reductions)
                 .arg(counts.taxLines)
                 .arg(counts.movements)
                 .arg(counts.files)
                 .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
    }

    const QString baselineFile = QDir(work).filePath(QStringLiteral("fiscal-bench-sqlite.sql"));
    writeFile(baselineFile, baselineSql(DatabaseDialect::sqlite(), de, ate, depois));
    const Measure reading = best({QStringLiteral("sqlite3"), sqlitePath}, baselineFile);
    line(QStringLiteral("sqlite3 lendo REDUCAOZ e IMPOSTOREDZ na ordem da auditoria: %1 s, pico %2")
             .arg(reading.seconds, 0, 'f', 2)
             .arg(mib(reading.peakKiB)));

    const QString db = QStringLiteral("sqlite:") + sqlitePath;
    const Measure audit = best({fiscal, QStringLiteral("auditar"), QStringLiteral("--db"), db, QStringLiteral("--de"),
                                deBr, QStringLiteral("--ate"), ateBr});
    line(QStringLiteral("auditar SQLite, %1 a %2: %3 s, pico %4 (saída %5)")
             .arg(deBr, ateBr)
             .arg(audit.seconds, 0, 'f', 2)
             .arg(mib(audit.peakKiB))
             .arg(audit.exitCode));
    const struct {
        const char *what, *from, *to;
    } periods[] = {{"um ano", "01/01/2024", "31/12/2024"}, {"um mês", "01/12/2024", "31/12/2024"}};
    for (const auto &p : periods) {
        const Measure m = run({fiscal, QStringLiteral("auditar"), QStringLiteral("--db"), db, QStringLiteral("--de"),
                               QLatin1String(p.from), QStringLiteral("--ate"), QLatin1String(p.to)});
        line(QStringLiteral("auditar SQLite, %1: %2 s, pico %3")
                 .arg(QString::fromUtf8(p.what))
                 .arg(m.seconds, 0, 'f', 2)
                 .arg(mib(m.peakKiB)));
    }
    const Measure html = run({fiscal, QStringLiteral("auditar"), QStringLiteral("--db"), db, QStringLiteral("--de"),
                              deBr, QStringLiteral("--ate"), ateBr, QStringLiteral("--formato"),
                              QStringLiteral("html")});
    line(QStringLiteral("auditar SQLite em HTML, tudo: %1 s, pico %2")
             .arg(html.seconds, 0, 'f', 2)
             .arg(mib(html.peakKiB)));

    const QString pg = qEnvironmentVariable("KAL_BENCH_PG");
    if (!pg.isEmpty()) {
        QElapsedTimer clock;
        clock.start();
        const auto counts = FiscalBenchData::fillPostgres(
            pg.toStdString(), (source + QStringLiteral("/db/schema-postgresql.sql")).toStdString(), size);
        line(QStringLiteral("PostgreSQL: %1 Reduções Z gravadas em %2 s")
                 .arg(counts.reductions)
                 .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
        const QString pgFile = QDir(work).filePath(QStringLiteral("fiscal-bench-postgresql.sql"));
        writeFile(pgFile, baselineSql(DatabaseDialect::postgresql(), de, ate, depois));
        const Measure psql = best({QStringLiteral("psql"), QStringLiteral("-X"), QStringLiteral("-q"),
                                   QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-f"), pgFile, pg});
        line(QStringLiteral("psql lendo REDUCAOZ e IMPOSTOREDZ na ordem da auditoria: %1 s, pico %2")
                 .arg(psql.seconds, 0, 'f', 2)
                 .arg(mib(psql.peakKiB)));
        const Measure pgAudit = best({fiscal, QStringLiteral("auditar"), QStringLiteral("--db"), pg,
                                      QStringLiteral("--de"), deBr, QStringLiteral("--ate"), ateBr});
        line(QStringLiteral("auditar PostgreSQL, %1 a %2: %3 s, pico %4 (saída %5)")
                 .arg(deBr, ateBr)
                 .arg(pgAudit.seconds, 0, 'f', 2)
                 .arg(mib(pgAudit.peakKiB))
                 .arg(pgAudit.exitCode));
        line(QStringLiteral("auditar/leitura psql ratio: %1").arg(pgAudit.seconds / psql.seconds, 0, 'f', 2));
    }
    line(QStringLiteral("auditar/leitura sqlite3 ratio: %1").arg(audit.seconds / reading.seconds, 0, 'f', 2));
    return 0;
}
