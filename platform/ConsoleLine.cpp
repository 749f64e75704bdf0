#include "ConsoleLine.h"

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

} // namespace ConsoleLine
