#include "LedgerSession.h"
#include "Exception.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>

namespace {
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
// The text of a statement or part as kept: a database that needs a form of
// its own has it under the dialect's name (sqlite/).
QString sqlText(const QString &name, const DatabaseDialect &dialect)
{
    QFile file(QStringLiteral(":/fiscal/sql/%1/%2.sql").arg(dialect.name(), name));
    if (dialect.name().isEmpty() || !file.exists())
        file.setFileName(QStringLiteral(":/fiscal/sql/") + name + QStringLiteral(".sql"));
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Texto do comando %1 ausente do livro fiscal").arg(name));
    return QString::fromUtf8(file.readAll());
}
} // namespace

LedgerSession::LedgerSession(const QString &connectionString) : m_connection(QStringLiteral("fiscal"))
{
    // The ledger only reads through this connection (cat52-guardar writes
    // through one of its own): a mistyped path is an error, not a new file.
    DatabaseDialect::openForReading(m_connection, connectionString);
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

QString LedgerSession::statementText(const QString &name, const DatabaseDialect &dialect)
{
    // A line "-- @trecho NAME" stands for the text NAME.sql, a part that
    // several statements share.
    static const QRegularExpression part(QStringLiteral("^[ \\t]*-- @trecho ([a-z0-9-]+)$"),
                                         QRegularExpression::MultilineOption);
    const QString text = sqlText(name, dialect);
    QString out;
    qsizetype done = 0;
    for (auto it = part.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).sliced(done, m.capturedStart() - done);
        out += sqlText(m.captured(1), dialect).trimmed();
        done = m.capturedEnd();
    }
    out += QStringView(text).sliced(done);
    return withoutComments(out);
}

void LedgerSession::beginSnapshot()
{
    if (m_snapshotDepth++ > 0)
        return;
    try {
        dialect().beginSnapshot(m_connection);
    } catch (...) {
        m_snapshotDepth = 0;
        throw;
    }
}

void LedgerSession::endSnapshot()
{
    if (m_snapshotDepth == 0 || --m_snapshotDepth > 0)
        return;
    dialect().endSnapshot(m_connection);
}

QString LedgerSession::nextCursorName()
{
    return QStringLiteral("kalfiscal_%1").arg(++m_cursorSerial);
}

void LedgerSession::fail(const QString &what, const QString &statement, const QSqlQuery &query)
{
    fail(what, statement,
         m_connection.nativeForm(query.lastError(), query.result() ? query.result()->handle() : QVariant()));
}

void LedgerSession::fail(const QString &what, const QString &statement, const QSqlError &error)
{
    const bool lost = m_connection.noteFailure(error);
    const EDatabaseError raw(error.text(), error.nativeErrorCode(), error.driverText(), error.databaseText(),
                             lost ? EDatabaseError::Kind::Connection : EDatabaseError::Kind::Statement);
    throw EDatabaseError(
        QStringLiteral("%1 (%2): %3").arg(what, statement, DatabaseDialect::message(raw, m_connection)),
        raw.nativeCode(), raw.driverText(), raw.databaseText(), raw.kind());
}
