#include "HostInstall.h"
#include <QFile>

void HostInstall::SetUp()
{
    ASSERT_EQ(installation.error(), QString()) << installation.error().toStdString();
    dir = installation.folder();
    // Reference data of the store: the tax table and the first coupon of
    // each day of the last month, 1000 and the day of the month.
    db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T1', 18)"));
    db.exec(QStringLiteral("INSERT INTO ALIQIMPFIS (CDIMPOSTO, VRPEALIMPFIS) VALUES ('T2', 12)"));
    for (const char *caixa : {"001", "002"})
        for (QDate day = today.addDays(-31); day <= today; day = day.addDays(1))
            db.exec(
                QStringLiteral("INSERT INTO NOVOCODIGO (CDCONTADOR, NRSEQUENCIAL) VALUES ('CUPINICIAL0001%1%2', '%3')")
                    .arg(QLatin1String(caixa), text(day))
                    .arg(1000 + day.day()));
    writeLocalFiles(QStringLiteral("18"), QStringLiteral("S"));
}

void HostInstall::writeLocalFiles(const QString &printerType, const QString &generateFiles)
{
    ASSERT_TRUE(installation.writeLocalFiles(printerType, generateFiles));
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
    })")
                   .arg(day)
                   .toUtf8());
    return path;
}

QStringList HostInstall::automaticCall(const QString &caixa, const QString &day, const QString &printer) const
{
    return {
        "--db",         db.connectionString(),  "--cdfilial",  "0001", "--cdcaixa",    caixa,       "--nrecf", "001",
        "--nrserieecf", "BE091010100011223344", "--dtreducao", day,    "--automatico", "--printer", printer};
}
