#include "NightBuilder.h"

#include <algorithm>

void NightBuilder::entry(const AuditEntry &entry)
{
    const Key key{entry.cdFilial, entry.cdCaixa};
    if (!entry.reduction) {
        m_days[key] += entry.findings;
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
    reg.ocorrencias = entry.findings;
    m_rows[key] << reg;
}

Night NightBuilder::night(const QDate &dia) const
{
    QMap<Key, QList<NightRegister>> rows = m_rows;
    for (auto it = m_days.cbegin(); it != m_days.cend(); ++it) {
        QList<NightRegister> &regs = rows[it.key()];
        if (regs.isEmpty()) {
            NightRegister reg;
            reg.cdCaixa = it.key().second;
            regs << reg;
            regs.first().ocorrencias = it.value();
            continue;
        }
        for (NightRegister &reg : regs)
            reg.ocorrencias += it.value();
    }
    Night night;
    night.dia = dia;
    for (auto it = rows.begin(); it != rows.end(); ++it) {
        if (night.filiais.isEmpty() || night.filiais.last().cdFilial != it.key().first)
            night.filiais << NightBranch{it.key().first, {}};
        std::stable_sort(it->begin(), it->end(),
                         [](const NightRegister &a, const NightRegister &b) { return a.nrEcf < b.nrEcf; });
        for (NightRegister &reg : *it) {
            reg.estado = NightRegister::stateOf(reg.hasReduction, reg.ocorrencias);
            night.filiais.last().caixas << reg;
        }
    }
    return night;
}
