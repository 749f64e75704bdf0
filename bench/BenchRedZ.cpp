// setRedZ against the same nine inserts through the raw client libraries, a
// whole automatic call, and large CAT-52 files (20 MB and 100 MB).
#include "BenchSupport.h"

#include "AdoConnection.h"
#include "Cli_kal02700.h"
#include "ConnectionString.h"
#include "DatabaseDialect.h"
#include "PrinterMemory.h"
#include "ClientDataSet.h"
#include "DatabaseSchema.h"
#include "SharedServicesHost.h"
#include "Srv_kal02700.h"
#include "ModuleConnection.h"
#include "TestPackets.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <libpq-fe.h>
#include <memory>
#include <sqlite3.h>
#include <string>

namespace {

QMap<QString, double> g_means;
QMap<QString, QPair<double, double>> g_peaks;

const int kTaxLines = 8;
const TDateTime kFirstDay = 40000; // 06/07/2009

QVariant taxPacket(TDateTime day)
{
    QList<PacketTaxLine> lines;
    for (int i = 0; i < kTaxLines; ++i)
        lines << PacketTaxLine{QStringLiteral("T%1").arg(i), 7.0 + i, 100.0 + i, 1.0 + i};
    return taxLinePacket(lines, day);
}

QString pgConnection()
{
    return qEnvironmentVariable("KAL_BENCH_PG");
}

// A fresh database with the schema, reached by the module's data module.
void prepareModule(const QString &connectionString)
{
    AdoConnection admin(QStringLiteral("benchadmin"));
    admin.setConnectionString(connectionString);
    admin.open();
    DatabaseSchema::drop(admin);
    DatabaseSchema::apply(admin);
    admin.close();
    connectModuleTo(connectionString);
}

void runSetRedZ(benchmark::State &state, const QString &name, const QString &connectionString)
{
    prepareModule(connectionString);
    TDateTime day = kFirstDay;
    double us = 0;
    for (auto _ : state) {
        // The packet is built outside the measure, as the screen builds it
        // before it calls the store; its lines carry the day's key.
        state.PauseTiming();
        const QVariant packet = taxPacket(day);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const QVariant r = Srv_kal02700::setRedZ(
            QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("001"), QStringLiteral("BE0910101000"),
            QStringLiteral("42"), QStringLiteral("1"), QStringLiteral("1234"), QStringLiteral("1300"), 35.5, 10, 0,
            1234567.89, 520.95, 2, 5, 513.95, 0, day, packet, QStringLiteral("FS-700|ACME"));
        us += std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        if (!r.toBool()) {
            state.SkipWithError(Srv_kal02700::lastSaveReason().toStdString().c_str());
            break;
        }
        day += 1;
    }
    if (state.iterations() > 0)
        recordMean(name, us / double(state.iterations()));
}

void BM_setRedZ_SQLite(benchmark::State &state)
{
    QTemporaryDir dir;
    runSetRedZ(state, QStringLiteral("setRedZ sqlite"),
               QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("b.db")));
}

void BM_setRedZ_PostgreSQL(benchmark::State &state)
{
    if (pgConnection().isEmpty()) {
        state.SkipWithError("KAL_BENCH_PG not set (scripts/bench.sh starts a server)");
        return;
    }
    runSetRedZ(state, QStringLiteral("setRedZ postgresql"), pgConnection());
}

