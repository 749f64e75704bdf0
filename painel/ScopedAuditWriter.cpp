#include "ScopedAuditWriter.h"

void ScopedAuditWriter::beginSection(const AuditSection &section)
{
    m_inSection = m_scope.allows(section.cdFilial);
    if (m_inSection)
        m_out.beginSection(section);
}

void ScopedAuditWriter::entry(const AuditEntry &entry)
{
    if (!m_scope.allows(entry.cdFilial))
        return;
    if (entry.reduction) {
        ++m_totals.reductions;
        m_days.insert(entry.day);
    }
    for (const Finding &f : entry.findings)
        ++(f.severity == Severity::Erro ? m_totals.errors : m_totals.warnings);
    m_out.entry(entry);
}

void ScopedAuditWriter::endSection()
{
    if (m_inSection)
        m_out.endSection();
    m_inSection = false;
}

void ScopedAuditWriter::finish(const AuditTotals &)
{
    m_totals.days = m_days.size();
    m_out.finish(m_totals);
}
