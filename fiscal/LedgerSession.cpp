#include "LedgerSession.h"
#include "Exception.h"
#include "Guarded.h"

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

Result<std::unique_ptr<LedgerSession>> LedgerSession::open(const QString &connectionString)
{
    return Guarded::run([&] {
        std::unique_ptr<LedgerSession> session(new LedgerSession);
        // The ledger only reads through this connection (cat52-guardar writes
        // through one of its own): a mistyped path is an error, not a new file.
        DatabaseDialect::openForReading(session->m_connection, connectionString);
        return session;
    });
}

LedgerSession::~LedgerSession()
{
    if (m_snapshotDepth > 0) {
        m_snapshotDepth = 1;
        // A failure changes nothing: closing the connection ends the read anyway.
        endSnapshot();
    }
}

namespace {
// The text of a statement or part with the parts it names, and theirs, in
// place: a line "-- @trecho NAME" stands for the text NAME.sql, a part that
// several statements share. Parts are ours and few: a loop is cut short.
QString withParts(const QString &name, const DatabaseDialect &dialect, int depth)
{
    static const QRegularExpression part(QStringLiteral("^[ \\t]*-- @trecho ([a-z0-9-]+)$"),
                                         QRegularExpression::MultilineOption);
    const QString text = sqlText(name, dialect);
    QString out;
    qsizetype done = 0;
    for (auto it = part.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).sliced(done, m.capturedStart() - done);
        if (depth < 4)
            out += withParts(m.captured(1), dialect, depth + 1).trimmed();
        done = m.capturedEnd();
    }
    out += QStringView(text).sliced(done);
    return out;
}
} // namespace

QString LedgerSession::statementText(const QString &name, const DatabaseDialect &dialect)
{
    return withoutComments(withParts(name, dialect, 0));
}

Result<NoValue> LedgerSession::beginSnapshot()
{
    if (m_snapshotDepth++ > 0)
        return Result<NoValue>::of({});
    Result<NoValue> begun = Guarded::run([this] { dialect().beginSnapshot(m_connection); });
    if (!begun)
        m_snapshotDepth = 0;
    return begun;
}

Result<NoValue> LedgerSession::endSnapshot()
{
    if (m_snapshotDepth == 0 || --m_snapshotDepth > 0)
        return Result<NoValue>::of({});
    return Guarded::run([this] { dialect().endSnapshot(m_connection); });
}

QString LedgerSession::nextCursorName()
{
    return QStringLiteral("kalfiscal_%1").arg(++m_cursorSerial);
}

QString LedgerSession::failure(const QString &what, const QString &statement, const QSqlQuery &query)
{
    return failure(what, statement,
                   m_connection.nativeForm(query.lastError(), query.result() ? query.result()->handle() : QVariant()));
}

QString LedgerSession::failure(const QString &what, const QString &statement, const QSqlError &error)
{
    const bool lost = m_connection.noteFailure(error);
    const EDatabaseError raw(error.text(), error.nativeErrorCode(), error.driverText(), error.databaseText(),
                             lost ? EDatabaseError::Kind::Connection : EDatabaseError::Kind::Statement);
    return QStringLiteral("%1 (%2): %3").arg(what, statement, DatabaseDialect::message(raw, m_connection));
}
