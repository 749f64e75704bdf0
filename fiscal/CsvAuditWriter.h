#pragma once
// The audit as delimited text, a header then one finding a line with the
// fields of the JSON form. Csv, for scripts: RFC 4180 (comma, CR LF, quotes
// where needed, "." in numbers, days yyyy-MM-dd). Planilha, for a person's
// spreadsheet set up for Brazil: ";" between fields, "," in numbers, days
// dd/MM/yyyy, UTF-8 with a byte-order mark so that accents open as written.
#include "FiscalExport.h"
#include "AuditWriter.h"

class QIODevice;

class KALFISCAL_EXPORT CsvAuditWriter : public AuditWriter {
public:
    enum class Style { Csv, Planilha };
    explicit CsvAuditWriter(QIODevice &out, Style style = Style::Csv) : m_out(out), m_style(style) {}
    void begin(const AuditScope &scope) override;
    void entry(const AuditEntry &entry) override;
    void finish(const AuditTotals &totals) override;

    // A field quoted when it holds the separator, a quote or a line break.
    static QString field(const QString &text, QChar separator = QLatin1Char(','));

private:
    QChar separator() const { return m_style == Style::Csv ? QLatin1Char(',') : QLatin1Char(';'); }

    QIODevice &m_out;
    Style m_style;
};
