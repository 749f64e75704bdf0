#include "ServerFixture.h"
#include "ModuleConnection.h"

TDateTime dia(int y, int m, int d)
{
    return AutomationDate::fromDate(QDate(y, m, d));
}

void ServerTest::SetUp()
{
    connectModuleTo(db.connectionString());
}

void ServerTest::TearDown()
{
    rdm().RollbackTrans();
    rdm().adcCadRedz.setConnected(false);
}

Srv_kal02700::ServerResult<Srv_kal02700::Done> ServerTest::saveDay(TDateTime day, const QVariant &packet,
                                                                   const QString &nrRedZ)
{
    return Srv_kal02700::storeReduction(QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("001"),
                                        QStringLiteral("BE091010100011223344"), nrRedZ, QStringLiteral("1"),
                                        QStringLiteral("001234"), QStringLiteral("001300"), 35.5, 10.0, 0.0, 1234567.89,
                                        520.95, 2.0, 5.0, 513.95, 0.0, day, packet, QStringLiteral("FS-700 MACH|ACME"));
}
