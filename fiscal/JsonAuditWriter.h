#pragma once
// The audit as one JSON object, written as it goes:
// {"findings": [ ... ], "checked": {"reductions": N, "days": N}}
#include "FiscalExport.h"
#include "AuditWriter.h"

class QIODevice;

class KALFISCAL_EXPORT JsonAuditWriter : public AuditWriter {
public:
    explicit JsonAuditWriter(QIODevice &out) : m_out(out) {}
    void begin(const AuditScope &scope) override;
    void entry(const AuditEntry &entry) override;
    void finish(const AuditTotals &totals) override;

    static QByteArray quoted(const QString &text);
    // The same, added to out (a document of thousands of texts is one buffer).
    static void appendQuoted(QByteArray &out, const QString &text);

private:
    QIODevice &m_out;
    bool m_first = true;
};
