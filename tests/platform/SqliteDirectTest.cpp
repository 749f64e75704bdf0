// Rows read on QSQLITE's own sqlite3 connection give every value as QSQLITE
// itself gives it, see the connection's open transaction, and fail in
// SQLite's words.
#include "SqliteDirect.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

namespace {

TEST(SqliteDirect, ReadsWhatQsqliteReadsOnItsOwnConnection)
{
    // The statements end before the connection closes, as SQLite needs.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("direta"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    EXPECT_EQ(SqliteDirect::session(db), nullptr) << "a closed connection";
    ASSERT_TRUE(db.open());
    sqlite3 *handle = SqliteDirect::session(db);
    ASSERT_NE(handle, nullptr);

    QSqlQuery qt(db);
    ASSERT_TRUE(qt.exec(QStringLiteral("CREATE TABLE T (K TEXT, V NUMERIC, D TEXT, B BLOB)")));
    ASSERT_TRUE(qt.exec(QStringLiteral("BEGIN")));
    ASSERT_TRUE(qt.exec(QStringLiteral("INSERT INTO T VALUES ('ação', 12.5, '2024-02-29T10:00:00.000', x'00ff'), "
                                       "('b', 7, '2024-02-30', NULL), (NULL, NULL, '29/02/2024', 'txt')")));

    const QString sql = QStringLiteral("SELECT K, V, D, B, :k, :k || '!', :dia, :nada, :n FROM T ORDER BY rowid");
    const SqliteDirect::Statement::Parameters parameters{{QStringLiteral("k"), QStringLiteral("é")},
                                                         {QStringLiteral("dia"), QDate(2026, 12, 9)},
                                                         {QStringLiteral("nada"), QVariant(QString())},
                                                         {QStringLiteral("n"), 42},
                                                         {QStringLiteral("sobra"), 1}};
    ASSERT_TRUE(qt.prepare(sql));
    for (const auto &[name, value] : parameters)
        qt.bindValue(QLatin1Char(':') + name, value);
    ASSERT_TRUE(qt.exec());

    SqliteDirect::Statement direct;
    QSqlError error;
    ASSERT_TRUE(direct.prepare(handle, sql, parameters, &error)) << error.text().toStdString();
    int rows = 0;
    while (qt.next()) {
        ASSERT_TRUE(direct.next(&error)) << "row " << rows << ": " << error.text().toStdString();
        for (int c = 0; c < qt.record().count(); ++c) {
            const QVariant v = qt.value(c);
            EXPECT_EQ(direct.value(c), v) << "row " << rows << " column " << c;
            EXPECT_EQ(direct.value(c).typeId(), v.typeId()) << "row " << rows << " column " << c;
            EXPECT_EQ(direct.text(c), v.toString()) << "row " << rows << " column " << c;
            EXPECT_EQ(direct.number(c), v.toDouble()) << "row " << rows << " column " << c;
            EXPECT_EQ(direct.bytes(c), v.toByteArray()) << "row " << rows << " column " << c;
            EXPECT_EQ(direct.isNull(c), qt.isNull(c)) << "row " << rows << " column " << c;
            EXPECT_EQ(direct.sameText(c, v.toString()), !qt.isNull(c)) << "row " << rows << " column " << c;
            EXPECT_EQ(direct.date(c), QDate::fromString(v.toString().left(10), Qt::ISODate))
                << "row " << rows << " column " << c;
        }
        EXPECT_FALSE(direct.sameText(0, QStringLiteral("acao")));
        ++rows;
    }
    EXPECT_EQ(rows, 3) << "the uncommitted rows of the connection's transaction";
    EXPECT_FALSE(direct.next(&error));
    EXPECT_FALSE(error.isValid()) << error.text().toStdString();

    SqliteDirect::Statement wrong;
    EXPECT_FALSE(wrong.prepare(handle, QStringLiteral("SELECT * FROM NAO_EXISTE"), {}, &error));
    EXPECT_TRUE(error.databaseText().contains(QStringLiteral("no such table: NAO_EXISTE")))
        << error.databaseText().toStdString();
    EXPECT_EQ(error.nativeErrorCode(), QStringLiteral("1"));
    qt.exec(QStringLiteral("ROLLBACK"));
}

} // namespace
