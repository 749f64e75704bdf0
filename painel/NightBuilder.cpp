#include "NightBuilder.h"

#include <algorithm>

void NightBuilder::entry(const AuditEntry &entry)
{
    const Key key{entry.cdFilial, entry.cdCaixa};
    NightRegister::Marks marks;
    marks.add(entry.findings);
    if (!entry.reduction) {
        Day &day = m_days[key];
        day.marks.add(marks);
        if (m_keepFindings)
            day.findings += entry.findings;
        return;
    }
    const Reduction &r = *entry.reduction;
    NightRegister reg;
    reg.cdCaixa = r.cdCaixa;
    reg.hasReduction = true;
    reg.nrEcf = r.nrEcf;
    reg.serial = r.serial;
    reg.crz = r.crz;
    reg.vendaBruta = r.gross;
    if (m_keepFindings)
        reg.ocorrencias = entry.findings;
    m_rows[key] << Row{reg, marks};
}

Night NightBuilder::night(const QDate &dia) const
{
    QMap<Key, QList<Row>> rows = m_rows;
    for (auto it = m_days.cbegin(); it != m_days.cend(); ++it) {
        QList<Row> &regs = rows[it.key()];
        if (regs.isEmpty()) {
            NightRegister reg;
            reg.cdCaixa = it.key().second;
            reg.ocorrencias = it->findings;
            regs << Row{reg, it->marks};
            continue;
        }
        for (Row &row : regs) {
            row.reg.ocorrencias += it->findings;
            row.marks.add(it->marks);
        }
    }
    Night night;
    night.dia = dia;
    for (auto it = rows.begin(); it != rows.end(); ++it) {
        if (night.filiais.isEmpty() || night.filiais.last().cdFilial != it.key().first)
            night.filiais << NightBranch{it.key().first, {}};
        std::stable_sort(it->begin(), it->end(), [](const Row &a, const Row &b) { return a.reg.nrEcf < b.reg.nrEcf; });
        for (Row &row : *it) {
            row.reg.estado = NightRegister::stateOf(row.reg.hasReduction, row.marks);
            night.filiais.last().caixas << row.reg;
        }
    }
    return night;
}
