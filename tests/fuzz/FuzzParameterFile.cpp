// The two local parameter files, as the screen's opening reads them: load,
// take the first record's columns, convert the printer type.
#include "ClientDataSet.h"
#include "Exception.h"
#include "FormatSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PRAXUMO.CDS"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    ClientDataSet cds;
    try {
        cds.loadFromFile(path);
        cds.open();
        cds.first();
        const QString tipo = cds.fieldByName(QStringLiteral("IDTIPOIMPFIS")).asString();
        (void)FormatSettings::strToInt(tipo.isEmpty() ? QStringLiteral("00") : tipo);
        (void)cds.fieldByName(QStringLiteral("IDESQUEMA")).asString();
    } catch (const Exception &) {
    }
    return 0;
}
