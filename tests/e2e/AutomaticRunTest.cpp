// A store's nightly script: the host in automatic mode records the printer's
// Z reduction, its tax lines and its CAT-52 file.
#include "HostInstall.h"
#include "AdoCommand.h"
#include <QDateTime>
#include <QFile>

using AutomaticRunTest = HostInstall;

namespace {
// The day's one CAT-52 row: the file the printer wrote, byte for byte,
// stored between `before` and `after`.
void expectCat52Row(const QString &connectionString, const QString &cat52Folder, const QDate &day,
                    const QDateTime &before, const QDateTime &after)
{
    AdoConnection connection(QStringLiteral("e2e-read"));
    connection.setConnectionString(connectionString);
    connection.open();
    AdoQuery cat(QStringLiteral("cat"), &connection);
    cat.setCommandText(QStringLiteral("SELECT CDFILIAL, CDCAIXA, CDLOJA, CDOPERADOR, DTGERACAT52, DTMOVCAT52, "
                                      "NMARQCAT52, DSARQCAT52 FROM ARQCAT52"));
    cat.open();
    ASSERT_FALSE(cat.isEmpty());
    EXPECT_EQ(cat.asString(QStringLiteral("CDFILIAL")), QStringLiteral("0001"));
    EXPECT_EQ(cat.asString(QStringLiteral("CDCAIXA")), QStringLiteral("001"));
    EXPECT_EQ(cat.asString(QStringLiteral("CDLOJA")), QStringLiteral("000"));
    EXPECT_EQ(cat.asString(QStringLiteral("CDOPERADOR")), QStringLiteral("000000000000"));
    const QDateTime stored = AutomationDate::toDateTime(cat.asDateTime(QStringLiteral("DTGERACAT52")));
    EXPECT_GE(stored, before);
    EXPECT_LE(stored, after);
    EXPECT_EQ(cat.asDateTime(QStringLiteral("DTMOVCAT52")), AutomationDate::fromDate(day));
    const QString name = cat.asString(QStringLiteral("NMARQCAT52"));
    QFile file(cat52Folder + QStringLiteral("/") + name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    const QByteArray content = file.readAll();
    EXPECT_EQ(cat.value(QStringLiteral("DSARQCAT52")).toByteArray(), content);
    EXPECT_TRUE(content.startsWith("E12BE091010100011223344")) << content.left(40).toStdString();
    cat.next();
    EXPECT_TRUE(cat.eof());
}
} // namespace

TEST_F(AutomaticRunTest, StoresTheDayColumnByColumnAndRefusesItTwice)
{
    const QString printer = writePrinter(text(yesterday));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const HostRun first = run(automaticCall(QStringLiteral("001"), text(yesterday), printer));
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    ASSERT_EQ(first.exitCode, 0) << first.out.toStdString() << first.err.toStdString();
    EXPECT_EQ(first.out.trimmed(), QStringLiteral("Dados gravados corretamente.")) << first.out.toStdString();

    const auto red = db.rows(QStringLiteral(
        "SELECT CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, NRREDREDZ, NRREINIREDZ, NRPRIMCFREDZ, NRULTCFREDZ, "
        "VRSTRIBREDZ, VRISENCREDZ, VRNINCIDREDZ, VRGTREDZ, VRVENBRUREDZ, VRTOTCANREDZ, VRTOTDESREDZ, VRVENLIQREDZ, "
        "VRTOTACRREDZ, IDORIGEMREDZ, NRGERCNFREDZ, NRLEITREDZ, NRCANCFREDZ, DSMODMARCAECF, DTREDUCAOZ FROM REDUCAOZ"));
    ASSERT_EQ(red.size(), 1);
    const QVariantList expected{"0001",
                                "001",
                                "001",
                                "BE091010100011223344",
                                "0000000042",
                                "0000000001",
                                QString::number(1000 + yesterday.day()).rightJustified(10, u'0'),
                                "0000001300",
                                35.5,
                                10.0,
                                0.0,
                                1234567.89,
                                520.95,
                                5.0,
                                2.0,
                                513.95,
                                0.0,
                                "KIV",
                                "0000000000",
                                "0000000000",
                                "0000000000",
                                "FS-700 MACH|ACME"};
    for (int i = 0; i < expected.size(); ++i) {
        if (expected[i].typeId() == QMetaType::Double)
            EXPECT_EQ(red[0][i].toDouble(), expected[i].toDouble()) << "column " << i;
        else
            EXPECT_EQ(red[0][i].toString(), expected[i].toString()) << "column " << i;
    }
    EXPECT_EQ(red[0][22].toDate(), yesterday);

    const auto taxes = db.rows(
        QStringLiteral("SELECT CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, CDIMPOSTO, VRALIQIMPRZ, "
                       "VRBCALCIMPRZ, VRIMPOSTORZ FROM IMPOSTOREDZ ORDER BY CDIMPOSTO"));
    ASSERT_EQ(taxes.size(), 2);
    const QVariantList t1{"0001", "001", "001", yesterday, "T1", 18.0, 123.45, 22.22};
    const QVariantList t2{"0001", "001", "001", yesterday, "T2", 12.0, 200.0, 24.0};
    for (int row = 0; row < 2; ++row) {
        const QVariantList &want = row == 0 ? t1 : t2;
        EXPECT_EQ(taxes[row][3].toDate(), want[3].toDate());
        for (int i : {0, 1, 2, 4})
            EXPECT_EQ(taxes[row][i].toString(), want[i].toString()) << row << "/" << i;
        for (int i : {5, 6, 7})
            EXPECT_EQ(taxes[row][i].toDouble(), want[i].toDouble()) << row << "/" << i;
    }

    expectCat52Row(db.connectionString(), dir.filePath(QStringLiteral("cat52")), yesterday, before, after);

    // The same call again: refused at the opening, told, nothing more stored.
    const HostRun again = run(automaticCall(QStringLiteral("001"), text(yesterday), printer));
    const QString refused =
        QStringLiteral("A Redução Z de %1 do caixa 001 (ECF 001) já está gravada.").arg(text(yesterday));
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.out.trimmed(), refused) << again.out.toStdString();
    EXPECT_EQ(again.err.trimmed(), QStringLiteral("kal02700-host: ") + refused) << again.err.toStdString();
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ")), 1);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ")), 2);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM ARQCAT52")), 1);
}
