#include "NightJson.h"
#include "JsonAuditWriter.h"
#include "LedgerValues.h"

namespace {

QByteArray q(const QString &text)
{
    return JsonAuditWriter::quoted(text);
}

QByteArray counts(const StateCounts &c)
{
    return "{\"caixas\": " + QByteArray::number(c.caixas) + ", \"gravada\": " + QByteArray::number(c.gravada)
           + ", \"sem_cat52\": " + QByteArray::number(c.semCat52) + ", \"com_erro\": " + QByteArray::number(c.comErro)
           + ", \"pendente\": " + QByteArray::number(c.pendente) + "}";
}

QByteArray findings(const QList<Finding> &list)
{
    QByteArray out = "[";
    for (const Finding &f : list) {
        if (out.size() > 1)
            out += ", ";
        out += "{\"rule\": " + q(f.rule) + ", \"severity\": " + q(f.severityText()) + ", \"message\": " + q(f.message)
               + "}";
    }
    return out + "]";
}

QByteArray registerObject(const NightRegister &r)
{
    QByteArray o = "{\"cdcaixa\": " + q(r.cdCaixa) + ", \"nrecf\": " + q(r.nrEcf) + ", \"serial\": " + q(r.serial);
    o += ", \"estado\": " + q(Night::stateName(r.estado));
    o += ", \"crz\": " + (r.crz >= 0 ? QByteArray::number(r.crz) : QByteArray("null"));
    // From whole cents, never a double printed.
    o += ", \"venda_bruta\": " + LedgerValues::dotMoney(r.vendaBruta).toLatin1();
    return o + ", \"ocorrencias\": " + findings(r.ocorrencias) + "}";
}

} // namespace

namespace NightJson {

QByteArray night(const Night &night, const QString &banco)
{
    QByteArray o = "{\"dia\": " + q(night.dia.toString(Qt::ISODate));
    o += ", \"lido_em\": " + q(night.lidoEm.toOffsetFromUtc(night.lidoEm.offsetFromUtc()).toString(Qt::ISODate));
    if (!banco.isEmpty())
        o += ", \"banco\": " + q(banco);
    o += ", \"totais\": " + counts(night.totais()) + ", \"filiais\": [";
    bool firstBranch = true;
    for (const NightBranch &b : night.filiais) {
        o += firstBranch ? "\n  " : ",\n  ";
        firstBranch = false;
        o += "{\"cdfilial\": " + q(b.cdFilial) + ", \"totais\": " + counts(b.totais()) + ", \"caixas\": [";
        bool firstRegister = true;
        for (const NightRegister &r : b.caixas) {
            o += firstRegister ? "\n    " : ",\n    ";
            firstRegister = false;
            o += registerObject(r);
        }
        o += "]}";
    }
    return o + "]}\n";
}

QByteArray error(const QString &message)
{
    return "{\"erro\": " + q(message) + "}\n";
}

} // namespace NightJson
