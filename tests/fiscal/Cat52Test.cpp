// cat52-exportar and cat52-guardar: files delivered byte for byte and
// checked; a day's file stored through the module's own method, and refused
// when it does not match, when the day has its file, or has no Z reduction;
// two printers on one register and day, a file each.
#include "FiscalDataSet.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <sys/stat.h>

namespace {
QByteArray storedContent(const QString &caixa, const QString &name)
{
    QSqlQuery q(FiscalDataSet::instance().db().admin().database());
    q.exec(
        QStringLiteral("SELECT DSARQCAT52 FROM ARQCAT52 WHERE CDCAIXA = '%1' AND NMARQCAT52 = '%2'").arg(caixa, name));
    return q.next() ? q.value(0).toByteArray() : QByteArray();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

TEST(Cat52Test, ExportsEachStoredFileByteForByteAndChecksIt)
{
    FiscalDataSet &set = FiscalDataSet::instance();
    const QString folder = set.scratch(QStringLiteral("export"));
    const QStringList command{"cat52-exportar", "--db",  set.connectionString(), "--cdfilial", "0001", "--de",
                              "01/12/2026",     "--ate", "31/12/2026",           "--pasta",    folder};
    // Every file delivered, one differs from its day: exit 3.
    const ProcessRun run = FiscalDataSet::fiscal(command);
    ASSERT_EQ(run.exitCode, 3) << run.err.toStdString();
    const QStringList report = QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(report.size(), 10) << run.out.toStdString();

    // The host's files (the printer names them), the planted rows' files, one a line.
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names.size(), 10);
    int divergent = 0;
    for (const QString &line : report) {
        const QString name = line.section(QLatin1Char(' '), 2, 2).chopped(1);
        EXPECT_TRUE(names.contains(name)) << line.toStdString();
        const QString caixa = line.section(QLatin1Char(' '), 0, 0).section(QLatin1Char('/'), 1);
        EXPECT_EQ(readFile(QDir(folder).filePath(name)), storedContent(caixa, name)) << name.toStdString();
        if (!line.endsWith(QStringLiteral(": ok"))) {
            ++divergent;
            EXPECT_TRUE(line.startsWith(QStringLiteral("0001/001 01/12/2026 ")));
            EXPECT_TRUE(line.endsWith(QStringLiteral(": venda bruta 1.001,00 no arquivo, 1.000,00 na Redução Z")))
                << line.toStdString();
        }
    }
    EXPECT_EQ(divergent, 1);
    // The files the printer wrote, delivered as they were written.
    for (const QString &name : QDir(set.cat52Folder()).entryList(QDir::Files)) {
        if (names.contains(name) && !report.filter(name).first().endsWith(QStringLiteral("Redução Z"))) {
            EXPECT_EQ(readFile(QDir(folder).filePath(name)), readFile(QDir(set.cat52Folder()).filePath(name)));
        }
    }

    // Again into the same folder: the same files, nothing to do.
    EXPECT_EQ(FiscalDataSet::fiscal(command).exitCode, 3);
    // A different file under a stored name is never written over.
    const QString taken = QDir(folder).filePath(names.first());
    QFile other(taken);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("outro arquivo\r\n");
    other.close();
    const ProcessRun again = FiscalDataSet::fiscal(command);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.out.contains("arquivo diferente com esse nome; não exportado")) << again.out.toStdString();
    EXPECT_EQ(readFile(taken), QByteArray("outro arquivo\r\n"));
}

TEST(Cat52Test, AFileIsDeliveredWholeOrNotAtAllAndALeftOverOfOursIsFinished)
{
    FiscalDataSet &set = FiscalDataSet::instance();
    const QString folder = set.scratch(QStringLiteral("export-cheio"));
    const QStringList command{"cat52-exportar", "--db",  set.connectionString(), "--cdfilial", "0001", "--de",
                              "01/12/2026",     "--ate", "31/12/2026",           "--pasta",    folder};
    // No file may grow past 64 bytes, as on a full disk: each delivery fails
    // whole, is told, and leaves nothing behind.
    ProcessRun run = FiscalDataSet::fiscal(command, QString(), 64);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const QStringList failed = QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(failed.size(), 10) << run.out.toStdString();
    for (const QString &line : failed)
        EXPECT_TRUE(line.endsWith(QStringLiteral("o arquivo passou do tamanho permitido; ele não foi criado nem "
                                                 "alterado; não exportado")))
            << line.toStdString();
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty());

    // What a delivery stopped midway leaves (an empty file, the start of one)
    // is finished by the next run.
    auto pathOf = [&](const QString &line) { return QDir(folder).filePath(line.section(u' ', 2, 2).chopped(1)); };
    auto storedOf = [&](const QString &line) {
        return storedContent(line.section(u' ', 0, 0).section(u'/', 1), line.section(u' ', 2, 2).chopped(1));
    };
    QFile empty(pathOf(failed.at(0)));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile start(pathOf(failed.at(1)));
    ASSERT_TRUE(start.open(QIODevice::WriteOnly) && start.write(storedOf(failed.at(1)).left(40)) == 40);
    start.close();
    run = FiscalDataSet::fiscal(command);
    EXPECT_EQ(run.exitCode, 3) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("não exportado")) << run.out.toStdString();
    for (const QString &line : failed)
        EXPECT_EQ(readFile(pathOf(line)), storedOf(line)) << line.toStdString();
}

