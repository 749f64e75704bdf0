#pragma once
// The audit as CSV (RFC 4180: comma, CR LF, quotes where needed): a header,
// then one finding a line with the fields of the JSON form.
#include "AuditWriter.h"

class QIODevice;

class CsvAuditWriter : public AuditWriter {
public:
    explicit CsvAuditWriter(QIODevice &out) : m_out(out) {}
    void begin(const AuditScope &scope) override;
    void entry(const AuditEntry &entry) override;
    void finish(const AuditTotals &totals) override;

    static QString field(const QString &text);

private:
    QIODevice &m_out;
};
