#pragma once
// The audit as one self-contained HTML page (no script, nothing from the
// network), readable on a phone and printable: per branch and register (one
// printer chain each) a chart of the daily gross sales with missing days and
// findings marked, a table of the days with the findings beside them and the
// section's totals; the overall totals at the end. A section is written as
// soon as it ends, so only one section's days are held at a time.
#include "AuditWriter.h"

#include <QList>
#include <QSet>

class QIODevice;

class HtmlAuditWriter : public AuditWriter {
public:
    explicit HtmlAuditWriter(QIODevice &out) : m_out(out) {}
    void begin(const AuditScope &scope) override;
    void beginSection(const AuditSection &section) override;
    void entry(const AuditEntry &entry) override;
    void endSection() override;
    void finish(const AuditTotals &totals) override;

private:
    struct Day {
        QDate day;
        bool stored = false; // a Z reduction (else a day without one)
        QString cdCaixa, nrEcf, crz, coupons;
        qint64 gross = 0;
        qint64 net = 0;
        QList<Finding> findings;
    };
    void write(const QString &html);
    QString chart() const;

    QIODevice &m_out;
    AuditSection m_section;
    QString m_model;
    QList<Day> m_days;
    int m_sections = 0;
    qint64 m_gross = 0; // every section's gross sales
};
