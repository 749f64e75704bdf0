#pragma once
// An audit of every branch told to a user of some of them: hands its
// writer only the sections and entries of the user's branches, and counts
// the Z reductions, days and findings of those alone, so that nothing of
// another branch shows, not even in the totals.
#include "AuditWriter.h"
#include "BranchScope.h"

#include <QSet>

class ScopedAuditWriter : public AuditWriter {
public:
    ScopedAuditWriter(AuditWriter &out, BranchScope scope) : m_out(out), m_scope(std::move(scope)) {}
    void begin(const AuditScope &scope) override { m_out.begin(scope); }
    void beginSection(const AuditSection &section) override;
    void entry(const AuditEntry &entry) override;
    void endSection() override;
    void finish(const AuditTotals &totals) override;

private:
    AuditWriter &m_out;
    BranchScope m_scope;
    bool m_inSection = false; // the open section is told
    AuditTotals m_totals;
    QSet<QDate> m_days;
};
