#include "HostInstall.h"
#include <QFile>

namespace {
const QString BinDir = QStringLiteral(KAL_BINARY_DIR "/bin");

void writePacket(const QString &path, const QList<QPair<QByteArray, QByteArray>> &columns)
{
    QByteArray fields, row;
    for (const auto &[name, value] : columns) {
        fields += "<FIELD attrname=\"" + name + "\" fieldtype=\"string\" WIDTH=\"10\"/>";
        row += " " + name + "=\"" + value + "\"";
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
               + fields + "</FIELDS><PARAMS/></METADATA><ROWDATA><ROW" + row + "/></ROWDATA></DATAPACKET>\n");
}
} // namespace

void HostInstall::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    host = dir.filePath(QStringLiteral("kal02700-host"));
    ASSERT_TRUE(QFile::copy(BinDir + QStringLiteral("/kal02700-host"), host));
    ASSERT_TRUE(QFile::setPermissions(host, QFile::permissions(host) | QFile::ExeOwner));
    ASSERT_TRUE(QFile::link(BinDir + QStringLiteral("/libkal02700.so"), dir.filePath(QStringLiteral("libkal02700.so"))));
    environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"), BinDir);
    // Reference data of the store: the tax table and the day's first coupon.
    db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T1', 18)"));
    db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T2', 12)"));
    for (const char *caixa : {"001", "002"})
        for (int d = 1; d <= 28; ++d)
            db.exec(QStringLiteral("INSERT INTO NOVOCODIGO (CDCONTADOR, NRSEQUENCIAL) VALUES ('CUPINICIAL0001%1%2/12/2026', '%3')")
                        .arg(QLatin1String(caixa)).arg(d, 2, 10, QLatin1Char('0')).arg(1000 + d));
    writeLocalFiles(QStringLiteral("18"), QStringLiteral("S"));
}

void HostInstall::writeLocalFiles(const QString &printerType, const QString &generateFiles)
{
    writePacket(dir.filePath(QStringLiteral("PARAMETROSKIV.CDS")),
                {{"IDESQUEMA", "0001"}, {"IDGERAARQVNDRIO", generateFiles.toUtf8()}});
    writePacket(dir.filePath(QStringLiteral("PRAXUMO.CDS")), {{"IDTIPOIMPFIS", printerType.toUtf8()}});
}

QString HostInstall::writePrinter(const QString &day, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral(R"({
      "serial": "BE091010100011223344", "model": "FS-700 MACH", "brand": "ACME",
      "lastReduction": { "11": "0001", "12": "0042", "13": "001300", "25": "1234567,89",
                         "27": "10,00", "28": "0,00", "29": "35,50", "33": "2,00", "35": "0,00",
                         "37": "5,00", "46": "%1", "47": "520,95", "48": "513,95" },
      "totalizers": [ { "VRALIQIMPFIS": "18,00", "CDIMPOSTO": "T1", "VRVENDIDO": "123,45", "VRIMPOSTO": "22,23" },
                      { "VRALIQIMPFIS": "12,00", "CDIMPOSTO": "T2", "VRVENDIDO": "200,00", "VRIMPOSTO": "24,00" } ],
      "cat52Dir": "cat52"
    })").arg(day).toUtf8());
    return path;
}

QStringList HostInstall::automaticCall(const QString &caixa, const QString &day, const QString &printer) const
{
    return {"--db", db.connectionString(), "--cdfilial", "0001", "--cdcaixa", caixa, "--nrecf", "001",
            "--nrserieecf", "BE091010100011223344", "--dtreducao", day, "--automatico", "--printer", printer};
}

std::unique_ptr<QProcess> HostInstall::start(const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->start(host, arguments);
    process->closeWriteChannel();
    EXPECT_TRUE(process->waitForStarted(30000)) << process->errorString().toStdString();
    return process;
}

HostRun HostInstall::finish(QProcess &process)
{
    HostRun result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "kal02700-host did not finish";
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

HostRun HostInstall::run(const QStringList &arguments)
{
    auto process = start(arguments);
    return finish(*process);
}
