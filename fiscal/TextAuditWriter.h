#pragma once
// The audit as text for people: one line per finding, then the totals.
#include "FiscalExport.h"
#include "AuditWriter.h"

class QIODevice;

class KALFISCAL_EXPORT TextAuditWriter : public AuditWriter {
public:
    explicit TextAuditWriter(QIODevice &out) : m_out(out) {}
    void entry(const AuditEntry &entry) override;
    void finish(const AuditTotals &totals) override;

    static QString line(const Finding &finding);

private:
    QIODevice &m_out;
    bool m_any = false;
};
