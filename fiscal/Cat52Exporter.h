#pragma once
// Delivers the stored CAT-52 files of a branch and period into a folder,
// byte for byte under their stored names, and checks each against its
// register's Z reductions of the day: one line per file on the report.
#include "FiscalExport.h"
#include "Result.h"
#include <QDate>
#include <QString>

class LedgerSession;
class Progress;
struct StoredFile;
class QIODevice;

class KALFISCAL_EXPORT Cat52Exporter {
public:
    Cat52Exporter(LedgerSession &session, QIODevice &report, Progress *progress = nullptr)
        : m_session(session), m_report(report), m_progress(progress)
    {
    }

    // True when every stored file with content is in the folder. A file is
    // never written over a different one of the same name, nor outside the
    // folder. Fails when the database cannot be read or the folder cannot be
    // made.
    Result<bool> run(const QString &cdFilial, const QDate &de, const QDate &ate, const QString &folder);

    int files() const { return m_files; }
    int divergent() const { return m_divergent; }

private:
    bool deliverAll(const QString &cdFilial, const QDate &de, const QDate &ate,
                    const QString &folder); // raises Exception
    // Puts one file in the folder; why it is not there, or empty.
    QString deliver(const QString &folder, const StoredFile &file);

    LedgerSession &m_session;
    QIODevice &m_report;
    Progress *m_progress;
    int m_files = 0;
    int m_divergent = 0;
};
