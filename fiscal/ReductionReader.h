#pragma once
// Reads stored Z reductions with their tax lines: one ordered query over
// REDUCAOZ and one over IMPOSTOREDZ in the same order, walked side by side,
// so that a reduction's tax lines come with it and nothing else is held.
#include "FiscalExport.h"
#include "ForwardQuery.h"
#include "Reduction.h"

#include <QVariant>
#include <memory>

class LedgerSession;

class KALFISCAL_EXPORT ReductionReader {
public:
    // reductions and taxes name two statements of the same order; the tax
    // lines' rows must be a part of the reductions' rows (a reduction may
    // have none). Fails as the database refuses either statement.
    static Result<std::unique_ptr<ReductionReader>> read(LedgerSession &session, const QString &reductions,
                                                         const QString &taxes,
                                                         const ForwardQuery::Parameters &parameters);
    ~ReductionReader();
    ReductionReader(const ReductionReader &) = delete;
    ReductionReader &operator=(const ReductionReader &) = delete;

    // Whether a next reduction was read, with its tax lines (false after the
    // last), or why it could not be.
    Result<bool> next(Reduction &reduction);
    // A column the reductions' statement selects after the reduction's own
    // and TEMCAT52 (0 the first), on the row of the last reduction read.
    QVariant extra(int index) const;
    // Rows of both queries read so far.
    qint64 rowsRead() const { return m_rowsRead; }

private:
    ReductionReader(std::unique_ptr<ForwardQuery> reductions, std::unique_ptr<ForwardQuery> taxes);
    bool take(Reduction &reduction); // raises Exception

    std::unique_ptr<ForwardQuery> m_reductions;
    std::unique_ptr<ForwardQuery> m_taxes;
    bool m_taxPending = false; // m_taxes stands on a row not yet taken
    bool m_taxesDone = false;
    qint64 m_rowsRead = 0;
};
