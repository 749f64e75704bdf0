#pragma once
// Why the system refused to read or write a file, as an operator reads it:
// one wording for the printer package, the ledger's outputs and the small
// files read from outside.
#include <QString>

namespace SystemError {

enum class Doing { Reading, Writing };

// The words for an errno value; the system's own words follow the code
// for one no operator meets.
QString words(int code, Doing doing);

} // namespace SystemError
