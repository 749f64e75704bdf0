#include "Cat52Record.h"
#include "LedgerValues.h"
#include "Win1252.h"

namespace Cat52Record {

namespace {
// Positions of the E12 record, 1-based and inclusive as the layout gives them.
QByteArray field(const QByteArray &line, int first, int last)
{
    return line.mid(first - 1, last - first + 1);
}

std::optional<qint64> digits(const QByteArray &text)
{
    if (text.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

QString counter6(qint64 value)
{
    return value < 0 ? QStringLiteral("?") : QStringLiteral("%1").arg(value % 1000000, 6, 10, QLatin1Char('0'));
}

bool sameCounter(qint64 inFile, qint64 stored)
{
    return stored >= 0 && stored % 1000000 == inFile;
}
} // namespace

std::optional<E12Record> findE12(const QByteArray &content)
{
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        if (end < 0)
            end = content.size();
        QByteArray line = content.mid(start, end - start);
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.startsWith("E12"))
            continue;
        if (line.size() < 100)
            return std::nullopt;
        E12Record e12;
        e12.serial = Win1252::decode(field(line, 4, 23)).trimmed();
        e12.model = Win1252::decode(field(line, 25, 44)).trimmed();
        const auto crz = digits(field(line, 47, 52));
        const auto coo = digits(field(line, 53, 58));
        const auto cro = digits(field(line, 59, 64));
        const auto gross = digits(field(line, 87, 100));
        e12.movementDay = QDate::fromString(QString::fromLatin1(field(line, 65, 72)), QStringLiteral("yyyyMMdd"));
        if (!crz || !coo || !cro || !gross || !e12.movementDay.isValid())
            return std::nullopt;
        e12.crz = *crz;
        e12.coo = *coo;
        e12.cro = *cro;
        e12.gross = *gross;
        return e12;
    }
    return std::nullopt;
}

QList<Cat52Difference> compare(const E12Record &e12, const Reduction &r)
{
    QList<Cat52Difference> out;
    if (e12.serial != r.serial.trimmed().left(20))
        out.append({QStringLiteral("série"), e12.serial, r.serial.trimmed()});
    if (!sameCounter(e12.crz, r.crz))
        out.append({QStringLiteral("CRZ"), counter6(e12.crz), counter6(r.crz)});
    if (!sameCounter(e12.coo, r.lastCoupon))
        out.append({QStringLiteral("COO"), counter6(e12.coo), counter6(r.lastCoupon)});
    if (!sameCounter(e12.cro, r.cro))
        out.append({QStringLiteral("CRO"), counter6(e12.cro), counter6(r.cro)});
    if (e12.movementDay != r.day)
        out.append({QStringLiteral("data do movimento"), LedgerValues::displayDay(e12.movementDay),
                    LedgerValues::displayDay(r.day)});
    if (e12.gross != r.gross)
        out.append({QStringLiteral("venda bruta"), LedgerValues::displayMoney(e12.gross),
                    LedgerValues::displayMoney(r.gross)});
    return out;
}

Cat52Check check(const QByteArray &content, const QList<Reduction> &candidates)
{
    Cat52Check result;
    const std::optional<E12Record> e12 = findE12(content);
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
        const QList<Cat52Difference> differences = compare(*e12, candidates.at(i));
        if (differences.isEmpty()) {
            result.ok = true;
            result.reduction = i;
            return result;
        }
        if (bySerial < 0 && e12->serial == candidates.at(i).serial.trimmed().left(20))
            bySerial = i;
    }
    result.reduction = bySerial >= 0 ? bySerial : 0;
    result.differences = compare(*e12, candidates.at(result.reduction));
    return result;
}

} // namespace Cat52Record

QString Cat52Check::describe() const
{
    if (ok)
        return QStringLiteral("ok");
    if (!problem.isEmpty())
        return problem;
    QStringList parts;
    for (const Cat52Difference &d : differences)
        parts << QStringLiteral("%1 %2 no arquivo, %3 na Redução Z").arg(d.field, d.inFile, d.inReduction);
    return parts.join(QStringLiteral("; "));
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
