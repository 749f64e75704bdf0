#include "FiscalDataSet.h"
#include "AdoConnection.h"
#include "ConnectionString.h"
#include "ValidatorChecker.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {
std::unique_ptr<FiscalDataSet> g_instance;

class FiscalEnvironment : public ::testing::Environment {
public:
    void SetUp() override { FiscalDataSet::build(); }
    void TearDown() override { FiscalDataSet::release(); }
};
[[maybe_unused]] ::testing::Environment *const g_environment = ::testing::AddGlobalTestEnvironment(
    new FiscalEnvironment);

QString counter10(qint64 value)
{
    return QStringLiteral("%1").arg(value, 10, 10, QLatin1Char('0'));
}

QString money(qint64 cents)
{
    return QString::number(double(cents) / 100.0, 'f', 2);
}

QString commaMoney(qint64 cents)
{
    return money(cents).replace(QLatin1Char('.'), QLatin1Char(','));
}

struct Tax {
    QString code;
    qint64 rate; // hundredths
    qint64 base;
    qint64 tax;
};

// One day of a printer, with the figures every clean day of the data set has.
struct Day {
    QString filial = QStringLiteral("0001");
    QString caixa;
    QString nrecf;
    QString serial;
    QString model = QStringLiteral("FS-700 MACH");
    QString brand = QStringLiteral("ACME");
    QDate day;
    qint64 crz = 0, cro = 1, first = 0, last = 0;
    qint64 gt = 0;
    qint64 gross = 100000, cancel = 500, discount = 200, f1 = 3550, i1 = 1000, n1 = 0;
    QList<Tax> taxes{{QStringLiteral("T1"), 1800, 74750, 13455}, {QStringLiteral("T2"), 1200, 20000, 2400}};
    bool file = true;
    qint64 net() const { return gross - cancel - discount; }
};

QString isoDay(const QDate &day)
{
    return QLatin1Char('\'') + day.toString(Qt::ISODate) + QLatin1Char('\'');
}

QString fileName(const Day &d)
{
    return d.serial.right(2) + QLatin1Char('.') + d.day.toString(QStringLiteral("ddMM"));
}

QByteArray cat52Of(const Day &d)
{
    return FiscalDataSet::cat52(d.serial, d.model, d.crz, d.last, d.cro, d.day, d.gross);
}
} // namespace

FiscalDataSet &FiscalDataSet::instance()
{
    return *g_instance;
}

void FiscalDataSet::build()
{
    g_instance.reset(new FiscalDataSet());
}

void FiscalDataSet::release()
{
    g_instance.reset();
}

QString FiscalDataSet::cat52Folder() const
{
    return m_dir.filePath(QStringLiteral("cat52"));
}

QString FiscalDataSet::timestamp(const QDate &day, const QString &time)
{
    return TestDb::isPostgres() ? QStringLiteral("'%1 %2'").arg(day.toString(Qt::ISODate), time)
                                : QStringLiteral("'%1T%2.000'").arg(day.toString(Qt::ISODate), time);
}

QByteArray FiscalDataSet::cat52(const QString &serial, const QString &model, qint64 crz, qint64 coo, qint64 cro,
                                const QDate &day, qint64 grossCents)
{
    auto counter6 = [](qint64 v) { return QByteArray::number(v % 1000000).rightJustified(6, '0'); };
    const QByteArray head = serial.toLatin1().leftJustified(20, ' ', true) + ' '
                            + model.toLatin1().leftJustified(20, ' ', true) + "01";
    const QByteArray d = day.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    return "E12" + head + counter6(crz) + counter6(coo) + counter6(cro) + d + d + "235900"
           + QByteArray::number(grossCents).rightJustified(14, '0') + "V\r\n" + "E13" + head + counter6(crz) + "01T1800"
           + QByteArray::number(74750).rightJustified(13, '0') + "\r\n";
}

