#include "ConsoleLine.h"

#include <QStringList>

namespace ConsoleLine {

void print(std::FILE *out, const QString &text)
{
    const QByteArray line = text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), out);
    std::fflush(out);
}

void report(const char *program, const QString &text)
{
    print(stderr, QLatin1String(program) + QStringLiteral(": ") + text);
}

QString oneLine(const QString &message)
{
    QStringList parts;
    for (const QString &part : message.split(QLatin1Char('\n')))
        if (!part.trimmed().isEmpty())
            parts << part.trimmed();
    if (parts.size() < 2)
        return parts.value(0);
    QString sentence = parts.takeFirst();
    if (sentence.endsWith(QLatin1Char('.')))
        sentence.chop(1);
    return sentence + QStringLiteral(": ") + parts.join(QLatin1Char(' '));
}

} // namespace ConsoleLine