// The nine inserts of one save, prepared once, in one transaction, with the
// same session settings the module uses.
void BM_raw_sqlite3(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("raw.db"));
    {
        AdoConnection admin(QStringLiteral("rawschema"));
        admin.setConnectionString(QStringLiteral("sqlite:") + path);
        admin.open();
        DatabaseSchema::apply(admin);
    }
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    const QStringList session = DatabaseDialect::sqlite().sessionStatements(DatabaseDialect::SessionUse::ReadWrite,
                                                                            ConnectionString::parse("sqlite:" + path));
    sqlite3_exec(db, session.join(QStringLiteral("; ")).toUtf8().constData(), nullptr, nullptr, nullptr);
    sqlite3_stmt *red = nullptr;
    sqlite3_stmt *imp = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, DTREDUCAOZ, NRREDREDZ, "
                       "NRREINIREDZ, NRPRIMCFREDZ, NRULTCFREDZ, VRSTRIBREDZ, VRISENCREDZ, VRNINCIDREDZ, VRGTREDZ, "
                       "VRVENBRUREDZ, VRTOTCANREDZ, VRTOTDESREDZ, VRVENLIQREDZ, VRTOTACRREDZ, IDORIGEMREDZ, "
                       "NRGERCNFREDZ, NRLEITREDZ, NRCANCFREDZ, DSMODMARCAECF) VALUES "
                       "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                       -1, &red, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO IMPOSTOREDZ (CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, CDIMPOSTO, VRALIQIMPRZ, "
                       "VRBCALCIMPRZ, VRIMPOSTORZ) VALUES (?,?,?,?,?,?,?,?)",
                       -1, &imp, nullptr);
    QDate date = AutomationDate::toDate(kFirstDay);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const std::string d = date.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        const char *texts[] = {"0001", "001", "001", "BE0910101000"};
        for (int i = 0; i < 4; ++i)
            sqlite3_bind_text(red, i + 1, texts[i], -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(red, 5, d.c_str(), -1, SQLITE_TRANSIENT);
        const char *counters[] = {"0000000042", "0000000001", "0000001234", "0000001300"};
        for (int i = 0; i < 4; ++i)
            sqlite3_bind_text(red, 6 + i, counters[i], -1, SQLITE_TRANSIENT);
        const double values[] = {35.5, 10, 0, 1234567.89, 520.95, 2, 5, 513.95, 0};
        for (int i = 0; i < 9; ++i)
            sqlite3_bind_double(red, 10 + i, values[i]);
        const char *tail[] = {"KIV", "0000000000", "0000000000", "0000000000", "FS-700|ACME"};
        for (int i = 0; i < 5; ++i)
            sqlite3_bind_text(red, 19 + i, tail[i], -1, SQLITE_TRANSIENT);
        if (sqlite3_step(red) != SQLITE_DONE) {
            state.SkipWithError(sqlite3_errmsg(db));
            break;
        }
        sqlite3_reset(red);
        for (int line = 0; line < kTaxLines; ++line) {
            for (int i = 0; i < 3; ++i)
                sqlite3_bind_text(imp, i + 1, texts[i], -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(imp, 4, d.c_str(), -1, SQLITE_TRANSIENT);
            const char code[3] = {'T', char('0' + line), 0};
            sqlite3_bind_text(imp, 5, code, -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(imp, 6, 7 + line);
            sqlite3_bind_double(imp, 7, 100 + line);
            sqlite3_bind_double(imp, 8, 1 + line);
            sqlite3_step(imp);
            sqlite3_reset(imp);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        date = date.addDays(1);
    }
    const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    if (state.iterations() > 0)
        recordMean(QStringLiteral("raw sqlite3"), us / double(state.iterations()));
    sqlite3_finalize(red);
    sqlite3_finalize(imp);
    sqlite3_close(db);
}

void BM_raw_libpq(benchmark::State &state)
{
    if (pgConnection().isEmpty()) {
        state.SkipWithError("KAL_BENCH_PG not set (scripts/bench.sh starts a server)");
        return;
    }
    {
        AdoConnection admin(QStringLiteral("rawpgschema"));
        admin.setConnectionString(pgConnection());
        admin.open();
        DatabaseSchema::drop(admin);
        DatabaseSchema::apply(admin);
    }
    PGconn *pg = PQconnectdb(pgConnection().toUtf8().constData());
    if (PQstatus(pg) != CONNECTION_OK) {
        state.SkipWithError(PQerrorMessage(pg));
        PQfinish(pg);
        return;
    }
    for (const QString &statement : DatabaseDialect::postgresql().sessionStatements(
             DatabaseDialect::SessionUse::ReadWrite, ConnectionString::parse(pgConnection())))
        PQclear(PQexec(pg, statement.toUtf8().constData()));
    PQclear(PQprepare(pg, "red",
                      "INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, DTREDUCAOZ, NRREDREDZ, "
                      "NRREINIREDZ, NRPRIMCFREDZ, NRULTCFREDZ, VRSTRIBREDZ, VRISENCREDZ, VRNINCIDREDZ, VRGTREDZ, "
                      "VRVENBRUREDZ, VRTOTCANREDZ, VRTOTDESREDZ, VRVENLIQREDZ, VRTOTACRREDZ, IDORIGEMREDZ, "
                      "NRGERCNFREDZ, NRLEITREDZ, NRCANCFREDZ, DSMODMARCAECF) VALUES ($1,$2,$3,$4,$5,$6,$7,$8,$9,"
                      "$10,$11,$12,$13,$14,$15,$16,$17,$18,$19,$20,$21,$22,$23)",
                      0, nullptr));
    PQclear(PQprepare(pg, "imp",
                      "INSERT INTO IMPOSTOREDZ (CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, CDIMPOSTO, VRALIQIMPRZ, "
                      "VRBCALCIMPRZ, VRIMPOSTORZ) VALUES ($1,$2,$3,$4,$5,$6,$7,$8)",
                      0, nullptr));
    QDate date = AutomationDate::toDate(kFirstDay);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const std::string d = date.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
        PQclear(PQexec(pg, "BEGIN"));
        const char *values[] = {"0001",       "001",        "001",        "BE0910101000", d.c_str(),
                                "0000000042", "0000000001", "0000001234", "0000001300",   "35.5",
                                "10",         "0",          "1234567.89", "520.95",       "2",
                                "5",          "513.95",     "0",          "KIV",          "0000000000",
                                "0000000000", "0000000000", "FS-700|ACME"};
        PGresult *r = PQexecPrepared(pg, "red", 23, values, nullptr, nullptr, 0);
        if (PQresultStatus(r) != PGRES_COMMAND_OK) {
            state.SkipWithError(PQresultErrorMessage(r));
            PQclear(r);
            break;
        }
        PQclear(r);
        for (int line = 0; line < kTaxLines; ++line) {
            const char code[3] = {'T', char('0' + line), 0};
            const std::string rate = std::to_string(7 + line), base = std::to_string(100 + line),
                              tax = std::to_string(1 + line);
            const char *tv[] = {"0001", "001", "001", d.c_str(), code, rate.c_str(), base.c_str(), tax.c_str()};
            PQclear(PQexecPrepared(pg, "imp", 8, tv, nullptr, nullptr, 0));
        }
        PQclear(PQexec(pg, "COMMIT"));
        date = date.addDays(1);
    }
    const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    if (state.iterations() > 0)
        recordMean(QStringLiteral("raw libpq"), us / double(state.iterations()));
    PQfinish(pg);
}

// Resident-set peak of this process, in bytes; writing 5 to clear_refs
// resets it so one call can be measured.
double peakResident()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) * 1024.0;
    return 0;
}
double currentResident()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) * 1024.0;
    return 0;
}
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

