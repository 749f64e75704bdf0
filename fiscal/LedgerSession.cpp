#include "LedgerSession.h"
#include "Exception.h"

#include <QFile>

namespace {
void prepareSession(AdoConnection &connection)
{
    // Through ODBC as natively: by the database behind the driver.
    switch (connection.dbms()) {
    case AdoConnection::Dbms::SQLite:
        // The ledger only reads through its own connection.
        connection.execute(QStringLiteral("PRAGMA query_only = ON"));
        break;
    case AdoConnection::Dbms::PostgreSQL:
        // The ODBC driver keeps the session's encoding itself.
        if (connection.driver() != AdoConnection::Driver::ODBC)
            connection.execute(QStringLiteral("SET client_encoding TO 'UTF8'"));
        connection.execute(QStringLiteral("SET DateStyle TO 'ISO, DMY'"));
        connection.execute(QStringLiteral("SET standard_conforming_strings TO on"));
        break;
    case AdoConnection::Dbms::Unknown:
        break;
    }
}
// The statement without its "--" comments, which explain it to people but
// would only get in the way of placeholders (a colon or an apostrophe in a
// comment).
QString withoutComments(const QString &text)
{
    QString out;
    out.reserve(text.size());
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('-') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('-')) {
            while (i < text.size() && text.at(i) != QLatin1Char('\n'))
                ++i;
            out += QLatin1Char('\n');
            continue;
        }
        out += c;
    }
    return out.trimmed();
}
} // namespace

LedgerSession::LedgerSession(const QString &connectionString) : m_connection(QStringLiteral("fiscal"))
{
    m_connection.setConnectionString(connectionString);
    m_connection.afterConnect = prepareSession;
    m_connection.open();
    m_dialect = m_connection.dbms() == AdoConnection::Dbms::SQLite ? Dialect::SQLite : Dialect::Standard;
}

LedgerSession::~LedgerSession()
{
    if (m_snapshotDepth > 0) {
        m_snapshotDepth = 1;
        try {
            endSnapshot();
        } catch (const Exception &) {
            // Closing the connection ends the read anyway.
        }
    }
}

QString LedgerSession::statementText(const QString &name, Dialect dialect)
{
    // A statement that SQLite needs in a form of its own has it under sqlite/.
    QFile file(QStringLiteral(":/fiscal/sql/sqlite/") + name + QStringLiteral(".sql"));
    if (dialect != Dialect::SQLite || !file.exists())
        file.setFileName(QStringLiteral(":/fiscal/sql/") + name + QStringLiteral(".sql"));
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Texto do comando %1 ausente do livro fiscal").arg(name));
    return withoutComments(QString::fromUtf8(file.readAll()));
}

void LedgerSession::beginSnapshot()
{
    if (m_snapshotDepth++ > 0)
        return;
    try {
        switch (m_connection.driver()) {
        case AdoConnection::Driver::PostgreSQL:
            m_connection.execute(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
            break;
        case AdoConnection::Driver::SQLite:
            m_connection.execute(QStringLiteral("BEGIN"));
            break;
        default:
            m_connection.beginTrans();
            break;
        }
    } catch (...) {
        m_snapshotDepth = 0;
        throw;
    }
}

void LedgerSession::endSnapshot()
{
    if (m_snapshotDepth == 0 || --m_snapshotDepth > 0)
        return;
    // Nothing was written: ending the read is all there is to do.
    switch (m_connection.driver()) {
    case AdoConnection::Driver::PostgreSQL:
    case AdoConnection::Driver::SQLite:
        m_connection.execute(QStringLiteral("ROLLBACK"));
        break;
    default:
        m_connection.rollbackTrans();
        break;
    }
}

QString LedgerSession::nextCursorName()
{
    return QStringLiteral("kalfiscal_%1").arg(++m_cursorSerial);
}
