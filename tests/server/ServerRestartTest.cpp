// The central server stopped before a save and in the middle of one: the
// operator is told, nothing is half-written, and once the server is back the
// next set-up connects again and saves. The suite runs its own server, which
// it stops and starts.
#include "AdoCommand.h"
#include "DatabaseSchema.h"
#include "Exception.h"
#include "ModuleConnection.h"
#include "SharedServicesHost.h"
#include "Srv_kal02700.h"
#include "TestPackets.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

namespace {
const QString Script = QStringLiteral(KAL_SOURCE_DIR "/tests/support/pg-fixture.sh");

bool fixture(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("bash"), QStringList{Script} + arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
} // namespace

class ServerRestartTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        state = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(fixture({QStringLiteral("start"), state->filePath(QStringLiteral("pg"))}))
            << "no PostgreSQL server";
        QFile file(state->filePath(QStringLiteral("pg/connection")));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        connection = QString::fromUtf8(file.readAll()).trimmed();
    }
    static void TearDownTestSuite()
    {
        fixture({QStringLiteral("stop"), state->filePath(QStringLiteral("pg"))});
        state.reset();
    }
    void SetUp() override
    {
        ASSERT_FALSE(connection.isEmpty());
        admin("DROP TRIGGER IF EXISTS trg_devagar ON IMPOSTOREDZ");
        AdoConnection schema(QStringLiteral("restart-schema"));
        schema.setConnectionString(connection);
        schema.open();
        DatabaseSchema::drop(schema);
        DatabaseSchema::apply(schema);
        connectModuleTo(connection);
    }

    static void admin(const char *sql)
    {
        AdoConnection c(QStringLiteral("restart-admin"));
        c.setConnectionString(connection);
        c.open();
        c.execute(QLatin1String(sql));
    }
    static int count(const char *sql)
    {
        AdoConnection c(QStringLiteral("restart-count"));
        c.setConnectionString(connection);
        c.open();
        AdoQuery q(QStringLiteral("q"), &c);
        q.setCommandText(QLatin1String(sql));
        q.open();
        return q.value(QStringLiteral("N")).toInt();
    }
    static bool halt(const char *mode = "fast")
    {
        return fixture({QStringLiteral("halt"), state->filePath(QStringLiteral("pg")), QLatin1String(mode)});
    }
    static bool resume() { return fixture({QStringLiteral("resume"), state->filePath(QStringLiteral("pg"))}); }

    static QVariant save(int day)
    {
        const TDateTime d = AutomationDate::fromDate(QDate(2026, 12, day));
        return Srv_kal02700::setRedZ(
            QStringLiteral("0001"), QStringLiteral("001"), QStringLiteral("001"), QStringLiteral("BE0910101000"),
            QStringLiteral("42"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2"), 1, 2, 3, 4, 5, 6, 7, 8,
            9, d, taxLinePacket({{QStringLiteral("T1"), 18, 100, 18}, {QStringLiteral("T2"), 12, 100, 12}}, d),
            QStringLiteral("FS-700|ACME"));
    }

    static inline std::unique_ptr<QTemporaryDir> state;
    static inline QString connection;
};

TEST_F(ServerRestartTest, AServerStoppedBeforeTheSaveIsReportedAndTheNextCallWorks)
{
    ASSERT_TRUE(save(1).toBool()) << Srv_kal02700::lastSaveReason().toStdString();
    ASSERT_TRUE(halt());
    const QVariant result = save(2);
    EXPECT_EQ(result.typeId(), QMetaType::Bool);
    EXPECT_FALSE(result.toBool());
    const QString message = Srv_kal02700::lastSaveReason();
    EXPECT_FALSE(message.isEmpty());
    EXPECT_FALSE(message.contains(QStringLiteral("kaltest")))
        << "no password in the message: " << message.toStdString();

    ASSERT_TRUE(resume());
    // The next screen set-up connects again.
    Srv_kal02700::rdmCadRedz->adcCadRedz.setConnected(true);
    ASSERT_TRUE(Srv_kal02700::rdmCadRedz->adcCadRedz.connected());
    EXPECT_TRUE(save(2).toBool()) << Srv_kal02700::lastSaveReason().toStdString();
    EXPECT_EQ(count("SELECT COUNT(*) AS N FROM REDUCAOZ"), 2);
    EXPECT_EQ(count("SELECT COUNT(*) AS N FROM IMPOSTOREDZ"), 4);
}

TEST_F(ServerRestartTest, AServerStoppedBetweenTheTwoStatementsStoresNothing)
{
    admin("CREATE OR REPLACE FUNCTION devagar() RETURNS trigger AS $$ BEGIN PERFORM pg_sleep(2); RETURN NEW; END $$ "
          "LANGUAGE plpgsql");
    admin("CREATE TRIGGER trg_devagar BEFORE INSERT ON IMPOSTOREDZ FOR EACH ROW EXECUTE FUNCTION devagar()");
    // While the save waits inside its first tax line, the server goes down hard.
    std::thread stopper([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        halt("immediate");
    });
    const QVariant result = save(3);
    stopper.join();
    EXPECT_FALSE(result.toBool());
    EXPECT_FALSE(Srv_kal02700::lastSaveReason().isEmpty());

    ASSERT_TRUE(resume());
    admin("DROP TRIGGER trg_devagar ON IMPOSTOREDZ");
    EXPECT_EQ(count("SELECT COUNT(*) AS N FROM REDUCAOZ"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS N FROM IMPOSTOREDZ"), 0);

    Srv_kal02700::rdmCadRedz->adcCadRedz.setConnected(true);
    EXPECT_TRUE(save(3).toBool()) << Srv_kal02700::lastSaveReason().toStdString();
    EXPECT_EQ(count("SELECT COUNT(*) AS N FROM IMPOSTOREDZ"), 2);
}
