// The data-packet reader against arbitrary bytes: it refuses or accepts, never
// crashes, and what it accepts it writes back to a packet that reads the same.
#include "ClientDataSet.h"
#include "Exception.h"

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses a dataset with the tax-line fields declared, as
    // the server reads the screen's packet, or a free one.
    const bool persistent = data[0] & 1;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    ClientDataSet cds;
    if (persistent) {
        cds.addField(QStringLiteral("CDFILIAL"), FieldType::String, 4);
        cds.addField(QStringLiteral("DTREDUCAOZ"), FieldType::Date);
        cds.addField(QStringLiteral("VRIMPOSTORZ"), FieldType::Float);
    }
    bool accepted = true;
    try {
        cds.setData(QVariant(bytes));
    } catch (const Exception &) {
        accepted = false;
    }
    if (!accepted)
        return 0;
    // Walk every field of every row the way the server does.
    for (cds.first(); !cds.eof(); cds.next())
        for (Field *f : cds.fields()) {
            (void)f->asString();
            try {
                (void)f->asFloat();
                (void)f->asDateTime();
            } catch (const Exception &) {
            }
        }
    const QVariant written = cds.data();
    ClientDataSet again;
    try {
        again.setData(written);
    } catch (const Exception &e) {
        // A packet we wrote ourselves must read back.
        std::fprintf(stderr, "written packet refused: %s\n%s\n", e.what(), written.toByteArray().constData());
        std::abort();
    }
    if (again.recordCount() != cds.recordCount() || again.data() != written)
        std::abort();
    return 0;
}
