// Dates, numbers and code-page text typed or read back as text.
#include "Exception.h"
#include "FormatSettings.h"
#include "Win1252.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);
    try {
        const TDateTime d = FormatSettings::strToDate(text);
        // A date we accept writes back to a text that reads as the same day.
        if (FormatSettings::strToDate(FormatSettings::dateToStr(d)) != d)
            std::abort();
    } catch (const Exception &) {
    }
    try {
        (void)FormatSettings::strToDateTime(text);
    } catch (const Exception &) {
    }
    try {
        const double v = FormatSettings::strToFloat(text);
        if (std::isfinite(v) && FormatSettings::strToFloat(FormatSettings::floatToStr(v)) != v)
            std::abort();
    } catch (const Exception &) {
    }
    try {
        (void)FormatSettings::strToInt(text);
    } catch (const Exception &) {
    }
    const QString decoded = Win1252::decode(bytes);
    if (Win1252::encode(decoded) != bytes)
        std::abort(); // every byte of the code page maps and maps back
    return 0;
}
