#pragma once
// A line on a program's console: whole, in UTF-8, flushed at once, so that a
// store's script reading it line by line never sees half of one. Every
// program's lines go through here.
#include <QString>
#include <cstdio>

namespace ConsoleLine {

void print(std::FILE *out, const QString &text);

// "PROGRAM: TEXT" on the standard error: the program's own lines, told from
// anything else on it.
void report(const char *program, const QString &text);

// An error as one line: the program's sentence, then the driver's or the
// system's own words after it, never on a line of their own.
QString oneLine(const QString &message);

} // namespace ConsoleLine
