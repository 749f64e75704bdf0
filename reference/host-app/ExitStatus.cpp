#include "ExitStatus.h"

ExitStatus callStatus(bool redZGravada, bool redZIncerta, bool screenshotMissing)
{
    if (redZGravada)
        return Stored;
    if (redZIncerta)
        return StoredUnknown;
    return screenshotMissing ? CannotRun : NotStored;
}