ProcessRun FiscalDataSet::fiscal(const QStringList &arguments)
{
    const ProcessRun run = instance().m_installation.runLedger(arguments);
    // Whatever sped and sintegra wrote passes the validators' rules.
    const bool sped = arguments.value(0) == QLatin1String("sped");
    if ((sped || arguments.value(0) == QLatin1String("sintegra")) && (run.exitCode == 0 || run.exitCode == 3)) {
        QByteArray written = run.out;
        const qsizetype saida = arguments.indexOf(QStringLiteral("--saida"));
        if (saida >= 0) {
            QFile file(arguments.value(saida + 1));
            written = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }
        const QStringList breaches = sped ? ValidatorChecker::sped(written) : ValidatorChecker::sintegra(written);
        EXPECT_TRUE(breaches.isEmpty()) << arguments.join(QLatin1Char(' ')).toStdString() << "\n"
                                        << breaches.join(QLatin1Char('\n')).toStdString();
    }
    return run;
}

ProcessRun FiscalDataSet::fiscal(const QStringList &arguments, const QString &standardOutput, qint64 maxFileBytes)
{
    QProcess process;
    process.setProcessEnvironment(instance().m_installation.environment);
    if (!standardOutput.isEmpty())
        process.setStandardOutputFile(standardOutput);
    process.setChildProcessModifier([maxFileBytes] {
        if (maxFileBytes < 0)
            return;
        // A write past the limit fails with EFBIG instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(maxFileBytes), rlim_t(maxFileBytes)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start(instance().m_installation.ledger(), arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "kal02700-fiscal did not finish";
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

QString FiscalDataSet::databaseFile() const
{
    const ConnectionString cs = ConnectionString::parse(connectionString());
    if (cs.kind() == ConnectionString::Kind::SQLite)
        return cs.sqlitePath();
    const QString odbcFile = cs.odbcAttribute(QStringLiteral("Database"));
    return cs.kind() == ConnectionString::Kind::ODBC && QFileInfo(odbcFile).isFile() ? odbcFile : QString();
}

void FiscalDataSet::storeFile(const QString &filial, const QString &caixa, const QDate &day, const QString &name,
                              const QByteArray &content)
{
    QSqlQuery q(m_db.admin().database());
    q.prepare(
        QStringLiteral("INSERT INTO ARQCAT52 (CDFILIAL, CDCAIXA, CDLOJA, CDOPERADOR, DTGERACAT52, DTMOVCAT52, "
                       "NMARQCAT52, DSARQCAT52) VALUES ('%1', '%2', '000', '000000000000', %3, %3, '%4', :conteudo)")
            .arg(filial, caixa, timestamp(day), name));
    q.bindValue(QStringLiteral(":conteudo"), content);
    if (!q.exec())
        throw std::runtime_error(q.lastError().text().toStdString());
}

FiscalDataSet::FiscalDataSet()
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    if (!m_installation.error().isEmpty())
        throw std::runtime_error(m_installation.error().toStdString());
    m_db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T1', 18)"));
    m_db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T2', 12)"));
    runHost();
    plant();
    edgeChains();
    hardDays();
    twoPrinters();
    reportedDays();
}

namespace {
void insertDay(TestDb::Database &db, FiscalDataSet &set, const Day &d)
{
    db.exec(
        QStringLiteral(
            "INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, DTREDUCAOZ, NRREDREDZ, NRREINIREDZ, "
            "NRPRIMCFREDZ, NRULTCFREDZ, VRSTRIBREDZ, VRISENCREDZ, VRNINCIDREDZ, VRGTREDZ, VRVENBRUREDZ, VRTOTCANREDZ, "
            "VRTOTDESREDZ, VRVENLIQREDZ, VRTOTACRREDZ, IDORIGEMREDZ, NRGERCNFREDZ, NRLEITREDZ, NRCANCFREDZ, "
            "DSMODMARCAECF) VALUES ('%1', '%2', '%3', %4, %5, '%6', '%7', '%8', '%9', ")
            .arg(d.filial, d.caixa, d.nrecf,
                 d.serial.isEmpty() ? QStringLiteral("NULL") : QLatin1Char('\'') + d.serial + QLatin1Char('\''),
                 isoDay(d.day), counter10(d.crz), counter10(d.cro), counter10(d.first), counter10(d.last))
        + QStringLiteral("%1, %2, %3, %4, %5, %6, %7, %8, 0, 'KIV', '0000000000', '0000000000', '0000000000', '%9')")
              .arg(money(d.f1), money(d.i1), money(d.n1), money(d.gt), money(d.gross), money(d.cancel),
                   money(d.discount), money(d.net()), d.model + QLatin1Char('|') + d.brand));
    for (const Tax &t : d.taxes)
        db.exec(
            QStringLiteral("INSERT INTO IMPOSTOREDZ (CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, CDIMPOSTO, VRALIQIMPRZ, "
                           "VRBCALCIMPRZ, VRIMPOSTORZ) VALUES ('%1', '%2', '%3', %4, '%5', %6, %7, %8)")
                .arg(d.filial, d.caixa, d.nrecf, isoDay(d.day), t.code, money(t.rate), money(t.base), money(t.tax)));
    if (d.file)
        set.storeFile(d.filial, d.caixa, d.day, fileName(d), cat52Of(d));
}

// A printer's run of days: each day's counters and grand total follow the
// day before, from the first's figures; a day's CRZ other than zero is kept.
QList<Day> run(Day first, const QList<Day> &changes)
{
    QList<Day> days;
    for (Day d : changes) {
        if (days.isEmpty()) {
            d.crz = first.crz;
            d.first = first.first;
            d.gt = first.gt;
        } else {
            const Day &before = days.last();
            d.crz = d.crz ? d.crz : before.crz + 1;
            d.first = before.last + 1;
            d.gt = before.gt + d.gross;
        }
        d.last = d.gross == 0 ? d.first : d.first + 99;
        days.append(d);
    }
    return days;
}
// A day stored as a store stores it: the reference host in automatic mode,
// fed by a printer memory with the day's figures.
void storeByHost(const HostProcess &host, TestDb::Database &db, const QTemporaryDir &dir, const Day &d)
{
    // The day's first coupon comes from the store's counter.
    db.exec(QStringLiteral("INSERT INTO NOVOCODIGO (CDCONTADOR, NRSEQUENCIAL) VALUES ('CUPINICIAL%1%2%3', '%4')")
                .arg(d.filial, d.caixa, d.day.toString(QStringLiteral("dd/MM/yyyy")))
                .arg(d.first));
    const QString printer = dir.filePath(QStringLiteral("printer-%1-%2.json").arg(d.caixa).arg(d.crz));
    QFile f(printer);
    if (!f.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write a printer memory");
    QString totalizers;
    for (const Tax &t : d.taxes)
        totalizers += QStringLiteral("%1{ \"VRALIQIMPFIS\": \"%2\", \"CDIMPOSTO\": \"%3\", \"VRVENDIDO\": \"%4\", "
                                     "\"VRIMPOSTO\": \"%5\" }")
                          .arg(totalizers.isEmpty() ? QString() : QStringLiteral(", "), commaMoney(t.rate), t.code,
                               commaMoney(t.base), commaMoney(t.tax));
    f.write(QStringLiteral(R"({ "serial": "%1", "model": "%2", "brand": "%3",
  "lastReduction": { "11": "%4", "12": "%5", "13": "%6", "25": "%7", "27": "%8", "28": "%9", )")
                .arg(d.serial, d.model, d.brand)
                .arg(d.cro, 4, 10, QLatin1Char('0'))
                .arg(d.crz, 4, 10, QLatin1Char('0'))
                .arg(d.last, 6, 10, QLatin1Char('0'))
                .arg(commaMoney(d.gt), commaMoney(d.i1), commaMoney(d.n1))
                .toUtf8()
            + QStringLiteral(R"("29": "%1", "33": "%2", "35": "0,00", "37": "%3", "46": "%4", "47": "%5", "48": "%6" },
  "totalizers": [ %7 ], "cat52Dir": "cat52" })")
                  .arg(commaMoney(d.f1), commaMoney(d.discount), commaMoney(d.cancel),
                       d.day.toString(QStringLiteral("dd/MM/yyyy")), commaMoney(d.gross), commaMoney(d.net()),
                       totalizers)
                  .toUtf8());
    f.close();
    const HostRun run = host.run({"--db", db.connectionString(), "--cdfilial", d.filial, "--cdcaixa", d.caixa,
                                  "--nrecf", d.nrecf, "--nrserieecf", d.serial, "--dtreducao",
                                  d.day.toString(QStringLiteral("dd/MM/yyyy")), "--automatico", "--printer", printer});
    if (run.exitCode != 0)
        throw std::runtime_error("the host did not store " + d.day.toString().toStdString() + ": "
                                 + (run.out + run.err).toStdString());
}
} // namespace

void FiscalDataSet::runHost()
{
    // A printer of type 18 that generates the CAT-52 files; its memories
    // and their files in the data set's folder.
    if (!m_installation.writeLocalFiles(QStringLiteral("18"), QStringLiteral("S")))
        throw std::runtime_error("cannot write the local parameter files");

    auto store = [&](const Day &d) { storeByHost(m_installation, m_db, m_dir, d); };

    for (int i = 0; i < 5; ++i) {
        Day d;
        d.caixa = QStringLiteral("001");
        d.nrecf = QStringLiteral("001");
        d.serial = QStringLiteral("BE0101010100000000A1");
        d.day = QDate(2026, 11, 30).addDays(i);
        d.crz = 100 + i;
        d.first = 1001 + 100 * i;
        d.last = 1100 + 100 * i;
        d.gt = 5000000 + 100000 * i;
        store(d);
    }
    for (int i = 0; i < 3; ++i) {
        Day d;
        d.caixa = QStringLiteral("002");
        d.nrecf = QStringLiteral("002");
        d.serial = QStringLiteral("BE0202020200000000B2");
        d.model = QStringLiteral("ECF-IF MÉDIA");
        d.day = QDate(2026, 12, 1).addDays(i);
        d.crz = 50 + i;
        d.first = 2001 + 100 * i;
        d.last = 2100 + 100 * i;
        d.gt = 8100000 + 100000 * i;
        store(d);
    }
}

void FiscalDataSet::plant()
{
    const QString r001 = QStringLiteral(" WHERE CDFILIAL = '0001' AND CDCAIXA = '001' AND DTREDUCAOZ = ");
    // VL_DIVERGENTE: one more real of cancellations than the net sales say.
    m_db.exec(QStringLiteral("UPDATE REDUCAOZ SET VRTOTCANREDZ = 6") + r001 + QStringLiteral("'2026-12-01'"));
    // CAT52_DIVERGENTE: the stored file of that day says other gross sales.
    {
        QSqlQuery q(m_db.admin().database());
        const QString where = QStringLiteral(" WHERE CDFILIAL = '0001' AND CDCAIXA = '001' AND DTMOVCAT52 = %1")
                                  .arg(timestamp(QDate(2026, 12, 1)));
        if (!q.exec(QStringLiteral("SELECT DSARQCAT52 FROM ARQCAT52") + where) || !q.next())
            throw std::runtime_error("the host stored no CAT-52 file for 01/12");
        QByteArray content = q.value(0).toByteArray();
        content.replace(86, 14, "00000000100100");
        q.finish();
        q.prepare(QStringLiteral("UPDATE ARQCAT52 SET DSARQCAT52 = :conteudo") + where);
        q.bindValue(QStringLiteral(":conteudo"), content);
        if (!q.exec())
            throw std::runtime_error(q.lastError().text().toStdString());
    }
    // COO_SOBREPOSTO and PARCIAIS_DIVERGENTES on 02/12.
    m_db.exec(QStringLiteral("UPDATE REDUCAOZ SET NRPRIMCFREDZ = '0000001200', VRSTRIBREDZ = 36.5") + r001
              + QStringLiteral("'2026-12-02'"));
    // COO_INVERTIDO and IMPOSTO_DIVERGENTE on 03/12.
    m_db.exec(QStringLiteral("UPDATE REDUCAOZ SET NRPRIMCFREDZ = '0000001405'") + r001
              + QStringLiteral("'2026-12-03'"));
    m_db.exec(QStringLiteral("UPDATE IMPOSTOREDZ SET VRIMPOSTORZ = 135.05") + r001
              + QStringLiteral("'2026-12-03' AND CDIMPOSTO = 'T1'"));
    // GT_DIVERGENTE on 04/12.
    m_db.exec(QStringLiteral("UPDATE REDUCAOZ SET VRGTREDZ = 54010") + r001 + QStringLiteral("'2026-12-04'"));

    // Cash movements: every stored day, and days without a Z reduction.
    auto movement = [&](const char *caixa, const QDate &day) {
        m_db.exec(QStringLiteral("INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES ('0001', '%1', %2)")
                      .arg(QLatin1String(caixa), timestamp(day, QStringLiteral("10:15:00"))));
    };
    for (int i = 0; i < 5; ++i)
        movement("001", QDate(2026, 12, 1).addDays(i)); // 05/12: DIA_SEM_REDUCAO
    for (int i = 0; i < 3; ++i)
        movement("002", QDate(2026, 12, 1).addDays(i));
    movement("002", QDate(2026, 12, 2)); // a second movement of a stored day
    movement("003", QDate(2026, 12, 10));

    // The chain goes on by SQL: CRZ_SALTO, CRZ_REPETIDO, DATA_FORA_DE_ORDEM,
    // CRO_ALTERADO (its row without a CAT-52 file: CAT52_AUSENTE).
    const struct {
        QDate day;
        qint64 crz, cro, gt;
        bool file;
    } rows[] = {{QDate(2026, 12, 8), 107, 1, 5700000, true},
                {QDate(2026, 12, 9), 107, 1, 5800000, true},
                {QDate(2026, 12, 7), 108, 1, 5900000, true},
                {QDate(2026, 12, 10), 109, 2, 6000000, false}};
    qint64 first = 1501;
    for (const auto &row : rows) {
        Day d;
        d.caixa = QStringLiteral("001");
        d.nrecf = QStringLiteral("001");
        d.serial = QStringLiteral("BE0101010100000000A1");
        d.day = row.day;
        d.crz = row.crz;
        d.cro = row.cro;
        d.first = first;
        d.last = first + 99;
        first += 100;
        d.gt = row.gt;
        d.file = row.file;
        insertDay(m_db, *this, d);
    }
}

void FiscalDataSet::edgeChains()
{
    auto day = [](const char *caixa, const char *nrecf, const char *serial, int dayOfMonth, qint64 crz, qint64 first,
                  qint64 last, qint64 gt) {
        Day d;
        d.filial = QStringLiteral("0002");
        d.caixa = QLatin1String(caixa);
        d.nrecf = QLatin1String(nrecf);
        d.serial = QLatin1String(serial);
        d.day = QDate(2026, 12, dayOfMonth);
        d.crz = crz;
        d.first = first;
        d.last = last;
        d.gt = gt;
        return d;
    };
    // Two printers on one register, both on 02/12.
    insertDay(m_db, *this, day("005", "005", "BE0505050500000000A5", 1, 10, 1, 100, 1000000));
    insertDay(m_db, *this, day("005", "005", "BE0505050500000000A5", 2, 11, 101, 200, 1100000));
    insertDay(m_db, *this, day("005", "015", "BE0505050500000000B5", 2, 500, 7001, 7100, 9000000));
    insertDay(m_db, *this, day("005", "015", "BE0505050500000000B5", 3, 501, 7101, 7200, 9100000));
    // One printer moved from register 006 to register 007; its first day has no tax line.
    Day noTax = day("006", "006", "BE0606060600000000C6", 1, 20, 1, 50, 2000000);
    noTax.taxes.clear();
    noTax.f1 = noTax.net();
    noTax.i1 = 0;
    insertDay(m_db, *this, noTax);
    insertDay(m_db, *this, day("006", "006", "BE0606060600000000C6", 2, 21, 51, 100, 2100000));
    insertDay(m_db, *this, day("007", "006", "BE0606060600000000C6", 3, 22, 101, 150, 2200000));
    insertDay(m_db, *this, day("007", "006", "BE0606060600000000C6", 4, 23, 151, 200, 2300000));
    // Counters at their widths: the coupon counter turns after 999999.
    Day wide = day("008", "008", "BE0808080800000000D8", 1, 9999999998LL, 999901, 999999, 9999999900000LL);
    wide.cro = 999;
    insertDay(m_db, *this, wide);
    Day turned = day("008", "008", "BE0808080800000000D8", 2, 9999999999LL, 1, 120, 9999999900000LL + 100000);
    turned.cro = 999;
    insertDay(m_db, *this, turned);
}

namespace {
// A printer of branch 0003 whose number is its register's.
Day branch3Printer(const char *caixa, const char *serial)
{
    Day d;
    d.filial = QStringLiteral("0003");
    d.caixa = QLatin1String(caixa);
    d.nrecf = QLatin1String(caixa);
    d.serial = QLatin1String(serial);
    return d;
}
} // namespace

void FiscalDataSet::hardDays()
{
    // Register 010: a printer with a long model, one character of it outside ISO-8859-1.
    Day base = branch3Printer("010", "BE1010101000000000E1");
    base.model = QStringLiteral("MP–4000 TH FI ECF-IF DUAL");
    base.brand = QStringLiteral("BMT");
    auto on = [&](int dayOfMonth, const QList<Tax> &taxes, qint64 gross, qint64 cancel, qint64 discount) {
        Day d = base;
        d.day = QDate(2026, 12, 1).addDays(dayOfMonth - 1);
        d.taxes = taxes;
        d.gross = gross;
        d.cancel = cancel;
        d.discount = discount;
        if (gross - cancel - discount < 100000 - 700)
            d.f1 = d.i1 = 0;
        return d;
    };
    Day before = on(0, base.taxes, 100000, 500, 200);
    before.crz = 30;
    before.first = 1;
    before.gt = 3000000;
    const Tax zeroT1{QStringLiteral("T1"), 1800, 0, 0};
    auto tax = [](const char *code, qint64 rate, qint64 baseCents, qint64 taxCents) {
        return Tax{QLatin1String(code), rate, baseCents, taxCents};
    };
    const QList<Day> e1Days = run(
        before,
        {before,
         // Two totalisers of one rate.
         on(1, {tax("T1", 1800, 50000, 9000), tax("T2", 1200, 20000, 2400), tax("T3", 1800, 24750, 4455)}, 100000, 500,
            200),
         // T1 did not move.
         on(2, {zeroT1, tax("T2", 1200, 94750, 11370)}, 100000, 500, 200),
         // A line of rate 0.
         on(3, {tax("T1", 1800, 74750, 13455), tax("T2", 1200, 20000, 2400), tax("T4", 0, 0, 0)}, 100000, 500, 200),
         // No sale.
         on(4, {zeroT1}, 0, 0, 0),
         // Everything cancelled.
         on(5, {zeroT1}, 30000, 30000, 0)});
    for (const Day &d : e1Days)
        insertDay(m_db, *this, d);
    // A second file on 01/12, of a printer the register has no Z reduction of.
    storeFile(QStringLiteral("0003"), QStringLiteral("010"), QDate(2026, 12, 1), QStringLiteral("Z9.0112"),
              cat52(QStringLiteral("BE9999999900000000Z9"), base.model, 7, 700, 1, QDate(2026, 12, 1), 100000));
    hardChains();
}

void FiscalDataSet::hardChains()
{
    // Register 011: the CRZ counter turns over after 9999.
    Day turn = branch3Printer("011", "BE1111111100000000F1");
    turn.crz = 9998;
    turn.first = 5001;
    turn.gt = 7000000;
    QList<Day> turning;
    for (int i = 0; i < 4; ++i) {
        Day d = turn;
        d.day = QDate(2026, 12, 1).addDays(i);
        d.crz = i == 2 ? 1 : 0;
        turning.append(d);
    }
    for (const Day &d : run(turn, turning))
        insertDay(m_db, *this, d);

    // A printer moved from register 012 to register 013, with the number of each.
    Day moved = branch3Printer("012", "BE1313131300000000H1");
    moved.crz = 70;
    moved.first = 301;
    moved.gt = 4000000;
    QList<Day> moves;
    for (int i = 0; i < 4; ++i) {
        Day d = moved;
        d.crz = 0;
        d.day = QDate(2026, 12, 1).addDays(i);
        if (i >= 2)
            d.caixa = d.nrecf = QStringLiteral("013");
        moves.append(d);
    }
    for (const Day &d : run(moved, moves))
        insertDay(m_db, *this, d);

    // A Z reduction without a serial, and one with a CRO of zero.
    Day noSerial = branch3Printer("014", "");
    noSerial.day = QDate(2026, 12, 1);
    noSerial.crz = 5;
    noSerial.first = 1;
    noSerial.last = 100;
    noSerial.gt = 1000000;
    noSerial.file = false;
    insertDay(m_db, *this, noSerial);
    Day zero = branch3Printer("015", "BE1515151500000000K1");
    zero.day = QDate(2026, 12, 1);
    zero.crz = 8;
    zero.cro = 0;
    zero.first = 1;
    zero.last = 100;
    zero.gt = 1000000;
    insertDay(m_db, *this, zero);
}

void FiscalDataSet::twoPrinters()
{
    // Register 020 of branch 0004: printer M1 until the morning of 02/12, then
    // N2 (another number) the same day. N2's file of 02/12 is not stored.
    Day m1;
    m1.filial = QStringLiteral("0004");
    m1.caixa = QStringLiteral("020");
    m1.nrecf = QStringLiteral("020");
    m1.serial = QStringLiteral("BE2020202000000000M1");
    m1.crz = 40;
    m1.first = 1;
    m1.gt = 2000000;
    Day n2 = m1;
    n2.nrecf = QStringLiteral("021");
    n2.serial = QStringLiteral("BE2020202000000000N2");
    n2.crz = 600;
    n2.first = 9001;
    n2.gt = 6000000;
    auto twoDays = [](const Day &printer, int firstDay) {
        Day a = printer, b = printer;
        b.crz = 0;
        a.day = QDate(2026, 12, firstDay);
        b.day = a.day.addDays(1);
        return run(printer, {a, b});
    };
    const QList<Day> days = twoDays(m1, 1) + twoDays(n2, 2);
    for (Day d : days) {
        if (d.serial == n2.serial && d.day == QDate(2026, 12, 2)) {
            d.file = false;
            QFile pending(m_dir.filePath(fileName(d)));
            if (!pending.open(QIODevice::WriteOnly) || pending.write(cat52Of(d)) < 0)
                throw std::runtime_error("cannot write the pending CAT-52 file");
        }
        insertDay(m_db, *this, d);
    }
}

void FiscalDataSet::reportedDays()
{
    auto printer = [](const char *caixa, const char *serial, int dayOfMonth) {
        Day d;
        d.filial = QStringLiteral("0005");
        d.caixa = d.nrecf = QLatin1String(caixa);
        d.serial = QLatin1String(serial);
        d.day = QDate(2026, 12, dayOfMonth);
        d.crz = 60;
        d.first = 101;
        d.last = 200;
        d.gt = 1000000;
        return d;
    };
    // A 25 % totaliser of 0,03: its tax of 0,0075 truncates to 0,00.
    Day tiny = printer("030", "BE3030303000000000P1", 1);
    tiny.gross = 30003;
    tiny.cancel = tiny.discount = tiny.i1 = 0;
    tiny.f1 = 5000;
    tiny.brand = QStringLiteral("BMT"); // a CAT-52 file name of its own
    tiny.taxes = {{QStringLiteral("T1"), 1800, 25000, 4500}, {QStringLiteral("T3"), 2500, 3, 0}};
    storeByHost(m_installation, m_db, m_dir, tiny);

    // A row without a serial; a printer whose day of 02/12 was stored with
    // CRZ 0, between its CRZ 60 and 62.
    Day noSerial = printer("031", "", 2);
    noSerial.file = false;
    insertDay(m_db, *this, noSerial);
    Day s1 = printer("033", "BE3333333300000000S1", 1);
    QList<Day> s1Days{s1, s1, s1};
    for (int i = 1; i < 3; ++i) {
        s1Days[i].day = s1.day.addDays(i);
        s1Days[i].crz = 0;
    }
    for (Day d : run(s1, s1Days)) {
        if (d.day.day() == 2)
            d.crz = 0;
        insertDay(m_db, *this, d);
    }
    // The coupon counter turns over during the day.
    Day turned = printer("034", "BE3434343400000000T1", 1);
    turned.first = 999991;
    turned.last = 40;
    insertDay(m_db, *this, turned);
    // A printer number the files cannot carry; a printer without a model on
    // any day; one whose model is on an earlier day only.
    Day wide = printer("035", "BE3535353500000000U1", 1);
    wide.nrecf = QStringLiteral("1001");
    insertDay(m_db, *this, wide);
    Day noModel = printer("036", "BE3636363600000000V1", 1);
    noModel.model.clear();
    insertDay(m_db, *this, noModel);
    Day modelBefore = printer("037", "BE3737373700000000W1", 1);
    Day modelNow = modelBefore;
    modelBefore.day = QDate(2026, 11, 30);
    modelNow.model.clear();
    modelNow.crz = 0;
    for (const Day &d : run(modelBefore, {modelBefore, modelNow}))
        insertDay(m_db, *this, d);
    // Gross sales one cent above the totalisers.
    Day apart = printer("038", "BE3838383800000000X1", 1);
    apart.gross += 1;
    insertDay(m_db, *this, apart);
}
