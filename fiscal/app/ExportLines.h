#pragma once
// What sped and sintegra share: the branch's Z reductions of the period with
// their tax lines, read in the order of the statements inside one snapshot,
// each handed to take(reduction, reader).
#include "FiscalCommandLine.h"
#include "LedgerOutput.h"
#include "LedgerSession.h"
#include "LedgerValues.h"
#include "Progress.h"
#include "ReductionReader.h"

template <typename Take>
void exportLines(LedgerSession &session, const FiscalOptions &o, const QString &verb, const QString &reductions,
                 const QString &taxes, LedgerOutput &out, Take &&take)
{
    Progress progress(verb);
    session.beginSnapshot();
    {
        ReductionReader reader(
            session, reductions, taxes,
            {{QStringLiteral("cdfilial"), o.cdFilial}, {QStringLiteral("de"), o.de}, {QStringLiteral("ate"), o.ate}});
        Reduction r;
        while (reader.next(r)) {
            take(r, reader);
            progress.update(reader.rowsRead(), LedgerValues::displayDay(r.day));
        }
    }
    session.endSnapshot();
    progress.done();
    out.commit();
}
