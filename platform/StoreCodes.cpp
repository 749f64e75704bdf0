#include "StoreCodes.h"

namespace StoreCodes {

Problem check(const QString &code, int width)
{
    if (code.isEmpty() || code.size() > width)
        return Problem::Width;
    for (const QChar c : code)
        if (c.unicode() > 127 || !c.isLetterOrNumber())
            return Problem::Characters;
    return Problem::None;
}

} // namespace StoreCodes
