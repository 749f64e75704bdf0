#pragma once
// The continuity audit of the stored days: reads each printer chain in CRZ
// order (REDUCAOZ with IMPOSTOREDZ side by side), applies the rules to each
// row with the chain's previous row, adds what the register's days say
// (cash movements without a Z reduction, CAT-52 files that contradict their
// day) and hands everything to a writer as it goes. Only the previous row of
// the current chain is kept, whatever the period.
#include "FiscalExport.h"
#include "AuditWriter.h"
#include "Progress.h"
#include "Result.h"

#include <QStringList>

class LedgerSession;

class KALFISCAL_EXPORT Auditor {
public:
    Auditor(LedgerSession &session, AuditWriter &writer, Progress *progress = nullptr);
    // The totals, or why the database could not be read.
    Result<AuditTotals> run(const AuditScope &scope);

    // Where to cut the branches with Z reductions from de to ate into at
    // most parts parts of as many branches each: the codes the second part
    // on begins at (AuditScope::filiaisDe), fewer with fewer branches. A
    // branch's chains, days and files all lie in its part, so that the
    // parts' audits, each in a session of its own, together are the whole.
    static Result<QStringList> cuts(LedgerSession &session, const QDate &de, const QDate &ate, int parts);

private:
    AuditTotals audit(const AuditScope &scope); // raises Exception

    LedgerSession &m_session;
    AuditWriter &m_writer;
    Progress *m_progress;
};
