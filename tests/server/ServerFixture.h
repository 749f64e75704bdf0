#pragma once
// Every server test starts from a fresh database of the suite's backend with
// the one data module connected to it.
#include "ClientDataSet.h"
#include "Exception.h"
#include "SharedServicesHost.h"
#include "Srv_kal02700.h"
#include "TestPackets.h"
#include "TestDatabase.h"
#include <gtest/gtest.h>

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static Srv_kal02700::TrdmCadRedz &rdm() { return *Srv_kal02700::rdmCadRedz; }
    static QVariant taxPacket(const QList<PacketTaxLine> &lines, TDateTime day) { return taxLinePacket(lines, day); }
    // The save setRedZ does, with typical values for branch 0001, register
    // 001, printer 001.
    Srv_kal02700::ServerResult<Srv_kal02700::Done> saveDay(TDateTime day, const QVariant &packet,
                                                           const QString &nrRedZ = QStringLiteral("42"));

    TestDb::Database db;
    SharedServicesHost::MessageRecorder messages;
};

TDateTime dia(int y, int m, int d);

// A save that went through, or the reason it did not, in the failure.
inline ::testing::AssertionResult stored(const Srv_kal02700::ServerResult<Srv_kal02700::Done> &result)
{
    if (result.ok())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << result.error().toStdString();
}
