#pragma once
// The pieces of writing a file whole, shared by the printer package's CAT-52
// file and the ledger's outputs: every byte written or the reason why not,
// and the permissions a new file gets.
#include <QtGlobal>
#include <sys/types.h>

namespace FileWrite {

// Writes the whole of `length` bytes to fd (a short write is carried on, an
// interrupted one retried); 0, or the errno of the failure (EIO for a write
// that took nothing).
int writeAll(int fd, const char *data, qsizetype length);

// The mode a file created by open() would get under the process's umask,
// read without changing the umask (which other threads share).
mode_t newFileMode();

} // namespace FileWrite
