#include "HistoryStore.h"
#include "JsonAuditWriter.h"

#include <algorithm>

namespace {
// The answers formatted and kept, each up to a few megabytes at a chain's size.
constexpr int MaxFormatted = 6;

QByteArray q(const QString &text)
{
    return JsonAuditWriter::quoted(text);
}

// Drops the entries least recently used (their "used") beyond max; how many.
template <typename Map>
int dropLeastUsed(Map &entries, qsizetype max)
{
    int dropped = 0;
    for (; entries.size() > max; ++dropped) {
        auto oldest = entries.begin();
        for (auto it = entries.begin(); it != entries.end(); ++it)
            if (it->used < oldest->used)
                oldest = it;
        entries.erase(oldest);
    }
    return dropped;
}

bool inTrouble(quint8 state)
{
    return state == quint8(RegisterState::Pendente) || state == quint8(RegisterState::ComErro);
}
} // namespace

int HistoryStore::rowOf(const QString &cdFilial, const QString &cdCaixa, const QString &nrEcf, const QString &serial)
{
    const QString key = cdFilial + QChar(0) + cdCaixa + QChar(0) + nrEcf + QChar(0) + serial;
    if (const auto it = m_rowIndex.constFind(key); it != m_rowIndex.cend())
        return *it;
    const bool printer = !nrEcf.isEmpty() || !serial.isEmpty();
    const int registerRow = printer ? rowOf(cdFilial, cdCaixa, QString(), QString()) : int(m_rows.size());
    m_rows << Row{cdFilial, cdCaixa, nrEcf, serial, registerRow};
    m_rowIndex.insert(key, int(m_rows.size() - 1));
    return int(m_rows.size() - 1);
}

void HistoryStore::put(const Night &night)
{
    Kept kept;
    kept.lidoEm = night.lidoEm;
    for (const NightBranch &b : night.filiais)
        for (const NightRegister &r : b.caixas) {
            const int row = rowOf(b.cdFilial, r.cdCaixa, r.nrEcf, r.serial);
            if (kept.states.size() <= row)
                kept.states.append(row + 1 - kept.states.size(), char(Absent));
            // Two entries of one printer on a night: the worse is told.
            const quint8 was = quint8(kept.states.at(row));
            if (was == Absent || quint8(r.estado) > was)
                kept.states[row] = char(quint8(r.estado));
        }
    const auto old = m_nights.constFind(night.dia);
    kept.used = old == m_nights.cend() ? ++m_uses : old->used;
    m_nights.insert(night.dia, kept);
    ++m_generation;
}

QList<QPair<QDate, QDate>> HistoryStore::missing(const QDate &de, const QDate &ate) const
{
    QList<QPair<QDate, QDate>> out;
    for (QDate d = de; d <= ate; d = d.addDays(1)) {
        if (m_nights.contains(d))
            continue;
        if (!out.isEmpty() && out.last().second.addDays(1) == d)
            out.last().second = d;
        else
            out.append({d, d});
    }
    return out;
}

void HistoryStore::evict(const QDate &de, const QDate &ate)
{
    for (auto it = m_nights.begin(); it != m_nights.end(); ++it)
        if (it.key() >= de && it.key() <= ate)
            it->used = ++m_uses;
    if (dropLeastUsed(m_nights, MaxNights) > 0)
        ++m_generation;
}

quint8 HistoryStore::stateOf(const Kept &night, int row) const
{
    const auto at = [&](int i) { return i < night.states.size() ? quint8(night.states.at(i)) : Absent; };
    const quint8 own = at(row);
    return own != Absent ? own : at(m_rows.at(row).registerRow);
}

