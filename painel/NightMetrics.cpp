#include "NightMetrics.h"

#include <QMap>

namespace {

// A label value as the format escapes it: backslash, quote and line feed.
QByteArray label(const QString &value)
{
    QByteArray out;
    for (const char c : value.toUtf8()) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return '"' + out + '"';
}

void head(QByteArray &out, const char *name, const char *help)
{
    out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + " gauge\n";
}

void registers(QByteArray &out, const Night &night)
{
    const RegisterState states[] = {RegisterState::Gravada, RegisterState::SemCat52, RegisterState::ComErro,
                                    RegisterState::Pendente};
    for (const NightBranch &b : night.filiais) {
        QMap<RegisterState, int> counts;
        for (const NightRegister &r : b.caixas)
            ++counts[r.estado];
        // Every state of a branch, zero included, so an alert sees it fall.
        for (const RegisterState s : states)
            out += "kal02700_caixas{cdfilial=" + label(b.cdFilial) + ",estado=" + label(Night::stateName(s)) + "} "
                   + QByteArray::number(counts.value(s)) + '\n';
    }
}

void findings(QByteArray &out, const Night &night)
{
    for (const NightBranch &b : night.filiais) {
        QMap<QPair<QString, QString>, int> counts;
        for (const NightRegister &r : b.caixas)
            for (const Finding &f : r.ocorrencias)
                ++counts[{f.rule, f.severityText()}];
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            out += "kal02700_ocorrencias{cdfilial=" + label(b.cdFilial) + ",regra=" + label(it.key().first)
                   + ",severidade=" + label(it.key().second) + "} " + QByteArray::number(it.value()) + '\n';
    }
}

} // namespace

namespace NightMetrics {

QByteArray text(const Night *night, bool databaseAvailable, double lastReadSeconds)
{
    QByteArray out;
    head(out, "kal02700_caixas", "Caixas da noite por filial e estado da Redução Z.");
    if (night)
        registers(out, *night);
    head(out, "kal02700_ocorrencias", "Ocorrências do livro fiscal na noite por filial, regra e severidade.");
    if (night)
        findings(out, *night);
    head(out, "kal02700_banco_disponivel", "1 quando o banco respondeu à última leitura, 0 quando não.");
    out += "kal02700_banco_disponivel " + QByteArray(databaseAvailable ? "1" : "0") + '\n';
    head(out, "kal02700_leitura_segundos", "Duração da última leitura da noite, em segundos.");
    out += "kal02700_leitura_segundos " + QByteArray::number(lastReadSeconds, 'f', 6) + '\n';
    return out;
}

} // namespace NightMetrics
