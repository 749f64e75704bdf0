// A reader's session on each database, natively and through ODBC: it
// refuses to write, in the operator's words, and its snapshot keeps seeing
// the data as it was while another session stores more.
#include "AdoConnection.h"
#include "DatabaseDialect.h"
#include "Exception.h"
#include "TestDatabase.h"
#include <QSqlQuery>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

std::string scalar(AdoConnection &connection, const QString &sql)
{
    QSqlQuery query(connection.database());
    if (!query.exec(sql) || !query.next())
        return "(falhou: " + sql.toStdString() + ")";
    return query.value(0).toString().toStdString();
}

const QString Counters = QStringLiteral("SELECT COUNT(*) FROM NOVOCODIGO");

void storeCounter(TestDb::Database &db, const char *name)
{
    db.exec(QStringLiteral("INSERT INTO NOVOCODIGO (CDCONTADOR, NRSEQUENCIAL) VALUES ('%1', '1')")
                .arg(QLatin1String(name)));
}

TEST(DialectSession, AReaderNeverWritesAndReadsOneSnapshot)
{
    TestDb::Database db;
    AdoConnection reader(QStringLiteral("leitura"));
    DatabaseDialect::openForReading(reader, db.connectionString());

    try {
        reader.execute(QStringLiteral("INSERT INTO NOVOCODIGO (CDCONTADOR, NRSEQUENCIAL) VALUES ('X', '1')"));
        ADD_FAILURE() << "a read-only session wrote";
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(
            DatabaseDialect::message(e, reader).startsWith(QStringLiteral("Banco de dados somente para leitura")))
            << DatabaseDialect::message(e, reader).toStdString();
    }

    storeCounter(db, "ANTES");
    reader.dialect().beginSnapshot(reader);
    EXPECT_EQ(scalar(reader, Counters), "1");
    storeCounter(db, "DURANTE");
    EXPECT_EQ(scalar(reader, Counters), "1") << "the snapshot saw a row stored after it began";
    if (TestDb::isPostgres()) {
        EXPECT_EQ(scalar(reader, QStringLiteral("SHOW transaction_isolation")), "repeatable read");
        EXPECT_EQ(scalar(reader, QStringLiteral("SHOW transaction_read_only")), "on");
    }
    reader.dialect().endSnapshot(reader);
    EXPECT_EQ(scalar(reader, Counters), "2");

    // The session reads date-times in the process's zone, no wait is endless and
    // the server compiles none of its statements.
    if (TestDb::isPostgres()) {
        EXPECT_EQ(scalar(reader, QStringLiteral("SHOW TimeZone")), QTimeZone::systemTimeZoneId().toStdString());
        EXPECT_EQ(scalar(reader, QStringLiteral("SHOW lock_timeout")), "15s");
        EXPECT_EQ(scalar(reader, QStringLiteral("SHOW statement_timeout")), "30s");
        EXPECT_EQ(scalar(reader, QStringLiteral("SHOW jit")), "off");
    } else {
        EXPECT_EQ(scalar(reader, QStringLiteral("PRAGMA busy_timeout")), "5000");
    }
}

} // namespace
