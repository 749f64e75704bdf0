// Two registers of one branch closing their day at the same moment.
#include "HostInstall.h"

using ConcurrencyTest = HostInstall;

TEST_F(ConcurrencyTest, DifferentRegistersRecordAtOnce)
{
    const QString printer = writePrinter(QStringLiteral("09/12/2026"));
    auto a = start(automaticCall(QStringLiteral("001"), QStringLiteral("09/12/2026"), printer));
    auto b = start(automaticCall(QStringLiteral("002"), QStringLiteral("09/12/2026"), printer));
    const HostRun ra = finish(*a);
    const HostRun rb = finish(*b);
    EXPECT_EQ(ra.exitCode, 0) << ra.out.toStdString() << ra.err.toStdString();
    EXPECT_EQ(rb.exitCode, 0) << rb.out.toStdString() << rb.err.toStdString();
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ")), 2);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ WHERE CDCAIXA = '001'")), 2);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ WHERE CDCAIXA = '002'")), 2);
}

TEST_F(ConcurrencyTest, TheSameRegisterAndDayIsStoredExactlyOnce)
{
    const QString printer = writePrinter(QStringLiteral("10/12/2026"));
    auto a = start(automaticCall(QStringLiteral("001"), QStringLiteral("10/12/2026"), printer));
    auto b = start(automaticCall(QStringLiteral("001"), QStringLiteral("10/12/2026"), printer));
    const HostRun ra = finish(*a);
    const HostRun rb = finish(*b);
    EXPECT_EQ(ra.exitCode + rb.exitCode, 1) << ra.out.toStdString() << " / " << rb.out.toStdString();
    const HostRun &loser = ra.exitCode == 1 ? ra : rb;
    EXPECT_EQ(loser.out.trimmed(), QStringLiteral("Os dados não foram gravados no sistema."))
        << loser.err.toStdString();
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM REDUCAOZ")), 1);
    EXPECT_EQ(db.count(QStringLiteral("SELECT COUNT(*) FROM IMPOSTOREDZ")), 2);
}
