#pragma once
// windows-1252, the 8-bit code page where text meets the outside.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Win1252 {
// A character the code page cannot hold becomes '?' and sets *lossy when given.
QByteArray encode(const QString &text, bool *lossy = nullptr);
QString decode(const QByteArray &bytes);
// True when every character of the text exists in windows-1252.
bool canEncode(const QString &text);
// The lines of a text file in the code page, as the printer writes its
// CAT-52 files: CR LF, LF or CR end a line, and a last line break makes no
// empty line.
QStringList decodeLines(const QByteArray &bytes);
} // namespace Win1252
