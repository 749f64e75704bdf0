#pragma once
// Where the ledger's units meet their callers: the platform's exceptions,
// raised inside the platform layer and a unit's own code, end here as a
// Result, and a Result a unit's own code cannot go on without is raised again
// until its public function turns it back into one.
#include "Exception.h"
#include "Result.h"

#include <type_traits>

namespace Guarded {

// What work came to: its value (NoValue for work that gives none), or the
// message of the Exception that stopped it.
template <typename Work>
auto run(Work &&work)
{
    using Value = std::invoke_result_t<Work>;
    if constexpr (std::is_void_v<Value>) {
        try {
            work();
            return Result<NoValue>::of({});
        } catch (const Exception &e) {
            return Result<NoValue>::failure(e.message());
        }
    } else {
        try {
            return Result<Value>::of(work());
        } catch (const Exception &e) {
            return Result<Value>::failure(e.message());
        }
    }
}

// The value of a result the unit's own code needs; its failure raised as an
// Exception for the unit's public function to turn back into a Result.
template <typename T>
T take(Result<T> result)
{
    if (!result.ok())
        throw Exception(result.error());
    return std::move(result.value());
}

} // namespace Guarded
