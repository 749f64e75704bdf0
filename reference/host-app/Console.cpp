#include "Console.h"

namespace Console {

void printLine(std::FILE *out, const QString &text)
{
    std::fputs(text.toUtf8().constData(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

void report(const QString &text)
{
    printLine(stderr, QStringLiteral("%1: %2").arg(QLatin1String(ProgramName), text));
}

} // namespace Console
