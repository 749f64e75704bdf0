#include "CsvAuditWriter.h"
#include "LedgerValues.h"

#include <QIODevice>
#include <QStringList>

QString CsvAuditWriter::field(const QString &text, QChar separator)
{
    if (!text.contains(separator) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

void CsvAuditWriter::begin(const AuditScope &)
{
    if (m_style == Style::Planilha)
        m_out.write("\xEF\xBB\xBF");
    const QStringList header{"rule", "severity", "cdfilial", "cdcaixa",  "nrecf", "serial",
                             "day",  "message",  "missing",  "expected", "found"};
    m_out.write((header.join(separator()) + QStringLiteral("\r\n")).toUtf8());
}

void CsvAuditWriter::entry(const AuditEntry &entry)
{
    const bool sheet = m_style == Style::Planilha;
    for (const Finding &f : entry.findings) {
        const bool money = f.values == Finding::Values::Money;
        const QStringList fields{f.rule,
                                 f.severityText(),
                                 f.cdFilial,
                                 f.cdCaixa,
                                 f.nrEcf,
                                 f.serial,
                                 sheet ? LedgerValues::displayDay(f.day) : f.day.toString(Qt::ISODate),
                                 f.message,
                                 f.missing >= 0 ? QString::number(f.missing) : QString(),
                                 sheet && money ? LedgerValues::commaMoney(f.expectedCents) : f.expected(),
                                 sheet && money ? LedgerValues::commaMoney(f.foundCents) : f.found()};
        QStringList line;
        for (const QString &value : fields)
            line << field(value, separator());
        m_out.write((line.join(separator()) + QStringLiteral("\r\n")).toUtf8());
    }
}

void CsvAuditWriter::finish(const AuditTotals &) {}
