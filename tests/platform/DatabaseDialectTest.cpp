// Each database's ways without a server: the operator's sentence of every
// error class, the time zone a session is given, and what a connection
// string tells of the database behind it.
#include "AdoConnection.h"
#include "ConnectionString.h"
#include "DatabaseDialect.h"
#include "Exception.h"
#include <gtest/gtest.h>

namespace {

using Class = DatabaseDialect::ErrorClass;

TEST(DatabaseDialect, EveryErrorClassHasAPortugueseSentenceOfItsOwn)
{
    const ConnectionString cs = ConnectionString::parse(QStringLiteral("postgresql://kal@db/kal?lock_timeout=500"));
    const QString other = DatabaseDialect::sentence(Class::Other, cs);
    QStringList seen;
    for (int i = 0; i < DatabaseDialect::ErrorClassCount; ++i) {
        const QString text = DatabaseDialect::sentence(Class(i), cs);
        SCOPED_TRACE(text.toStdString());
        EXPECT_TRUE(text.endsWith(u'.') && text.at(0).isUpper());
        EXPECT_FALSE(text.contains(u'%'));
        if (Class(i) != Class::Other) {
            EXPECT_NE(text, other) << "class " << i << " falls back to the general sentence";
        }
        EXPECT_FALSE(seen.contains(text));
        seen << text;
    }
    // The limits named are the string's own.
    EXPECT_TRUE(DatabaseDialect::sentence(Class::LockTimeout, cs).contains(QStringLiteral("lock_timeout de 500 ms")));
    EXPECT_TRUE(DatabaseDialect::sentence(Class::AnswerTimeout, cs).contains(QStringLiteral("em 35 s")));
    EXPECT_TRUE(DatabaseDialect::sentence(Class::Busy, cs).contains(QStringLiteral("espera de 5 s")));
}

TEST(DatabaseDialect, AFullDiskIsOneSentenceNamingTheDatabaseWhereverItArises)
{
    const struct {
        const char *connection, *code, *words;
    } cases[] = {
        {"sqlite:/var/lib/kal/kal.db", "13", "database or disk is full"},
        {"sqlite:/var/lib/kal/kal.db", "", "database or disk is full"}, // QSQLITE's failed commit
        {"odbc:Driver={SQLite3};Database=/var/lib/kal/kal.db", "13", "database or disk is full"},
        {"postgresql://kal:segredo@db/kal", "53100",
         "could not extend file \"base/16384/16385\": No space left on "
         "device"},
        {"postgresql://kal:segredo@db/kal", "58030",
         "could not write to file \"base/pgsql_tmp/t1\": No space left "
         "on device"},
    };
    for (const auto &c : cases) {
        AdoConnection connection(QStringLiteral("cheio"));
        connection.setConnectionString(QLatin1String(c.connection));
        const QString text = DatabaseDialect::message(
            EDatabaseError(QStringLiteral("Erro"), QLatin1String(c.code), QString(), QLatin1String(c.words)),
            connection);
        SCOPED_TRACE(text.toStdString());
        EXPECT_TRUE(text.startsWith(QStringLiteral("Disco cheio: não há espaço para gravar no ")
                                    + ConnectionString::parse(QLatin1String(c.connection)).description()));
        EXPECT_TRUE(text.endsWith(QStringLiteral(" (%1).").arg(QLatin1String(c.words))));
        EXPECT_FALSE(text.contains(u'\n') || text.contains(QStringLiteral("segredo")));
    }
}

TEST(DatabaseDialect, TimeZoneStatementUsesTheZoneNameOrTheOffset)
{
    const auto timeZoneStatement = &DatabaseDialect::timeZoneStatement;
    EXPECT_EQ(timeZoneStatement("America/Sao_Paulo", -3 * 3600), "SET TIME ZONE 'America/Sao_Paulo'");
    EXPECT_EQ(timeZoneStatement("UTC", 0), "SET TIME ZONE 'UTC'");
    EXPECT_EQ(timeZoneStatement("", -3 * 3600), "SET TIME ZONE INTERVAL '-03:00' HOUR TO MINUTE");
    EXPECT_EQ(timeZoneStatement("Nowhere/Atlantis", 5 * 3600 + 1800), "SET TIME ZONE INTERVAL '+05:30' HOUR TO MINUTE");
    EXPECT_EQ(timeZoneStatement("x'; DROP TABLE REDUCAOZ; --", 0), "SET TIME ZONE INTERVAL '+00:00' HOUR TO MINUTE");
    EXPECT_EQ(timeZoneStatement("America/St_Johns", -(3 * 3600 + 1800)), "SET TIME ZONE 'America/St_Johns'");
    EXPECT_EQ(timeZoneStatement("", -(3 * 3600 + 1800)), "SET TIME ZONE INTERVAL '-03:30' HOUR TO MINUTE");
}

TEST(DatabaseDialect, TheStringTellsTheDatabaseBehindTheDriver)
{
    const struct {
        const char *connectionString;
        const char *name;
        const char *qtDriver;
    } cases[] = {
        {"sqlite:/tmp/kal.db", "sqlite", "QSQLITE"},
        {"postgresql://kal@db/kal", "postgresql", "QPSQL"},
        {"odbc:Driver={PostgreSQL Unicode};Server=db;Database=kal", "postgresql", "QODBC"},
        {"odbc:Driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so;Server=db", "postgresql", "QODBC"},
        {"odbc:Driver={SQLite3};Database=/tmp/kal.db", "sqlite", "QODBC"},
        {"odbc:kal", "", "QODBC"},
        {"nada", "", ""},
    };
    for (const auto &c : cases) {
        const DatabaseDialect dialect = DatabaseDialect::of(ConnectionString::parse(QLatin1String(c.connectionString)));
        EXPECT_EQ(dialect.name(), QLatin1String(c.name)) << c.connectionString;
        EXPECT_EQ(dialect.qtDriver(), QLatin1String(c.qtDriver)) << c.connectionString;
    }
}

} // namespace
