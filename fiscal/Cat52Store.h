#pragma once
// Stores the CAT-52 file of a day whose Z reduction is stored and that has
// no CAT-52 file of that printer yet (the CAT-52 stage failed or was
// interrupted after a good save), through the module's own server method, so
// that the stored row is the one the module would have stored. The printer
// is the one of the file's E12 serial: a second printer of the register and
// day gets its file beside the first's.
#include "Reduction.h"

#include <QDate>
#include <QList>
#include <QPair>
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
    // stored, when the file cannot be read, its E12 does not match its
    // printer's stored Z reduction, the day has no Z reduction of that
    // printer, or that printer has a CAT-52 file for the day already;
    // EDatabaseError when the database fails.
    void store(const QString &cdFilial, const QString &cdCaixa, const QDate &day, const QString &path);

private:
    struct RegisterDay {
        QList<Reduction> reductions;
        QList<QPair<QString, QString>> files; // name, serial of its E12 (empty: none readable)
    };
    RegisterDay read(const QString &cdFilial, const QString &cdCaixa, const QDate &day);

    LedgerSession &m_session;
    QString m_connectionString;
};
