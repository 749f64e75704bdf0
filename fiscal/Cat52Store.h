#pragma once
// Stores the CAT-52 file of a day whose Z reduction is stored and that has
// no CAT-52 file of that printer yet (the CAT-52 stage failed or was
// interrupted after a good save), through the CAT-52 store the module's
// setArqCat52 uses, so that the stored row is the one the module would have
// stored. The printer is the one of the file's E12 serial: a second printer
// of the register and day gets its file beside the first's.
#include "FiscalExport.h"
#include "Reduction.h"
#include "Result.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class LedgerSession;

class KALFISCAL_EXPORT Cat52Store {
public:
    // connectionString: the same database, for the connection that writes.
    Cat52Store(LedgerSession &session, QString connectionString)
        : m_session(session), m_connectionString(std::move(connectionString))
    {
    }

    // Stores the file under its own name. Fails, with nothing stored, when
    // the file cannot be read, its E12 does not match its printer's stored
    // Z reduction, the day has no Z reduction of that printer, that printer
    // has a CAT-52 file for the day already, or the database fails.
    Result<NoValue> store(const QString &cdFilial, const QString &cdCaixa, const QDate &day, const QString &path);

private:
    // These raise Exception, which store turns into its Result.
    void storeFile(const QString &cdFilial, const QString &cdCaixa, const QDate &day, const QString &path);
    QList<Reduction> reductionsOfDay(const QString &cdFilial, const QString &cdCaixa, const QDate &day);

    LedgerSession &m_session;
    QString m_connectionString;
};
