#include "Console.h"
#include "ConsoleLine.h"

namespace Console {

void printLine(std::FILE *out, const QString &text)
{
    ConsoleLine::print(out, text);
}

void report(const QString &text)
{
    ConsoleLine::report(ProgramName, text);
}

} // namespace Console