QList<int> HistoryStore::listedRows(const QList<const Kept *> &nights, const BranchScope &scope,
                                    const QString &cdFilial) const
{
    // The rows with an entry on some night; a register's nights without a
    // Z reduction go to its printers' rows when it has some.
    QList<bool> listed(m_rows.size(), false), withPrinter(m_rows.size(), false);
    for (int i = 0; i < m_rows.size(); ++i) {
        const Row &r = m_rows.at(i);
        if ((!cdFilial.isEmpty() && r.cdFilial != cdFilial) || (cdFilial.isEmpty() && !scope.allows(r.cdFilial)))
            continue;
        for (const Kept *night : nights)
            if (i < night->states.size() && quint8(night->states.at(i)) != Absent) {
                listed[i] = true;
                if (r.registerRow != i)
                    withPrinter[r.registerRow] = true;
                break;
            }
    }
    QList<int> order;
    for (int i = 0; i < m_rows.size(); ++i)
        if (listed.at(i) && !withPrinter.at(i))
            order << i;
    std::sort(order.begin(), order.end(), [this](int a, int b) {
        const Row &x = m_rows.at(a), &y = m_rows.at(b);
        return std::tie(x.cdFilial, x.cdCaixa, x.nrEcf, x.serial) < std::tie(y.cdFilial, y.cdCaixa, y.nrEcf, y.serial);
    });

    return order;
}

QByteArray HistoryStore::json(const QDate &de, const QDate &ate, const BranchScope &scope, const QString &cdFilial)
{
    const QString key = de.toString(Qt::ISODate) + ate.toString(Qt::ISODate) + scope.text() + QLatin1Char('|')
                        + cdFilial;
    Formatted &kept = m_formatted[key];
    kept.used = ++m_uses;
    if (kept.generation == m_generation && !kept.json.isEmpty())
        return kept.json;

    QList<const Kept *> nights;
    QList<QByteArray> days;
    QDateTime lidoEm;
    static const Kept none;
    for (QDate d = de; d <= ate; d = d.addDays(1)) {
        const auto night = m_nights.constFind(d);
        nights << (night == m_nights.cend() ? &none : &*night);
        days << "{\"dia\": " + q(d.toString(Qt::ISODate)) + ", \"estado\": ";
        if (!lidoEm.isValid() || nights.last()->lidoEm > lidoEm)
            lidoEm = nights.last()->lidoEm;
    }
    const QList<int> order = listedRows(nights, scope, cdFilial);

    QByteArray o = "{\"de\": " + q(de.toString(Qt::ISODate)) + ", \"ate\": " + q(ate.toString(Qt::ISODate));
    o += ", \"lido_em\": " + q(lidoEm.toOffsetFromUtc(lidoEm.offsetFromUtc()).toString(Qt::ISODate))
         + ", \"filiais\": [";
    o.reserve(qsizetype(order.size()) * nights.size() * 48 + 4096);
    for (qsizetype first = 0; first < order.size();) {
        const QString branch = m_rows.at(order.at(first)).cdFilial;
        qsizetype end = first;
        while (end < order.size() && m_rows.at(order.at(end)).cdFilial == branch)
            ++end;
        int trouble = 0;
        for (const Kept *night : nights)
            for (qsizetype k = first; k < end; ++k)
                if (inTrouble(stateOf(*night, order.at(k)))) {
                    ++trouble;
                    break;
                }
        o += first ? ",\n  " : "\n  ";
        o += "{\"cdfilial\": " + q(branch) + ", \"noites_com_problema\": " + QByteArray::number(trouble)
             + ", \"caixas\": [";
        for (qsizetype k = first; k < end; ++k) {
            const Row &r = m_rows.at(order.at(k));
            o += k > first ? ",\n    " : "\n    ";
            o += "{\"cdcaixa\": " + q(r.cdCaixa) + ", \"nrecf\": " + q(r.nrEcf) + ", \"serial\": " + q(r.serial)
                 + ", \"noites\": [";
            for (qsizetype n = 0; n < nights.size(); ++n) {
                const quint8 s = stateOf(*nights.at(n), order.at(k));
                if (n)
                    o += ", ";
                o += days.at(n);
                o += s == Absent ? QByteArray("\"sem_movimento\"") : q(Night::stateName(RegisterState(s)));
                o += '}';
            }
            o += "]}";
        }
        o += "]}";
        first = end;
    }
    o += "]}\n";
    kept.generation = m_generation;
    kept.json = o;
    dropLeastUsed(m_formatted, MaxFormatted);
    return o;
}
