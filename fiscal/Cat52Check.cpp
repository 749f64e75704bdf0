#include "Cat52Check.h"
#include "Cat52FileStore.h"

#include <QStringList>

Cat52DayFigures Cat52Check::figuresOf(const Reduction &r)
{
    return {r.serial, r.crz, r.cro, r.lastCoupon, r.day, r.gross};
}

Cat52Check Cat52Check::of(const QByteArray &content, const QList<Reduction> &candidates)
{
    Cat52Check result;
    if (candidates.isEmpty()) {
        result.problem = QStringLiteral("nenhuma Redução Z gravada para o caixa e o dia do arquivo");
        return result;
    }
    const std::optional<E12Record> e12 = Cat52Record::findE12(content);
    if (!e12) {
        result.problem = QStringLiteral("o arquivo não tem registro E12 legível");
        return result;
    }
    // The file is of the printer of its E12's serial: held against that
    // printer's row (the one it matches in full, should the day hold two).
    for (int i = 0; i < candidates.size(); ++i) {
        if (!Cat52FileStore::ofPrinter(e12->serial, candidates.at(i).serial))
            continue;
        const QList<Cat52Difference> differences = Cat52Record::compare(*e12, figuresOf(candidates.at(i)));
        if (result.reduction < 0 || differences.isEmpty()) {
            result.reduction = i;
            result.differences = differences;
        }
        if (differences.isEmpty()) {
            result.ok = true;
            return result;
        }
    }
    if (result.reduction < 0)
        result.problem = QStringLiteral("a série %1 do registro E12 não é de nenhuma Redução Z gravada para o caixa "
                                        "no dia")
                             .arg(e12->serial.isEmpty() ? QStringLiteral("(vazia)") : e12->serial);
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
