#pragma once
// What a server call came to, as the module reads it: the platform's one
// Result. The exported server methods turn it into the variant a host reads.
#include "Result.h"

#include <QVariant>

namespace Srv_kal02700 {

// The value of a call that stores and returns nothing else.
using Done = NoValue;

template <typename T>
using ServerResult = Result<T>;

} // namespace Srv_kal02700
