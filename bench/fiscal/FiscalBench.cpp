// The fiscal ledger's benchmark: fills SQLite (and PostgreSQL when
// KAL_BENCH_PG names a server) with ten years of a hundred registers, then
// times kal02700-fiscal auditar over all of it, reads its peak memory, and
// compares it with the sqlite3 command-line tool reading the same rows of
// REDUCAOZ and IMPOSTOREDZ in the order the audit reads them. The last line
// is the ratio of the two on SQLite. Each audit run prints one line,
// "auditar RUN BACKEND: S s, M MB", for scripts.
#include "ConnectionString.h"
#include "DatabaseDialect.h"
#include "FiscalBenchData.h"
#include "LedgerSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QList>
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

struct Run {
    const char *name; // as the line prints it
    QString from, to, cdFilial;
};

// The ledger's audit runs: a day of every register, a month of one branch,
// a year, and the whole ten years.
QList<Run> auditRuns(const FiscalBenchData::Size &size)
{
    const int last = size.firstYear + size.years - 1;
    return {{"1 dia", QStringLiteral("15/06/%1").arg(last), QStringLiteral("15/06/%1").arg(last), {}},
            {"1 mes filial", QStringLiteral("01/06/%1").arg(last), QStringLiteral("30/06/%1").arg(last),
             QStringLiteral("0005")},
            {"1 ano", QStringLiteral("01/01/%1").arg(last), QStringLiteral("31/12/%1").arg(last), {}},
            {"10 anos", QStringLiteral("01/01/%1").arg(size.firstYear), QStringLiteral("31/12/%1").arg(last), {}}};
}

struct Bench {
    QString work, fiscal, source;
    FiscalBenchData::Size size;
    QString de, ate, depois;
};

Bench setUp()
{
    Bench b;
    b.work = qEnvironmentVariable("KAL_BENCH_WORK", QDir::currentPath());
    b.fiscal = QCoreApplication::applicationDirPath() + QStringLiteral("/kal02700-fiscal");
    b.source = QStringLiteral(KAL_SOURCE_DIR);
    b.de = QStringLiteral("%1-01-01").arg(b.size.firstYear);
    b.ate = QStringLiteral("%1-12-31").arg(b.size.firstYear + b.size.years - 1);
    b.depois = QStringLiteral("%1-01-01").arg(b.size.firstYear + b.size.years);
    return b;
}

// The whole kal02700-fiscal auditar process of each run, timed from outside
// (the better of two), one line each as scripts read them. The ten years'
// measure is returned.
Measure timeAuditRuns(const Bench &b, const QString &db, const char *backend)
{
    Measure whole;
    for (const Run &r : auditRuns(b.size)) {
        QStringList command{b.fiscal,
                            QStringLiteral("auditar"),
                            QStringLiteral("--db"),
                            db,
                            QStringLiteral("--de"),
                            r.from,
                            QStringLiteral("--ate"),
                            r.to};
        if (!r.cdFilial.isEmpty())
            command << QStringLiteral("--cdfilial") << r.cdFilial;
        const Measure m = best(command);
        line(QStringLiteral("auditar %1 %2: %3 s, %4 MB")
                 .arg(QLatin1String(r.name), QLatin1String(backend))
                 .arg(m.seconds, 0, 'f', 3)
                 .arg(double(m.peakKiB) / 1024.0, 0, 'f', 1));
        whole = m;
    }
    return whole;
}

// The SQLite data set, made once: --keep reuses the file a previous run left.
QString prepareSqlite(const Bench &b, bool keep)
{
    const QString path = QDir(b.work).filePath(QStringLiteral("fiscal-bench.db"));
    if (keep && QFileInfo::exists(path))
        return path;
    QElapsedTimer clock;
    clock.start();
    const auto counts = FiscalBenchData::fillSqlite(
        path.toStdString(), (b.source + QStringLiteral("/db/schema-sqlite.sql")).toStdString(), b.size);
    line(QStringLiteral(
             "SQLite: %1 Reduções Z, %2 linhas de imposto, %3 movimentos, %4 arquivos CAT-52 gravados em %5 s")
             .arg(counts.reductions)
             .arg(counts.taxLines)
             .arg(counts.movements)
             .arg(counts.files)
             .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
    return path;
}

// SQLite: the audit runs, the sqlite3 tool reading the same rows, the HTML
// page of everything. The ratio of the ten years to the plain read.
double benchSqlite(const Bench &b, bool keep)
{
    const QString path = prepareSqlite(b, keep);
    const QString baselineFile = QDir(b.work).filePath(QStringLiteral("fiscal-bench-sqlite.sql"));
    writeFile(baselineFile, baselineSql(DatabaseDialect::sqlite(), b.de, b.ate, b.depois));
    const Measure reading = best({QStringLiteral("sqlite3"), path}, baselineFile);
    line(QStringLiteral("sqlite3 lendo REDUCAOZ e IMPOSTOREDZ na ordem da auditoria: %1 s, pico %2")
             .arg(reading.seconds, 0, 'f', 2)
             .arg(mib(reading.peakKiB)));
    const QString db = QStringLiteral("sqlite:") + path;
    const Measure audit = timeAuditRuns(b, db, "sqlite");
    const Run whole = auditRuns(b.size).last();
    const Measure html = run({b.fiscal, QStringLiteral("auditar"), QStringLiteral("--db"), db, QStringLiteral("--de"),
                              whole.from, QStringLiteral("--ate"), whole.to, QStringLiteral("--formato"),
                              QStringLiteral("html")});
    line(QStringLiteral("auditar SQLite em HTML, tudo: %1 s, pico %2")
             .arg(html.seconds, 0, 'f', 2)
             .arg(mib(html.peakKiB)));
    return audit.seconds / reading.seconds;
}

// PostgreSQL: the same data in the server given, the same runs, psql reading
// the same rows; the ratio line.
void benchPostgres(const Bench &b, const QString &pg)
{
    QElapsedTimer clock;
    clock.start();
    const auto counts = FiscalBenchData::fillPostgres(
        pg.toStdString(), (b.source + QStringLiteral("/db/schema-postgresql.sql")).toStdString(), b.size);
    line(QStringLiteral("PostgreSQL: %1 Reduções Z gravadas em %2 s")
             .arg(counts.reductions)
             .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
    const QString pgFile = QDir(b.work).filePath(QStringLiteral("fiscal-bench-postgresql.sql"));
    writeFile(pgFile, baselineSql(DatabaseDialect::postgresql(), b.de, b.ate, b.depois));
    const Measure psql = best({QStringLiteral("psql"), QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"),
                               QStringLiteral("-t"), QStringLiteral("-f"), pgFile, pg});
    line(QStringLiteral("psql lendo REDUCAOZ e IMPOSTOREDZ na ordem da auditoria: %1 s, pico %2")
             .arg(psql.seconds, 0, 'f', 2)
             .arg(mib(psql.peakKiB)));
    const Measure audit = timeAuditRuns(b, pg, "postgresql");
    line(QStringLiteral("auditar/leitura psql ratio: %1").arg(audit.seconds / psql.seconds, 0, 'f', 2));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool keep = app.arguments().contains(QStringLiteral("--keep"));
    const Bench b = setUp();
    const double sqliteRatio = benchSqlite(b, keep);
    const QString pg = qEnvironmentVariable("KAL_BENCH_PG");
    if (!pg.isEmpty())
        benchPostgres(b, pg);
    line(QStringLiteral("auditar/leitura sqlite3 ratio: %1").arg(sqliteRatio, 0, 'f', 2));
    return 0;
}
