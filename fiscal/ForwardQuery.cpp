#include "ForwardQuery.h"
#include "Exception.h"
#include "Guarded.h"
#include "LedgerSession.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>

namespace {
bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// An absent filter travels as the empty text, never as NULL, so that
// "(:cdfilial = '' OR ...)" reads as meant.
QVariant bindable(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString && value.toString().isNull())
        return QVariant(QStringLiteral(""));
    return value;
}
ForwardQuery::Parameters bindableParameters(const ForwardQuery::Parameters &parameters)
{
    ForwardQuery::Parameters out;
    out.reserve(parameters.size());
    for (const auto &[name, value] : parameters)
        out.append({name, bindable(value)});
    return out;
}

// The statement with each :name replaced by its value as a literal that the
// driver itself quotes: a cursor's statement takes no bound parameters.
QString withLiterals(const QString &sql, const ForwardQuery::Parameters &parameters, const QSqlDriver &driver)
{
    QString out;
    out.reserve(sql.size() + 64);
    bool quoted = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char(':') || i + 1 >= sql.size() || !isNameChar(sql.at(i + 1))
            || (i > 0 && sql.at(i - 1) == QLatin1Char(':'))) {
            out += c;
            continue;
        }
        qsizetype end = i + 1;
        while (end < sql.size() && isNameChar(sql.at(end)))
            ++end;
        const QString name = sql.mid(i + 1, end - i - 1);
        bool found = false;
        for (const auto &[key, value] : parameters) {
            if (key == name) {
                QSqlField field(name, value.metaType());
                field.setValue(bindable(value));
                out += driver.formatValue(field);
                found = true;
                break;
            }
        }
        if (!found)
            throw Exception(QStringLiteral("Parâmetro %1 sem valor no comando").arg(name));
        i = end - 1;
    }
    return out;
}
} // namespace

ForwardQuery::ForwardQuery(LedgerSession &session, const QString &statement, int batchRows)
    : m_session(session), m_name(statement), m_query(session.connection().database()), m_batchRows(batchRows)
{
}

Result<std::unique_ptr<ForwardQuery>> ForwardQuery::run(LedgerSession &session, const QString &statement,
                                                        const Parameters &parameters, int batchRows)
{
    return Guarded::run([&] {
        std::unique_ptr<ForwardQuery> query(new ForwardQuery(session, statement, batchRows));
        query->start(parameters);
        return query;
    });
}

void ForwardQuery::start(const Parameters &parameters)
{
    LedgerSession &session = m_session;
    const QString sql = session.statement(m_name);
    m_query.setForwardOnly(true);
    if (session.dialect().readsInBatches()) {
        if (!session.inSnapshot())
            throw Exception(QStringLiteral("Leitura de %1 fora de uma transação de leitura").arg(m_name));
        // Named once declared: only a declared cursor is closed at the end.
        const QString cursor = session.nextCursorName();
        const QString declare = QStringLiteral("DECLARE ") + cursor + QStringLiteral(" NO SCROLL CURSOR FOR ")
                                + withLiterals(sql, parameters, *session.connection().database().driver());
        if (!m_query.exec(declare))
            fail(QStringLiteral("Erro ao consultar"), m_query);
        m_cursor = cursor;
        m_query.clear();
        // A batch is taken whole: Qt reads a forward-only PostgreSQL result
        // row by row, and a second query on the connection would discard the
        // rest of it, while the audit reads several cursors side by side.
        m_query = QSqlQuery(session.connection().database());
        m_query.setForwardOnly(false);
        return;
    }
    if (sqlite3 *db = SqliteDirect::session(session.connection().database())) {
        QSqlError error;
        if (!m_rows.prepare(db, sql, bindableParameters(parameters), &error))
            fail(QStringLiteral("Erro ao preparar a consulta"), error);
        m_direct = true;
        // As QSQLITE's exec, the first step runs here: a statement that
        // cannot run fails as a query, not as a read.
        m_directRow = m_rows.next(&error) ? DirectRow::Waiting : DirectRow::Done;
        if (error.isValid())
            fail(QStringLiteral("Erro ao consultar"), error);
        return;
    }
    if (!m_query.prepare(sql))
        fail(QStringLiteral("Erro ao preparar a consulta"), m_query);
    for (const auto &[name, value] : parameters)
        m_query.bindValue(QLatin1Char(':') + name, bindable(value));
    if (!m_query.exec())
        fail(QStringLiteral("Erro ao consultar"), m_query);
}

ForwardQuery::~ForwardQuery()
{
    m_query.finish();
    if (!m_cursor.isEmpty() && m_session.inSnapshot()) {
        QSqlQuery close(m_session.connection().database());
        close.exec(QStringLiteral("CLOSE ") + m_cursor);
    }
}

void ForwardQuery::fetchBatch()
{
    m_query.finish();
    if (!m_query.exec(QStringLiteral("FETCH FORWARD %1 FROM %2").arg(m_batchRows).arg(m_cursor)))
        fail(QStringLiteral("Erro ao ler a consulta"), m_query);
    // A short batch is the last one.
    const int size = m_query.size();
    m_cursorDone = size >= 0 && size < m_batchRows;
}

Result<bool> ForwardQuery::next()
{
    return Guarded::run([this] { return step(); });
}

bool ForwardQuery::step()
{
    if (m_direct) {
        if (m_directRow == DirectRow::Waiting) {
            m_directRow = DirectRow::Stepping;
            return true;
        }
        // Stepped once more after its last row, SQLite would run it again.
        if (m_directRow == DirectRow::Done)
            return false;
        QSqlError error;
        if (m_rows.next(&error))
            return true;
        m_directRow = DirectRow::Done;
        if (error.isValid())
            fail(QStringLiteral("Erro ao ler a consulta"), error);
        return false;
    }
    if (m_cursor.isEmpty()) {
        if (m_query.next())
            return true;
        if (m_query.lastError().isValid())
            fail(QStringLiteral("Erro ao ler a consulta"), m_query);
        return false;
    }
    if (m_query.isActive() && m_query.next())
        return true;
    if (m_cursorDone)
        return false;
    fetchBatch();
    return m_query.next();
}

QDate ForwardQuery::date(int column) const
{
    if (m_direct)
        return m_rows.date(column);
    const QVariant v = m_query.value(column);
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    // SQLite keeps days as "yyyy-MM-dd" text (a date-time as "yyyy-MM-ddTHH:mm:ss.zzz").
    return QDate::fromString(v.toString().left(10), Qt::ISODate);
}

void ForwardQuery::fail(const QString &what, const QSqlQuery &query)
{
    throw EDatabaseError(m_session.failure(what, m_name, query));
}

void ForwardQuery::fail(const QString &what, const QSqlError &error)
{
    throw EDatabaseError(m_session.failure(what, m_name, error));
}