TEST(Cat52Test, StoresOnlyASmallRegularFileWithAPlainName)
{
    FiscalDataSet &set = FiscalDataSet::instance();
    auto guardar = [&](const QString &file) {
        return FiscalDataSet::fiscal({"cat52-guardar", "--db", set.connectionString(), "--cdfilial", "0001",
                                      "--cdcaixa", "002", "--dtreducao", "03/12/2026", "--arquivo", file});
    };
    const QString countAll = QStringLiteral("SELECT COUNT(*) FROM ARQCAT52");
    const int before = set.db().count(countAll);
    // A FIFO nobody writes to would hold the ledger; /dev/zero would fill its
    // memory; a name with a line break could never be delivered.
    const QString fifo = set.scratch(QStringLiteral("fifo.0312"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString broken = set.scratch(QStringLiteral("B2\n0312"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(readFile(set.scratch(QStringLiteral("N2.0212")))) > 0);
    file.close();
    for (const auto &[path, why] : {std::pair{fifo, "não é um arquivo comum (é um FIFO (pipe))"},
                                    std::pair{QStringLiteral("/dev/zero"), "não é um arquivo comum (é um dispositivo)"},
                                    std::pair{broken, "tem um caractere de controle"}}) {
        const ProcessRun run = guardar(path);
        EXPECT_EQ(run.exitCode, 1) << path.toStdString();
        EXPECT_TRUE(run.err.contains(why)) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("nada foi gravado") || run.err.contains("Nada foi gravado"));
    }
    EXPECT_EQ(set.db().count(countAll), before);
}

TEST(Cat52Test, StoresTheFileOfADayWithoutOneAndRefusesTheRest)
{
    FiscalDataSet &set = FiscalDataSet::instance();
    TestDb::Database &db = set.db();
    auto guardar = [&](const char *caixa, const char *day, const QString &file) {
        return FiscalDataSet::fiscal({"cat52-guardar", "--db", set.connectionString(), "--cdfilial", "0001",
                                      "--cdcaixa", QLatin1String(caixa), "--dtreducao", QLatin1String(day), "--arquivo",
                                      file});
    };
    const QString countAll = QStringLiteral("SELECT COUNT(*) FROM ARQCAT52");
    const int before = db.count(countAll);

    // Register 002's file of 03/12, as the printer wrote it; the day's row is
    // gone, as after an interrupted CAT-52 stage.
    QString name;
    for (const QString &n : QDir(set.cat52Folder()).entryList(QDir::Files))
        if (readFile(QDir(set.cat52Folder()).filePath(n)).contains("E12BE0202020200000000B2")
            && readFile(QDir(set.cat52Folder()).filePath(n)).contains("20261203"))
            name = n;
    ASSERT_FALSE(name.isEmpty());
    const QString original = QDir(set.cat52Folder()).filePath(name);
    const QByteArray content = readFile(original);

    // A day that has its file.
    ProcessRun run = guardar("002", "03/12/2026", original);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Já há arquivo CAT-52 do ECF de série BE0202020200000000B2 gravado"))
        << run.err.toStdString();

    db.exec(QStringLiteral("DELETE FROM ARQCAT52 WHERE CDCAIXA = '002' AND NMARQCAT52 = '%1'").arg(name));
    ASSERT_EQ(db.count(countAll), before - 1);

    // A file whose E12 does not match the stored reduction (another CRZ).
    QByteArray tampered = content;
    tampered.replace(46, 6, "000099");
    const QString tamperedPath = set.scratch(name);
    {
        QFile f(tamperedPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(tampered);
    }
    run = guardar("002", "03/12/2026", tamperedPath);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("não confere com a Redução Z gravada")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("CRZ 000099 no arquivo, 000052 na Redução Z")) << run.err.toStdString();
    // A day without a Z reduction (the register's file of 03/12 offered for 05/12 would not
    // say 05/12: offer one that does).
    QByteArray otherDay = content;
    otherDay.replace(64, 8, "20261205");
    {
        QFile f(tamperedPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(otherDay);
    }
    run = guardar("002", "05/12/2026", tamperedPath);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Nenhuma Redução Z gravada para filial 0001, caixa 002, dia 05/12/2026"))
        << run.err.toStdString();
    EXPECT_EQ(db.count(countAll), before - 1);

    // The real file: stored as the module stores it.
    run = guardar("002", "03/12/2026", original);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(db.count(countAll), before);
    const auto rows = db.rows(
        QStringLiteral("SELECT CDLOJA, CDOPERADOR, NMARQCAT52, DSARQCAT52, DTMOVCAT52 FROM ARQCAT52 "
                       "WHERE CDCAIXA = '002' AND NMARQCAT52 = '%1'")
            .arg(name));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][0].toString(), QStringLiteral("000"));
    EXPECT_EQ(rows[0][1].toString(), QStringLiteral("000000000000"));
    EXPECT_EQ(rows[0][3].toByteArray(), content);
    EXPECT_EQ(rows[0][4].toDateTime(), QDateTime(QDate(2026, 12, 3), QTime(0, 0)));

    // And the register is clean again.
    const ProcessRun audit = FiscalDataSet::fiscal({"auditar", "--db", set.connectionString(), "--cdfilial", "0001",
                                                    "--cdcaixa", "002", "--de", "01/12/2026", "--ate", "31/12/2026"});
    EXPECT_EQ(audit.exitCode, 0) << audit.out.toStdString();
}

TEST(Cat52Test, TwoPrintersOnOneRegisterAndDayHaveAFileEach)
{
    FiscalDataSet &set = FiscalDataSet::instance();
    TestDb::Database &db = set.db();
    const QString connection = set.connectionString();
    // The data set's state, whatever ran before: N2's file of 02/12 not stored.
    db.exec(QStringLiteral("DELETE FROM ARQCAT52 WHERE CDFILIAL = '0004' AND NMARQCAT52 = 'N2.0212'"));
    const QStringList audit{"auditar", "--db",       connection, "--cdfilial", "0004",
                            "--de",    "01/12/2026", "--ate",    "31/12/2026"};
    auto exportTo = [&](const char *folder) {
        return FiscalDataSet::fiscal({"cat52-exportar", "--db", connection, "--cdfilial", "0004", "--de", "01/12/2026",
                                      "--ate", "31/12/2026", "--pasta", set.scratch(QLatin1String(folder))});
    };
    auto guardar = [&](const QString &file) {
        return FiscalDataSet::fiscal({"cat52-guardar", "--db", connection, "--cdfilial", "0004", "--cdcaixa", "020",
                                      "--dtreducao", "02/12/2026", "--arquivo", file});
    };
    auto writeAs = [&](const QString &name, QByteArray content) {
        const QString path = set.scratch(QStringLiteral("outros/") + name);
        QDir().mkpath(set.scratch(QStringLiteral("outros")));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size());
        return path;
    };

    // M1's file of 02/12 does not stand for N2: its row has none.
    ProcessRun run = FiscalDataSet::fiscal(audit);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_EQ(QString::fromUtf8(run.out).split(QLatin1Char('\n')).first(),
              QStringLiteral("02/12/2026 0004/020 ECF 021 BE2020202000000000N2 aviso CAT52_AUSENTE: nenhum arquivo "
                             "CAT-52 do ECF BE2020202000000000N2 gravado para o caixa 020 no dia"));
    run = exportTo("antes");
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_EQ(run.out.count(": ok\n"), 3) << run.out.toStdString();
    // SPED: a C400 for each printer.
    const ProcessRun sped = FiscalDataSet::fiscal(
        {"sped", "--db", connection, "--cdfilial", "0004", "--de", "02/12/2026", "--ate", "02/12/2026"});
    EXPECT_EQ(QString::fromLatin1(sped.out).split(QStringLiteral("\r\n")).filter(QStringLiteral("|C400|")),
              QStringList(
                  {"|C400|2D|FS-700 MACH|BE2020202000000000M1|20|", "|C400|2D|FS-700 MACH|BE2020202000000000N2|21|"}));

    const QString pending = set.scratch(QStringLiteral("N2.0212"));
    const QByteArray content = readFile(pending);
    ASSERT_FALSE(content.isEmpty());
    // Refused: a printer the day has no Z reduction of; N2's file under the
    // name of M1's (storing it would write over M1's).
    QByteArray stranger = content;
    stranger.replace(3, 20, "BE9999999900000000Z9");
    run = guardar(writeAs(QStringLiteral("Z9.0212"), stranger));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Nenhuma Redução Z do ECF de série BE9999999900000000Z9 gravada para filial 0004, "
                                 "caixa 020, dia 02/12/2026"))
        << run.err.toStdString();
    run = guardar(writeAs(QStringLiteral("M1.0212"), content));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Já há outro arquivo CAT-52 com o nome M1.0212")) << run.err.toStdString();
    EXPECT_EQ(storedContent(QStringLiteral("020"), QStringLiteral("M1.0212")).mid(3, 20),
              QByteArray("BE2020202000000000M1"));

    // N2's own file: stored beside M1's, once.
    run = guardar(pending);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(storedContent(QStringLiteral("020"), QStringLiteral("N2.0212")), content);
    run = guardar(pending);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Já há arquivo CAT-52 do ECF de série BE2020202000000000N2 gravado"))
        << run.err.toStdString();

    // Both files delivered and matched, each to its own printer; nothing missing.
    run = exportTo("depois");
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_EQ(run.out.count(": ok\n"), 4) << run.out.toStdString();
    run = FiscalDataSet::fiscal(audit);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith("Nenhuma ocorrência.")) << run.out.toStdString();
}
