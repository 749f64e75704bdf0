#include "TextAuditWriter.h"
#include "LedgerValues.h"

#include <QIODevice>

QString TextAuditWriter::line(const Finding &f)
{
    // One string grown in place: a long audit writes a line for most rows.
    QString out;
    out.reserve(48 + f.cdFilial.size() + f.cdCaixa.size() + f.nrEcf.size() + f.serial.size() + f.rule.size()
                + f.message.size());
    out += LedgerValues::displayDay(f.day);
    out += QLatin1Char(' ');
    out += f.cdFilial;
    out += QLatin1Char('/');
    out += f.cdCaixa;
    if (!f.nrEcf.isEmpty() || !f.serial.isEmpty()) {
        out += QLatin1String(" ECF ");
        out += f.nrEcf;
        out += QLatin1Char(' ');
        out += f.serial;
    }
    out += QLatin1Char(' ');
    out += f.severity == Severity::Erro ? QLatin1String("erro") : QLatin1String("aviso");
    out += QLatin1Char(' ');
    out += f.rule;
    out += QLatin1String(": ");
    out += f.message;
    return out;
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
