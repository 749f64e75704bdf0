#include "FiscalBenchData.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace FiscalBenchData {

namespace {

struct Civil {
    int y, m, d;
};

// Days since 1970-01-01 to a civil date (Howard Hinnant's algorithm).
Civil civil(long long z)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = (long long)yoe + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {int(y + (m <= 2)), int(m), int(d)};
}

long long daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (long long)doe - 719468;
}

std::string fmt(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char *format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string money(long long cents)
{
    return fmt("%lld.%02lld", cents / 100, cents % 100);
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every row of the data set, column values as text, handed to a sink per table.
struct Sink {
    std::function<void(const std::vector<std::string> &)> reduction;                 // 23 columns
    std::function<void(const std::vector<std::string> &)> tax;                       // 8
    std::function<void(const std::vector<std::string> &)> movement;                  // 3
    std::function<void(const std::vector<std::string> &, const std::string &)> file; // 7 + content
    std::string movementTime; // "yyyy-MM-ddT10:00:00.000" or "yyyy-MM-dd 10:00:00" by backend
};

// One register's printer as the days go by.
struct Printer {
    int b, c;
    std::string filial, caixa, serial;
    long long coupon, gt, crz;
};

struct Tax {
    const char *code;
    int rate;  // hundredths
    int share; // of the taxed amount, in percent
};
const Tax Taxes[] = {{"T1", 1800, 40}, {"T2", 1200, 30}, {"T3", 700, 20}, {"T4", 2500, 10}};

// The day's Z reduction's figures, drawn from the day and the register.
struct Day {
    Civil date;
    std::string iso;
    long long gross, cancel, discount, net, f1, i1, n1, taxed, firstCoupon, lastCoupon;
};

Day drawDay(Printer &p, long long day)
{
    Day d;
    d.date = civil(day);
    d.iso = fmt("%04d-%02d-%02d", d.date.y, d.date.m, d.date.d);
    const unsigned h = unsigned((day * 2654435761u) ^ (p.b * 40503u) ^ (p.c * 9973u));
    d.gross = 50000 + h % 400000;
    d.cancel = h % 700;
    d.discount = (h >> 8) % 500;
    d.net = d.gross - d.cancel - d.discount;
    d.f1 = d.net / 10;
    d.i1 = d.net / 20;
    d.n1 = 0;
    d.taxed = d.net - d.f1 - d.i1 - d.n1;
    d.firstCoupon = p.coupon;
    d.lastCoupon = p.coupon + 40 + h % 200;
    p.coupon = d.lastCoupon + 1;
    p.gt += d.gross;
    return d;
}

void emitReduction(const Printer &p, const Day &d, Sink &sink)
{
    sink.reduction({p.filial,
                    p.caixa,
                    p.caixa,
                    p.serial,
                    d.iso,
                    fmt("%010lld", p.crz),
                    "0000000001",
                    fmt("%010lld", d.firstCoupon),
                    fmt("%010lld", d.lastCoupon),
                    money(d.f1),
                    money(d.i1),
                    money(d.n1),
                    money(p.gt),
                    money(d.gross),
                    money(d.cancel),
                    money(d.discount),
                    money(d.net),
                    "0",
                    "KIV",
                    "0000000000",
                    "0000000000",
                    "0000000000",
                    "FS-700 MACH|ACME"});
    long long rest = d.taxed;
    for (int t = 0; t < 4; ++t) {
        const long long base = t == 3 ? rest : d.taxed * Taxes[t].share / 100;
        rest -= base;
        sink.tax({p.filial, p.caixa, p.caixa, d.iso, Taxes[t].code, money(Taxes[t].rate), money(base),
                  money(base * Taxes[t].rate / 10000)});
    }
}

void emitFile(const Printer &p, const Day &d, Sink &sink, bool isoT)
{
    const std::string day8 = fmt("%04d%02d%02d", d.date.y, d.date.m, d.date.d);
    const std::string head = p.serial + " " + std::string("FS-700 MACH") + std::string(9, ' ') + "01";
    std::string content = "E12" + head + fmt("%06lld%06lld%06d", p.crz % 1000000, d.lastCoupon % 1000000, 1) + day8
                          + day8 + "235900" + fmt("%014lld", d.gross) + "V\r\n";
    content += "E13" + head + fmt("%06lld", p.crz % 1000000) + "01T1800" + fmt("%013lld", d.taxed * 40 / 100) + "\r\n";
    const std::string midnight = d.iso + (isoT ? "T00:00:00.000" : " 00:00:00");
    sink.file({p.filial, p.caixa, "000", "000000000000", midnight, midnight,
               fmt("BE%03d%03d.%02d%02d", p.b, p.c, d.date.d, d.date.m)},
              content);
}

Counts generate(const Size &size, Sink &sink, bool isoT)
{
    Counts counts;
    const long long first = daysFromCivil(size.firstYear, 1, 1);
    const long long last = daysFromCivil(size.firstYear + size.years, 1, 1);
    std::vector<Printer> printers;
    for (int b = 1; b <= size.branches; ++b)
        for (int c = 1; c <= size.registersPerBranch; ++c)
            printers.push_back(Printer{b, c, fmt("%04d", b), fmt("%03d", c), fmt("BE%03d%03d000000000%03d", b, c, c), 1,
                                       100000000LL * b + 1000000LL * c, 1});
    // A night at a time, every register of the chain, as the central
    // database fills: the rows of one day lie side by side.
    for (long long day = first; day < last; ++day) {
        for (Printer &p : printers) {
            if (size.pendingEvery > 0 && (p.b * 31 + p.c * 7 + day) % size.pendingEvery == 0) {
                const auto date = civil(day);
                const std::string iso = fmt("%04d-%02d-%02d", date.y, date.m, date.d);
                sink.movement({p.filial, p.caixa, iso + (isoT ? "T10:00:00.000" : " 10:00:00")});
                ++counts.movements;
                continue;
            }
            const Day d = drawDay(p, day);
            emitReduction(p, d, sink);
            ++counts.reductions;
            counts.taxLines += 4;
            sink.movement({p.filial, p.caixa, d.iso + (isoT ? "T10:00:00.000" : " 10:00:00")});
            ++counts.movements;
            if (p.c == 1) {
                emitFile(p, d, sink, isoT);
                ++counts.files;
            }
            ++p.crz;
        }
    }
    return counts;
}

// --- SQLite -----------------------------------------------------------------

void check(sqlite3 *db, int rc, const char *what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

class SqliteInsert {
public:
    SqliteInsert(sqlite3 *db, const std::string &sql) : m_db(db)
    {
        check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &m_stmt, nullptr), "prepare");
    }
    ~SqliteInsert() { sqlite3_finalize(m_stmt); }
    void run(const std::vector<std::string> &values, const std::string *blob = nullptr)
    {
        sqlite3_reset(m_stmt);
        int i = 1;
        for (const std::string &v : values)
            sqlite3_bind_text(m_stmt, i++, v.c_str(), int(v.size()), SQLITE_TRANSIENT);
        if (blob)
            sqlite3_bind_blob(m_stmt, i, blob->data(), int(blob->size()), SQLITE_TRANSIENT);
        check(m_db, sqlite3_step(m_stmt), "insert");
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

std::string placeholders(int n, int offset = 0, bool dollar = false)
{
    std::string out;
    for (int i = 1; i <= n; ++i) {
        if (i > 1)
            out.append(", ");
        if (dollar)
            out.append(1, '$').append(std::to_string(offset + i));
        else
            out.append(1, '?');
    }
    return out;
}

const char *const ReductionColumns =
    "CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, DTREDUCAOZ, NRREDREDZ, NRREINIREDZ, NRPRIMCFREDZ, NRULTCFREDZ, "
    "VRSTRIBREDZ, VRISENCREDZ, VRNINCIDREDZ, VRGTREDZ, VRVENBRUREDZ, VRTOTCANREDZ, VRTOTDESREDZ, VRVENLIQREDZ, "
    "VRTOTACRREDZ, IDORIGEMREDZ, NRGERCNFREDZ, NRLEITREDZ, NRCANCFREDZ, DSMODMARCAECF";
const char *const TaxColumns =
    "CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, CDIMPOSTO, VRALIQIMPRZ, VRBCALCIMPRZ, VRIMPOSTORZ";
const char *const FileColumns =
    "CDFILIAL, CDCAIXA, CDLOJA, CDOPERADOR, DTGERACAT52, DTMOVCAT52, NMARQCAT52, DSARQCAT52";
} // namespace

Counts fillSqlite(const std::string &path, const std::string &schemaFile, const Size &size)
{
    std::remove(path.c_str());
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot open " + path);
    struct Close {
        sqlite3 *db;
        ~Close() { sqlite3_close(db); }
    } close{db};
    check(db, sqlite3_exec(db, readFile(schemaFile).c_str(), nullptr, nullptr, nullptr), "schema");
    check(db, sqlite3_exec(db, "PRAGMA synchronous = OFF; BEGIN", nullptr, nullptr, nullptr), "begin");
    Counts counts;
    {
        SqliteInsert red(db, std::string("INSERT INTO REDUCAOZ (") + ReductionColumns + ") VALUES (" + placeholders(23)
                                 + ")");
        SqliteInsert tax(db,
                         std::string("INSERT INTO IMPOSTOREDZ (") + TaxColumns + ") VALUES (" + placeholders(8) + ")");
        SqliteInsert mov(db, "INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES (?, ?, ?)");
        SqliteInsert file(db,
                          std::string("INSERT INTO ARQCAT52 (") + FileColumns + ") VALUES (" + placeholders(8) + ")");
        Sink sink;
        sink.reduction = [&](const std::vector<std::string> &v) { red.run(v); };
        sink.tax = [&](const std::vector<std::string> &v) { tax.run(v); };
        sink.movement = [&](const std::vector<std::string> &v) { mov.run(v); };
        sink.file = [&](const std::vector<std::string> &v, const std::string &content) { file.run(v, &content); };
        counts = generate(size, sink, true);
    }
    // No ANALYZE: a store's database has no statistics unless someone made them.
    check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), "commit");
    return counts;
}

