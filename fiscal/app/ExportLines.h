#pragma once
// What the ledger's verbs share: the session and the output they open first,
// and what sped and sintegra share beyond them.
#include "ConsoleLine.h"
#include "FiscalCommandLine.h"
#include "LedgerCommand.h"
#include "LedgerOutput.h"
#include "LedgerSession.h"
#include "LedgerValues.h"
#include "Progress.h"
#include "ReductionReader.h"

#include <memory>

// A verb's read-only session on the database and its output, opened in that
// order (the session's failure told first); the output goes first when
// they close.
struct LedgerRun {
    std::unique_ptr<LedgerSession> session;
    std::unique_ptr<LedgerOutput> out;
};
Result<LedgerRun> openLedgerRun(const QString &db, const QString &saida);

// The branch's Z reductions of the period with their tax lines, read in the
// order of the statements inside one snapshot, each handed to
// take(reduction, reader), which tells its failure as a result; answers how
// many it read, or the first failure.
template <typename Take>
Result<qint64> exportLines(LedgerSession &session, const FiscalOptions &o, const QString &verb,
                           const QString &reductions, const QString &taxes, LedgerOutput &out, Take &&take)
{
    Progress progress(verb);
    qint64 read = 0;
    if (const Result<NoValue> begun = session.beginSnapshot(); !begun)
        return Result<qint64>::failureOf(begun);
    {
        const Result<std::unique_ptr<ReductionReader>> reader = ReductionReader::read(
            session, reductions, taxes,
            {{QStringLiteral("cdfilial"), o.cdFilial}, {QStringLiteral("de"), o.de}, {QStringLiteral("ate"), o.ate}});
        if (!reader)
            return Result<qint64>::failureOf(reader);
        Reduction r;
        for (;;) {
            const Result<bool> more = reader.value()->next(r);
            if (!more)
                return Result<qint64>::failureOf(more);
            if (!more.value())
                break;
            if (const Result<NoValue> taken = take(r, *reader.value()); !taken)
                return Result<qint64>::failureOf(taken);
            ++read;
            progress.update(reader.value()->rowsRead(), LedgerValues::displayDay(r.day));
        }
    }
    if (const Result<NoValue> ended = session.endSnapshot(); !ended)
        return Result<qint64>::failureOf(ended);
    progress.done();
    if (const Result<NoValue> written = out.commit(); !written)
        return Result<qint64>::failureOf(written);
    return Result<qint64>::of(read);
}

// The end of sped and sintegra: an empty period is said, not left silent;
// a Z reduction left out makes the status the audit's.
inline int exportStatus(const FiscalOptions &o, qint64 read, qint64 leftOut, const QString &verb)
{
    if (read == 0)
        ConsoleLine::report("kal02700-fiscal",
                            QStringLiteral("Nenhuma Redução Z da filial %1 de %2 a %3.")
                                .arg(o.cdFilial, LedgerValues::displayDay(o.de), LedgerValues::displayDay(o.ate)));
    if (leftOut == 0)
        return Done;
    ConsoleLine::report("kal02700-fiscal",
                        QStringLiteral("%1 Redução(ões) Z fora do %2 (veja auditar).").arg(leftOut).arg(verb));
    return AuditFoundErrors;
}

// A writer's remark on the standard error.
inline void exportNotice(const QString &text)
{
    ConsoleLine::report("kal02700-fiscal", text);
}
