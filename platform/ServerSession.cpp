#include "ServerSession.h"
#include "AdoConnection.h"
#include "ConnectionString.h"
#include "Exception.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

#include <algorithm>

namespace {

// One row of a statement without parameters, under the answer watch; an
// empty list when it has none. Raises EDatabaseError.
QStringList firstRow(AdoConnection &connection, const QString &statement)
{
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    const AdoConnection::AnswerWait wait(&connection);
    if (!query.exec(statement)) {
        const QSqlError error = connection.nativeForm(query.lastError());
        query.finish();
        connection.noteFailure(error);
        throw EDatabaseError(QStringLiteral("Erro ao consultar a sessão anterior: ") + error.text(),
                             error.nativeErrorCode(), error.driverText(), error.databaseText(),
                             EDatabaseError::Kind::Statement);
    }
    QStringList row;
    if (query.next())
        for (int i = 0; i < std::min(query.record().count(), 4); ++i)
            row << query.value(i).toString().left(64);
    return row;
}

} // namespace

ServerSession ServerSession::of(AdoConnection &connection)
{
    const QString statement = connection.dialect().serverSessionStatement();
    if (statement.isEmpty())
        return {};
    const QStringList row = firstRow(connection, statement);
    // The server's answer goes back into a statement: only a number and a
    // time stamp's characters are taken.
    static const QRegularExpression stamp(QStringLiteral("^[0-9 :.+-]{1,40}$"));
    ServerSession session;
    if (row.size() >= 2 && stamp.match(row.at(1)).hasMatch()) {
        session.m_pid = row.at(0).toLongLong();
        session.m_started = row.at(1);
    }
    return session;
}

ServerSession::State ServerSession::stateSeenBy(AdoConnection &connection) const
{
    const QStringList row = firstRow(connection, connection.dialect().serverSessionStateStatement(m_pid, m_started));
    if (row.isEmpty())
        return State::Gone;
    return row.at(0) == QLatin1String("idle") ? State::Idle : State::Busy;
}

bool ServerSession::awaitEnd(AdoConnection &connection, qint64 boundMs) const
{
    if (!known())
        return true;
    const QDeadlineTimer deadline(boundMs);
    // A commit about to finish is given a moment before it is ended.
    const QDeadlineTimer grace(boundMs / 3);
    bool ended = false;
    for (;;) {
        if (stateSeenBy(connection) != State::Busy)
            return true;
        if (deadline.hasExpired())
            return false;
        if (!ended && grace.hasExpired()) {
            ended = true;
            try {
                firstRow(connection, connection.dialect().endServerSessionStatement(m_pid));
            } catch (const EDatabaseError &) {
                // Not the user's to end (another role's): waited for instead.
                if (!connection.connected())
                    throw;
            }
        }
        QThread::msleep(200);
    }
}

ServerSession::LostCommit ServerSession::afterLostCommit(AdoConnection &connection,
                                                         const std::function<bool()> &storedNow)
{
    // The session that sent the commit is gone on our side; on the server
    // its commit may still be running (a standby that does not confirm, a
    // slow trigger). A new session waits for it to end, or ends it, and only
    // then reads what the server kept. One that cannot be had, does not
    // answer in time or still sees the old session at the end of the wait
    // leaves the outcome unknown.
    const ServerSession lost = connection.serverSession();
    try {
        connection.setConnected(true);
        const qint64 answerMs = ConnectionString::parse(connection.connectionString()).answerTimeoutMs();
        if (!lost.awaitEnd(connection, answerMs > 0 ? answerMs : 30000))
            return LostCommit::Unknown;
        return storedNow() ? LostCommit::Stored : LostCommit::NotStored;
    } catch (const Exception &) {
        return LostCommit::Unknown;
    }
}