// --- PostgreSQL ----------------------------------------------------------------

namespace {
// Rows gathered and sent by one prepared multi-row INSERT at a time.
class PgInsert {
public:
    PgInsert(PGconn *conn, std::string name, std::string table, std::string columns, int width, int rowsPerStatement,
             int binaryColumn = -1)
        : m_conn(conn), m_name(std::move(name)), m_table(std::move(table)), m_columns(std::move(columns)),
          m_width(width), m_rows(rowsPerStatement), m_binary(binaryColumn)
    {
    }
    void add(std::vector<std::string> values)
    {
        m_pending.insert(m_pending.end(), values.begin(), values.end());
        if (int(m_pending.size()) == m_width * m_rows)
            flush();
    }
    // Runs before each statement of this table (the rows it refers to go first).
    std::function<void()> beforeFlush;

    void flush()
    {
        if (m_pending.empty())
            return;
        if (beforeFlush)
            beforeFlush();
        const int rows = int(m_pending.size()) / m_width;
        const std::string name = m_name + std::to_string(rows);
        if (rows != m_preparedRows) {
            std::string sql = "INSERT INTO " + m_table + " (" + m_columns + ") VALUES ";
            for (int r = 0; r < rows; ++r)
                sql += (r ? ", (" : "(") + placeholders(m_width, r * m_width, true) + ")";
            PGresult *res = PQprepare(m_conn, name.c_str(), sql.c_str(), 0, nullptr);
            const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
            PQclear(res);
            if (!ok)
                throw std::runtime_error(std::string("prepare: ") + PQerrorMessage(m_conn));
            m_preparedRows = rows;
        }
        std::vector<const char *> values(m_pending.size());
        std::vector<int> lengths(m_pending.size()), formats(m_pending.size());
        for (size_t i = 0; i < m_pending.size(); ++i) {
            values[i] = m_pending[i].c_str();
            lengths[i] = int(m_pending[i].size());
            formats[i] = int(i % size_t(m_width)) == m_binary ? 1 : 0;
        }
        PGresult *res = PQexecPrepared(m_conn, name.c_str(), int(values.size()), values.data(), lengths.data(),
                                       formats.data(), 0);
        const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
        PQclear(res);
        if (!ok)
            throw std::runtime_error(std::string("insert: ") + PQerrorMessage(m_conn));
        m_pending.clear();
    }

private:
    PGconn *m_conn;
    std::string m_name, m_table, m_columns;
    int m_width, m_rows, m_binary;
    int m_preparedRows = -1;
    std::vector<std::string> m_pending;
};

void pgExec(PGconn *conn, const std::string &sql)
{
    PGresult *res = PQexec(conn, sql.c_str());
    const ExecStatusType status = PQresultStatus(res);
    PQclear(res);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw std::runtime_error(std::string("postgresql: ") + PQerrorMessage(conn));
}
} // namespace

