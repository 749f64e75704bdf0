#pragma once
// A statement read forward on the sqlite3 connection under Qt's SQLite
// driver, each value taken as SQLite holds it. QSQLITE turns every column of
// every row into a QVariant, its texts through SQLite's own UTF-16
// conversion, before anyone asks for them: on a ledger's years of rows that
// costs more than the reading itself. Here a value is converted when read.
// It runs inside the connection's open transaction, if there is one.
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace SqliteDirect {

// Before the process opens its first SQLite connection: readers on threads
// of their own share no lock. SQLite's count of its memory (which nothing
// here reads) takes one process-wide lock on every allocation, and two
// threads reading apart would spend their time waiting for each other.
// False when a connection was opened already (nothing changes then).
bool readInParallel();

// The sqlite3 connection under Qt's SQLite driver; none for another driver,
// a closed connection, or a driver on an SQLite library other than ours.
sqlite3 *session(const QSqlDatabase &db);

class Statement {
public:
    using Parameters = QList<QPair<QString, QVariant>>;

    Statement() = default;
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Prepares text (:name placeholders; a name may occur several times)
    // and binds the values as QSQLITE would. False with the error on failure.
    bool prepare(sqlite3 *db, const QString &text, const Parameters &parameters, QSqlError *error);
    // The next row; false after the last, or on failure with error set.
    bool next(QSqlError *error);

    // The row's values, as QSQLITE gives them: a NULL as a null text.
    QVariant value(int column) const;
    QString text(int column) const;
    // Whether the column holds this text (a NULL holds none), without
    // making a string of it.
    bool sameText(int column, QStringView text) const;
    double number(int column) const;
    QByteArray bytes(int column) const;
    // A day kept as "yyyy-MM-dd" text (or the start of a date-time).
    QDate date(int column) const;
    bool isNull(int column) const;

private:
    QSqlError failure(const QString &what, int code) const;

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_statement = nullptr;
};

} // namespace SqliteDirect
