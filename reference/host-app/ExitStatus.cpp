#include "ExitStatus.h"

ExitStatus callStatus(bool redZGravada, bool screenshotMissing)
{
    if (redZGravada)
        return Stored;
    return screenshotMissing ? CannotRun : NotStored;
}
