#pragma once
// A query read once from the first row to the last, holding only a bounded
// part of its result in memory whatever its size. On SQLite (and ODBC) a
// forward-only statement steps through the rows; on PostgreSQL, whose client
// library would otherwise take the whole result at once, a server-side
// cursor inside the session's snapshot is fetched a batch at a time.
#include <QDate>
#include <QList>
#include <QPair>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

class LedgerSession;

class ForwardQuery {
public:
    using Parameters = QList<QPair<QString, QVariant>>;

    // Runs the named statement of the session with its parameters (bound by
    // name; a name may occur several times). batchRows bounds what one fetch
    // of a cursor holds. Raises EDatabaseError.
    ForwardQuery(LedgerSession &session, const QString &statement, const Parameters &parameters, int batchRows = 2000);
    ~ForwardQuery();
    ForwardQuery(const ForwardQuery &) = delete;
    ForwardQuery &operator=(const ForwardQuery &) = delete;

    // The next row; false after the last. Raises EDatabaseError.
    bool next();

    QVariant value(int column) const { return m_query.value(column); }
    QString text(int column) const { return m_query.value(column).toString(); }
    QDate date(int column) const;
    double number(int column) const { return m_query.value(column).toDouble(); }
    QByteArray bytes(int column) const { return m_query.value(column).toByteArray(); }
    bool isNull(int column) const { return m_query.isNull(column); }

private:
    void fetchBatch();
    [[noreturn]] void fail(const QString &what, const QSqlQuery &query);

    LedgerSession &m_session;
    QString m_name;
    QString m_cursor; // empty when not reading through a cursor
    QSqlQuery m_query;
    int m_batchRows;
    bool m_cursorDone = false;
};
