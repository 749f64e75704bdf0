#include "Cat52Check.h"

#include <QStringList>

Cat52DayFigures Cat52Check::figuresOf(const Reduction &r)
{
    return {r.serial, r.crz, r.cro, r.lastCoupon, r.day, r.gross};
}

Cat52Check Cat52Check::of(const QByteArray &content, const QList<Reduction> &candidates)
{
    Cat52Check result;
    const std::optional<E12Record> e12 = Cat52Record::findE12(content);
    if (candidates.isEmpty()) {
        result.problem = QStringLiteral("nenhuma Redução Z gravada para o caixa e o dia do arquivo");
        return result;
    }
    if (!e12) {
        result.reduction = 0;
        result.problem = QStringLiteral("o arquivo não tem registro E12 legível");
        return result;
    }
    int bySerial = -1;
    for (int i = 0; i < candidates.size(); ++i) {
        const QList<Cat52Difference> differences = Cat52Record::compare(*e12, figuresOf(candidates.at(i)));
        if (differences.isEmpty()) {
            result.ok = true;
            result.reduction = i;
            return result;
        }
        if (bySerial < 0 && e12->serial == candidates.at(i).serial.trimmed().left(20))
            bySerial = i;
    }
    result.reduction = bySerial >= 0 ? bySerial : 0;
    result.differences = Cat52Record::compare(*e12, figuresOf(candidates.at(result.reduction)));
    return result;
}

QString Cat52Check::describe() const
{
    if (ok)
        return QStringLiteral("ok");
    if (!problem.isEmpty())
        return problem;
    return Cat52Record::describe(differences);
}

QString Cat52Check::expected() const
{
    QStringList parts;
    for (const Cat52Difference &d : differences)
        parts << d.field + QLatin1Char('=') + d.inReduction;
    return parts.join(QStringLiteral("; "));
}

QString Cat52Check::found() const
{
    QStringList parts;
    for (const Cat52Difference &d : differences)
        parts << d.field + QLatin1Char('=') + d.inFile;
    return parts.join(QStringLiteral("; "));
}
