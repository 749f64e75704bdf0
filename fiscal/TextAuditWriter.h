#pragma once
// The audit as text for people: one line per finding, then the totals.
#include "AuditWriter.h"

class QIODevice;

class TextAuditWriter : public AuditWriter {
public:
    explicit TextAuditWriter(QIODevice &out) : m_out(out) {}
    void entry(const AuditEntry &entry) override;
    void finish(const AuditTotals &totals) override;

    static QString line(const Finding &finding);

private:
    QIODevice &m_out;
    bool m_any = false;
};
