#pragma once
// The audit as one self-contained HTML page (no script, nothing from the
// network), readable on a phone and printable: per branch and register (one
// printer chain each) a chart of the daily gross sales with missing days and
// findings marked, a table of the days in the chart's order (by day) with the
// findings beside them and the section's totals; a register's days without a
// Z reduction that no chain took as a table alone; the overall totals at the
// end. A section is written as
// soon as it ends, so only one section's days are held at a time.
#include "FiscalExport.h"
#include "AuditWriter.h"

#include <QList>
#include <QMap>
#include <QSet>

class QIODevice;

class KALFISCAL_EXPORT HtmlAuditWriter : public AuditWriter {
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
    // A day of the chart: the gross sales stored and the worst finding.
    struct Mark {
        qint64 gross = 0;
        bool stored = false;
        int level = 0; // 0 none, 1 aviso, 2 erro
    };
    struct Totals {
        qint64 reductions = 0, gross = 0, net = 0, errors = 0, warnings = 0;
    };
    void write(const QString &html);
    QMap<QDate, Mark> marks() const;
    static QString bar(const QDate &day, const Mark *mark, double x, double width, qint64 top);
    QString chart() const;
    QString sectionHead(const Totals &totals) const;
    static QString row(const Day &day);

    QIODevice &m_out;
    AuditSection m_section;
    QString m_model;
    QList<Day> m_days;
    int m_sections = 0;
    qint64 m_gross = 0; // every section's gross sales
};
