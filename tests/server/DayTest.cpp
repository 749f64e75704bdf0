// Days without a time of day where daylight saving starts at midnight
// (America/Santiago on 06/09/2026, America/Sao_Paulo's old rule on
// 04/11/2018): the suite runs in both zones, on both databases.
#include "ServerFixture.h"
#include "FormatSettings.h"
#include <algorithm>

using DayTest = ServerTest;

TEST_F(DayTest, AMidnightTheLocalClockSkipsStaysItsDay)
{
    const QList<QDate> days{QDate(2026, 9, 6), QDate(2018, 11, 4)};
    // Otherwise the run is in neither zone and proves nothing.
    ASSERT_TRUE(
        std::any_of(days.cbegin(), days.cend(), [](const QDate &d) { return !QDateTime(d, QTime(0, 0)).isValid(); }))
        << "TZ=" << qgetenv("TZ").toStdString();

    AdoQuery read(QStringLiteral("read"), &db.admin());
    for (const QDate &d : days) {
        const QString text = d.toString(QStringLiteral("dd/MM/yyyy"));
        const QString iso = d.toString(Qt::ISODate);
        const TDateTime day = AutomationDate::fromDate(d);
        SCOPED_TRACE(text.toStdString());

        // The register's last movement, stored at its midnight.
        db.exec(QStringLiteral("DELETE FROM MOVCAIXA"));
        db.exec(QStringLiteral(
                    "INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES ('0001', '001', '%1T00:00:00.000')")
                    .arg(iso));
        EXPECT_EQ(Srv_kal02700::getMaxMovCaixa(QStringLiteral("0001"), QStringLiteral("001")).toStdString(),
                  text.toStdString());

        // The day of a CAT-52 file goes in at its midnight, and reads back as the day.
        const QString name = QStringLiteral("DIA%1.TXT").arg(d.year());
        const QVariant stored = Srv_kal02700::setArqCat52(QStringLiteral("0001"), QStringLiteral("001"),
                                                          QStringLiteral("000"), QStringLiteral("000000000000"), text,
                                                          name, {QStringLiteral("E12")});
        EXPECT_FALSE(stored.isValid()) << stored.toString().toStdString();
        const QString column =
            db.scalar(QStringLiteral("SELECT CAST(DTMOVCAT52 AS VARCHAR(30)) FROM ARQCAT52 WHERE NMARQCAT52 = '%1'")
                          .arg(name))
                .toString();
        EXPECT_EQ(column.left(10).toStdString(), iso.toStdString());
        EXPECT_EQ(column.mid(11, 8).toStdString(), "00:00:00");
        read.setCommandText(QStringLiteral("SELECT DTMOVCAT52 FROM ARQCAT52 WHERE NMARQCAT52 = '%1'").arg(name));
        read.open();
        EXPECT_EQ(read.asDateTime(QStringLiteral("DTMOVCAT52")), day);
        EXPECT_EQ(FormatSettings::dateTimeToStr(read.asDateTime(QStringLiteral("DTMOVCAT52"))).toStdString(),
                  text.toStdString());

        // A Z reduction of the day, with its tax line, under that day.
        EXPECT_TRUE(saveDay(day, taxPacket({{QStringLiteral("T1"), 18, 100, 18}}, day)).ok());
        EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ WHERE DTREDUCAOZ = '%1'").arg(iso)), 1);
        EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ WHERE DTREDUCAOZ = '%1'").arg(iso)), 1);
        read.setCommandText(QStringLiteral("SELECT DTREDUCAOZ FROM REDUCAOZ WHERE DTREDUCAOZ = '%1'").arg(iso));
        read.open();
        EXPECT_EQ(read.asDateTime(QStringLiteral("DTREDUCAOZ")), day);
    }
}
