#pragma once
// A connection's session as the server knows it (PostgreSQL: its backend's
// process id and start), so that a later session of the same connection can
// tell whether it is still there, its commit perhaps still running (a
// standby that does not confirm, a slow deferred trigger), and end it.
//
//   const ServerSession lost = connection.serverSession(); // the session whose commit answer was lost
//   connection.open();                                     // a new one
//   if (lost.awaitEnd(connection, bound)) ... read what the server kept ...
#include <QString>
#include <functional>

class AdoConnection;

class ServerSession {
public:
    ServerSession() = default; // none: a database whose commit is local (SQLite)
    // The open session of the connection, as its server tells it. Raises
    // EDatabaseError.
    static ServerSession of(AdoConnection &connection);
    bool known() const { return m_pid > 0; }

    // On the connection's open (new) session: waits until this session has
    // ended or stands idle outside a transaction; after a short grace it is
    // ended where the user may (its commit then either done or undone). True
    // when whatever it was doing is finished, false when it is still there
    // at the end of boundMs. Raises EDatabaseError when the server does not
    // answer.
    bool awaitEnd(AdoConnection &connection, qint64 boundMs) const;

    // After a commit whose answer was lost (ECommitUnanswered): whether it
    // took effect, as a new session of the connection reads it with
    // `storedNow` once the lost session has ended, within the connection's
    // own bounds. Unknown when no new session can tell. Never raises.
    enum class LostCommit { Stored, NotStored, Unknown };
    static LostCommit afterLostCommit(AdoConnection &connection, const std::function<bool()> &storedNow);

private:
    enum class State { Gone, Idle, Busy };
    State stateSeenBy(AdoConnection &connection) const;

    qint64 m_pid = 0;
    QString m_started; // the backend's start, as the server wrote it
};
