#pragma once
// Stores the CAT-52 file of a day whose Z reduction is stored and that has
// no CAT-52 file yet (the CAT-52 stage failed or was interrupted after a good
// save), through the module's own server method, so that the stored row is
// the one the module would have stored.
#include <QDate>
#include <QString>
#include <QStringList>

class LedgerSession;

class Cat52Store {
public:
    // connectionString: the same database, for the module's connection.
    Cat52Store(LedgerSession &session, QString connectionString)
        : m_session(session), m_connectionString(std::move(connectionString))
    {
    }

    // Stores the file under its own name. Raises Exception, with nothing
    // stored, when the file cannot be read, its E12 does not match the
    // stored Z reduction, the day has no Z reduction, or it has a CAT-52 file
    // already; EDatabaseError when the database fails.
    void store(const QString &cdFilial, const QString &cdCaixa, const QDate &day, const QString &path);

private:
    LedgerSession &m_session;
    QString m_connectionString;
};
