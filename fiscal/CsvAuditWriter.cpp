#include "CsvAuditWriter.h"

#include <QIODevice>

QString CsvAuditWriter::field(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

void CsvAuditWriter::begin(const AuditScope &)
{
    m_out.write("rule,severity,cdfilial,cdcaixa,nrecf,serial,day,message,missing,expected,found\r\n");
}

void CsvAuditWriter::entry(const AuditEntry &entry)
{
    for (const Finding &f : entry.findings) {
        const QStringList fields{f.rule,
                                 f.severityText(),
                                 f.cdFilial,
                                 f.cdCaixa,
                                 f.nrEcf,
                                 f.serial,
                                 f.day.toString(Qt::ISODate),
                                 f.message,
                                 f.missing >= 0 ? QString::number(f.missing) : QString(),
                                 f.expected(),
                                 f.found()};
        QStringList line;
        for (const QString &value : fields)
            line << field(value);
        m_out.write((line.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8());
    }
}

void CsvAuditWriter::finish(const AuditTotals &) {}
