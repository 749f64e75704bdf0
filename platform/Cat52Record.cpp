#include "Cat52Record.h"
#include "FormatSettings.h"
#include "Win1252.h"

#include <QStringList>

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

QString displayDay(const QDate &day)
{
    return day.toString(QStringLiteral("dd/MM/yyyy"));
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
        // yyyyMMdd, all eight digits (the line is long enough to hold them).
        if (const auto ymd = digits(field(line, 65, 72)))
            e12.movementDay = QDate(int(*ymd / 10000), int(*ymd / 100 % 100), int(*ymd % 100));
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

QList<Cat52Difference> compare(const E12Record &e12, const Cat52DayFigures &day)
{
    QList<Cat52Difference> out;
    if (e12.serial != serialOf(day.serial))
        out.append({QStringLiteral("série"), e12.serial, day.serial.trimmed()});
    if (!sameCounter(e12.crz, day.crz))
        out.append({QStringLiteral("CRZ"), counter6(e12.crz), counter6(day.crz)});
    if (!sameCounter(e12.coo, day.lastCoupon))
        out.append({QStringLiteral("COO"), counter6(e12.coo), counter6(day.lastCoupon)});
    if (!sameCounter(e12.cro, day.cro))
        out.append({QStringLiteral("CRO"), counter6(e12.cro), counter6(day.cro)});
    if (e12.movementDay != day.day)
        out.append({QStringLiteral("data do movimento"), displayDay(e12.movementDay), displayDay(day.day)});
    if (e12.gross != day.gross)
        out.append({QStringLiteral("venda bruta"), FormatSettings::displayMoney(e12.gross),
                    FormatSettings::displayMoney(day.gross)});
    return out;
}

QString serialOf(const QString &storedSerial)
{
    return storedSerial.trimmed().left(20);
}

QString describe(const QList<Cat52Difference> &differences)
{
    QStringList parts;
    for (const Cat52Difference &d : differences)
        parts << QStringLiteral("%1 %2 no arquivo, %3 na Redução Z").arg(d.field, d.inFile, d.inReduction);
    return parts.join(QStringLiteral("; "));
}

} // namespace Cat52Record
