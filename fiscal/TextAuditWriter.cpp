#include "TextAuditWriter.h"
#include "LedgerValues.h"

#include <QIODevice>

QString TextAuditWriter::line(const Finding &f)
{
    QString where = LedgerValues::displayDay(f.day) + QLatin1Char(' ') + f.cdFilial + QLatin1Char('/') + f.cdCaixa;
    if (!f.nrEcf.isEmpty() || !f.serial.isEmpty())
        where += QStringLiteral(" ECF ") + f.nrEcf + QLatin1Char(' ') + f.serial;
    return where + QLatin1Char(' ') + f.severityText() + QLatin1Char(' ') + f.rule + QStringLiteral(": ") + f.message;
}

void TextAuditWriter::entry(const AuditEntry &entry)
{
    for (const Finding &f : entry.findings) {
        m_out.write((line(f) + QLatin1Char('\n')).toUtf8());
        m_any = true;
    }
}

void TextAuditWriter::finish(const AuditTotals &totals)
{
    if (!m_any)
        m_out.write(QStringLiteral("Nenhuma ocorrência.\n").toUtf8());
    m_out.write(QStringLiteral("Reduções Z verificadas: %1 em %2 dias; erros: %3; avisos: %4\n")
                    .arg(totals.reductions)
                    .arg(totals.days)
                    .arg(totals.errors)
                    .arg(totals.warnings)
                    .toUtf8());
}