void runLargeCat52(benchmark::State &state, int megabytes, const QString &database, const QString &connectionString)
{
    const QString name = QStringLiteral("setArqCat52 %1 MB %2").arg(megabytes, 3).arg(database);
    prepareModule(connectionString);
    // Records of 126 characters with CR LF, as a printer's file is.
    const qsizetype fileBytes = qsizetype(megabytes) * 1024 * 1024;
    QStringList lines;
    const QString record = QStringLiteral("E13BE091010100011223344 FS-700 MACH          01000042")
                           + QString(72, QLatin1Char('0'));
    for (qsizetype size = 0; size < fileBytes; size += record.size() + 2)
        lines << record;
    const double actualBytes = double(lines.size()) * double(record.size() + 2);
    double worst = 0;
    int day = 1;
    for (auto _ : state) {
        const double base = currentResident();
        resetPeak();
        const QVariant r = Srv_kal02700::setArqCat52(
            QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("000"), QStringLiteral("000000000000"),
            QStringLiteral("%1/01/2026").arg(day, 2, 10, QLatin1Char('0')), QStringLiteral("BIG.1Q1"), lines);
        worst = std::max(worst, peakResident() - base);
        if (r.isValid()) {
            state.SkipWithError(r.toString().toStdString().c_str());
            break;
        }
        day = day % 28 + 1;
    }
    state.counters["peak_MB"] = worst / (1024.0 * 1024.0);
    state.counters["peak_x_file"] = worst / actualBytes;
    recordPeak(name, worst, actualBytes);
}

