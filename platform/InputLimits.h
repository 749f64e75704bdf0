#pragma once
// Bounds on what comes from outside: the small files the packages read (the
// printer memory, the two local parameter files) and the pieces of a bad
// value that a message may repeat.
#include <QByteArray>
#include <QString>
#include <optional>

namespace InputLimits {

// A few megabytes: far above any printer memory or parameter file.
inline constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;

// The whole content of a small file. Refuses what is not a regular file (a
// folder, a device such as /dev/zero, a FIFO, a socket) without waiting on
// it, and a file larger than maxBytes without reading past the limit.
// Nothing on failure, with `error` set to one Portuguese sentence that names
// the file.
std::optional<QByteArray> readSmallFile(const QString &path, QString &error, qint64 maxBytes = MaxFileBytes);

// Why the file at `path` could not be read by readSmallFile, looking at it
// without opening it; empty when it is a regular file within the limit or
// when nothing is there.
QString refusal(const QString &path, qint64 maxBytes = MaxFileBytes);

// A bad value as a message may quote it: its first line, cut to maxChars
// characters with "..." when longer.
QString excerpt(const QString &value, int maxChars = 60);

} // namespace InputLimits
