#pragma once
// The host's lines on the console: whole lines in UTF-8, flushed at once. The
// host's own lines on the standard error begin with its name, so that a
// store's script tells them from anything else.
#include <QString>
#include <cstdio>

namespace Console {

inline constexpr char ProgramName[] = "kal02700-host";

void printLine(std::FILE *out, const QString &text);

// "kal02700-host: TEXT" on the standard error.
void report(const QString &text);

} // namespace Console