Counts fillPostgres(const std::string &conninfo, const std::string &schemaFile, const Size &size)
{
    PGconn *conn = PQconnectdb(conninfo.c_str());
    struct Finish {
        PGconn *conn;
        ~Finish() { PQfinish(conn); }
    } finish{conn};
    if (PQstatus(conn) != CONNECTION_OK)
        throw std::runtime_error(std::string("postgresql: ") + PQerrorMessage(conn));
    pgExec(conn, "SET client_min_messages TO warning");
    pgExec(conn, "DROP TABLE IF EXISTS IMPOSTOREDZ, REDUCAOZ, ARQCAT52, MOVCAIXA, NOVOCODIGO, ALIQIMPFIS");
    pgExec(conn, readFile(schemaFile));
    pgExec(conn, "BEGIN");
    Counts counts;
    {
        PgInsert red(conn, "red", "REDUCAOZ", ReductionColumns, 23, 500);
        PgInsert tax(conn, "tax", "IMPOSTOREDZ", TaxColumns, 8, 1000);
        PgInsert mov(conn, "mov", "MOVCAIXA", "CDFILIAL, CDCAIXA, DTMOVIMCAIXA", 3, 1000);
        PgInsert file(conn, "arq", "ARQCAT52", FileColumns, 8, 200, 7);
        Sink sink;
        // A tax line refers to its reduction: the reductions gathered go first.
        tax.beforeFlush = [&] { red.flush(); };
        sink.reduction = [&](const std::vector<std::string> &v) { red.add(v); };
        sink.tax = [&](const std::vector<std::string> &v) { tax.add(v); };
        sink.movement = [&](const std::vector<std::string> &v) { mov.add(v); };
        sink.file = [&](const std::vector<std::string> &v, const std::string &content) {
            std::vector<std::string> row = v;
            row.push_back(content);
            file.add(row);
        };
        counts = generate(size, sink, false);
        red.flush();
        tax.flush();
        mov.flush();
        file.flush();
    }
    pgExec(conn, "COMMIT");
    // A central server's tables as they stand between two nights: vacuumed
    // and analysed by autovacuum long since. Without it autovacuum takes up
    // the freshly loaded tables while the reads are measured, and each first
    // read of a page writes its hint bits.
    pgExec(conn, "VACUUM (ANALYZE)");
    return counts;
}

} // namespace FiscalBenchData