// The whole nightly call: pre-fill from the printer, save, CAT-52 file
// generated and stored; no screen.
void BM_CriaCadRedZ_automatic_SQLite(benchmark::State &state)
{
    QTemporaryDir dir;
    prepareModule(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("auto.db")));
    {
        AdoConnection admin(QStringLiteral("benchauto"));
        admin.setConnectionString(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("auto.db")));
        admin.open();
        admin.execute(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T1', 18)"));
        admin.execute(QStringLiteral("INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, NRULTCFREDZ) "
                                     "VALUES ('0001', '001', '001', '2000-01-01', '0000001233')"));
    }
    auto write = [&](const QString &name, const QByteArray &content) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
    };
    const QByteArray head = "<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    write(QStringLiteral("PARAMETROSKIV.CDS"),
          head
              + "<FIELD attrname=\"IDESQUEMA\" fieldtype=\"string\" WIDTH=\"10\"/><FIELD attrname=\"IDGERAARQVNDRIO\" "
                "fieldtype=\"string\" WIDTH=\"1\"/></FIELDS><PARAMS/></METADATA><ROWDATA><ROW IDESQUEMA=\"0001\" "
                "IDGERAARQVNDRIO=\"S\"/></ROWDATA></DATAPACKET>");
    write(QStringLiteral("PRAXUMO.CDS"),
          head
              + "<FIELD attrname=\"IDTIPOIMPFIS\" fieldtype=\"string\" WIDTH=\"2\"/>"
                "</FIELDS><PARAMS/></METADATA><ROWDATA><ROW IDTIPOIMPFIS=\"18\"/></ROWDATA>"
                "</DATAPACKET>");
    Cli_kal02700::setParametersDir(dir.path());
    Wmb00001::setPrinterMemoryFile(dir.filePath(QStringLiteral("printer.json")));
    SharedServicesHost::MessageRecorder messages;
    QDate day(2030, 1, 1);
    double us = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // The printer reports the day being recorded.
        write(QStringLiteral("printer.json"),
              QStringLiteral(R"({"serial": "BE091010100011223344", "model": "FS-700 MACH", "brand": "ACME",
                 "lastReduction": {"11": "0001", "12": "0042", "13": "001300", "25": "1234567,89", "27": "10,00",
                   "28": "0,00", "29": "35,50", "33": "2,00", "35": "0,00", "37": "5,00", "46": "%1",
                   "47": "520,95", "48": "513,95"},
                 "totalizers": [{"VRALIQIMPFIS": "18,00", "CDIMPOSTO": "T1", "VRVENDIDO": "123,45", "VRIMPOSTO": "22,23"}],
                 "cat52Dir": "cat52"})")
                  .arg(day.toString(QStringLiteral("dd/MM/yyyy")))
                  .toUtf8());
        messages.clear();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        Cli_kal02700::CriaCadRedZ(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("001"),
                                  QStringLiteral("BE091010100011223344"), AutomationDate::fromDate(day), true);
        us += std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        if (messages.texts() != QStringList{QStringLiteral("Dados gravados corretamente.")}) {
            state.SkipWithError(messages.texts().join(QLatin1Char(' ')).toStdString().c_str());
            break;
        }
        day = day.addDays(1);
    }
    if (state.iterations() > 0)
        recordMean(QStringLiteral("CriaCadRedZ automatic sqlite"), us / double(state.iterations()));
    Cli_kal02700::setParametersDir(QString());
}

void largeCat52SQLite(benchmark::State &state, int megabytes)
{
    QTemporaryDir dir;
    runLargeCat52(state, megabytes, QStringLiteral("sqlite"),
                  QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("c.db")));
}

void largeCat52PostgreSQL(benchmark::State &state, int megabytes)
{
    if (pgConnection().isEmpty()) {
        state.SkipWithError("KAL_BENCH_PG not set (scripts/bench.sh starts a server)");
        return;
    }
    runLargeCat52(state, megabytes, QStringLiteral("postgresql"), pgConnection());
}

void BM_setArqCat52_20MB_SQLite(benchmark::State &state)
{
    largeCat52SQLite(state, 20);
}
void BM_setArqCat52_100MB_SQLite(benchmark::State &state)
{
    largeCat52SQLite(state, 100);
}
void BM_setArqCat52_20MB_PostgreSQL(benchmark::State &state)
{
    largeCat52PostgreSQL(state, 20);
}
void BM_setArqCat52_100MB_PostgreSQL(benchmark::State &state)
{
    largeCat52PostgreSQL(state, 100);
}

} // namespace

BENCHMARK(BM_setRedZ_SQLite)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_raw_sqlite3)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_setRedZ_PostgreSQL)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_raw_libpq)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_CriaCadRedZ_automatic_SQLite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_setArqCat52_20MB_SQLite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_setArqCat52_100MB_SQLite)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_setArqCat52_20MB_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_setArqCat52_100MB_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(2);

void recordMean(const QString &name, double micros)
{
    g_means[name] = micros;
}
void recordPeak(const QString &name, double bytes, double fileBytes)
{
    g_peaks[name] = {bytes, fileBytes};
}

void printSummary()
{
    std::printf("\n%-34s %12s\n", "call", "mean (us)");
    for (auto it = g_means.cbegin(); it != g_means.cend(); ++it)
        std::printf("%-34s %12.1f\n", it.key().toUtf8().constData(), it.value());
    for (auto it = g_peaks.cbegin(); it != g_peaks.cend(); ++it)
        std::printf("%-34s peak %.1f MB for a %.1f MB file (%.2fx)\n", it.key().toUtf8().constData(),
                    it.value().first / 1048576.0, it.value().second / 1048576.0, it.value().first / it.value().second);
    if (g_means.contains(QStringLiteral("setRedZ postgresql")) && g_means.contains(QStringLiteral("raw libpq")))
        std::printf("setRedZ/raw libpq ratio: %.2f\n",
                    g_means[QStringLiteral("setRedZ postgresql")] / g_means[QStringLiteral("raw libpq")]);
    if (g_means.contains(QStringLiteral("setRedZ sqlite")) && g_means.contains(QStringLiteral("raw sqlite3")))
        std::printf("setRedZ/raw sqlite3 ratio: %.2f\n",
                    g_means[QStringLiteral("setRedZ sqlite")] / g_means[QStringLiteral("raw sqlite3")]);
    std::fflush(stdout);
}
