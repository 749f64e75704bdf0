#pragma once
// A query read once from the first row to the last, holding only a bounded
// part of its result in memory whatever its size. On SQLite (and ODBC) a
// forward-only statement steps through the rows; on PostgreSQL, whose client
// library would otherwise take the whole result at once, a server-side
// cursor inside the session's snapshot is fetched a batch at a time. On
// QSQLITE the rows are read on its sqlite3 connection itself, each value
// converted when asked for (SqliteDirect).
#include "Result.h"
#include "SqliteDirect.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <memory>

class LedgerSession;

class ForwardQuery {
public:
    using Parameters = QList<QPair<QString, QVariant>>;

    // Runs the named statement of the session with its parameters (bound by
    // name; a name may occur several times), or tells why the database
    // refused it. batchRows bounds what one fetch of a cursor holds.
    static Result<std::unique_ptr<ForwardQuery>> run(LedgerSession &session, const QString &statement,
                                                     const Parameters &parameters, int batchRows = 2000);
    ~ForwardQuery();
    ForwardQuery(const ForwardQuery &) = delete;
    ForwardQuery &operator=(const ForwardQuery &) = delete;

    // Whether there was a next row (false after the last), or why it could
    // not be read.
    Result<bool> next();

    QVariant value(int column) const { return m_direct ? m_rows.value(column) : m_query.value(column); }
    QString text(int column) const { return m_direct ? m_rows.text(column) : m_query.value(column).toString(); }
    // Whether the column holds this text; a NULL holds none.
    bool sameText(int column, const QString &text) const
    {
        return m_direct ? m_rows.sameText(column, text)
                        : !m_query.isNull(column) && m_query.value(column).toString() == text;
    }
    // Sets target to the column's text; a target that holds it already is
    // left as it is (a chain's rows repeat most of their texts).
    void assignText(int column, QString &target) const
    {
        if (target.isEmpty() || !sameText(column, target))
            target = text(column);
    }
    QDate date(int column) const;
    double number(int column) const { return m_direct ? m_rows.number(column) : m_query.value(column).toDouble(); }
    QByteArray bytes(int column) const { return m_direct ? m_rows.bytes(column) : m_query.value(column).toByteArray(); }
    bool isNull(int column) const { return m_direct ? m_rows.isNull(column) : m_query.isNull(column); }

private:
    ForwardQuery(LedgerSession &session, const QString &statement, int batchRows);
    // These raise EDatabaseError, which run and next turn into their Result.
    void start(const Parameters &parameters);
    bool step();
    void fetchBatch();
    [[noreturn]] void fail(const QString &what, const QSqlQuery &query);
    [[noreturn]] void fail(const QString &what, const QSqlError &error);

    LedgerSession &m_session;
    QString m_name;
    QString m_cursor; // empty when not reading through a cursor
    QSqlQuery m_query;
    SqliteDirect::Statement m_rows;
    bool m_direct = false; // reading through m_rows
    // Waiting: the first row, stepped to when the statement ran, not yet taken.
    enum class DirectRow { Waiting, Stepping, Done } m_directRow = DirectRow::Done;
    int m_batchRows;
    bool m_cursorDone = false;
};
