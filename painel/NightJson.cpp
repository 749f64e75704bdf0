#include "NightJson.h"
#include "JsonAuditWriter.h"
#include "LedgerValues.h"

namespace {

// A text member, after what comes before it (a separator and its name).
// The night is thousands of registers: everything is added to one buffer.
void member(QByteArray &out, const char *before, const QString &value)
{
    out += before;
    JsonAuditWriter::appendQuoted(out, value);
}

void counts(QByteArray &out, const StateCounts &c)
{
    out += "{\"caixas\": ";
    out += QByteArray::number(c.caixas);
    out += ", \"gravada\": ";
    out += QByteArray::number(c.gravada);
    out += ", \"sem_cat52\": ";
    out += QByteArray::number(c.semCat52);
    out += ", \"com_erro\": ";
    out += QByteArray::number(c.comErro);
    out += ", \"pendente\": ";
    out += QByteArray::number(c.pendente);
    out += '}';
}

void findings(QByteArray &out, const QList<Finding> &list)
{
    out += '[';
    bool first = true;
    for (const Finding &f : list) {
        if (!first)
            out += ", ";
        first = false;
        member(out, "{\"rule\": ", f.rule);
        member(out, ", \"severity\": ", f.severityText());
        member(out, ", \"message\": ", f.message);
        out += '}';
    }
    out += ']';
}

void registerObject(QByteArray &out, const NightRegister &r)
{
    member(out, "{\"cdcaixa\": ", r.cdCaixa);
    member(out, ", \"nrecf\": ", r.nrEcf);
    member(out, ", \"serial\": ", r.serial);
    member(out, ", \"estado\": ", Night::stateName(r.estado));
    out += ", \"crz\": ";
    out += r.crz >= 0 ? QByteArray::number(r.crz) : QByteArray("null");
    // From whole cents, never a double printed.
    out += ", \"venda_bruta\": ";
    out += LedgerValues::dotMoney(r.vendaBruta).toLatin1();
    out += ", \"ocorrencias\": ";
    findings(out, r.ocorrencias);
    out += '}';
}

} // namespace

namespace NightJson {

QByteArray night(const Night &night, const QString &banco)
{
    QByteArray o;
    qsizetype registers = 0;
    for (const NightBranch &b : night.filiais)
        registers += b.caixas.size();
    o.reserve(256 + 200 * night.filiais.size() + 300 * registers);
    member(o, "{\"dia\": ", night.dia.toString(Qt::ISODate));
    member(o, ", \"lido_em\": ", night.lidoEm.toOffsetFromUtc(night.lidoEm.offsetFromUtc()).toString(Qt::ISODate));
    if (!banco.isEmpty())
        member(o, ", \"banco\": ", banco);
    o += ", \"totais\": ";
    counts(o, night.totais());
    o += ", \"filiais\": [";
    bool firstBranch = true;
    for (const NightBranch &b : night.filiais) {
        o += firstBranch ? "\n  " : ",\n  ";
        firstBranch = false;
        member(o, "{\"cdfilial\": ", b.cdFilial);
        o += ", \"totais\": ";
        counts(o, b.totais());
        o += ", \"caixas\": [";
        bool firstRegister = true;
        for (const NightRegister &r : b.caixas) {
            o += firstRegister ? "\n    " : ",\n    ";
            firstRegister = false;
            registerObject(o, r);
        }
        o += "]}";
    }
    o += "]}\n";
    return o;
}

QByteArray error(const QString &message)
{
    QByteArray o;
    member(o, "{\"erro\": ", message);
    return o + "}\n";
}

} // namespace NightJson
