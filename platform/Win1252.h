#pragma once
// windows-1252, the 8-bit code page where text meets the outside.
#include <QByteArray>
#include <QString>

namespace Win1252 {
// A character the code page cannot hold becomes '?' and sets *lossy when given.
QByteArray encode(const QString &text, bool *lossy = nullptr);
QString decode(const QByteArray &bytes);
// True when every character of the text exists in windows-1252.
bool canEncode(const QString &text);
} // namespace Win1252
