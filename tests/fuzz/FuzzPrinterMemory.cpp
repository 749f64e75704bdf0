// The printer memory file, as the fiscal-printer package reads it: any bytes
// are a printer that answers or one that does not, never a crash; what it
// accepts fills the last-reduction array and the totalisers.
#include "ClientDataSet.h"
#include "Exception.h"
#include "PrinterMemory.h"
#include "Wmb00001.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("printer.json"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    Wmb00001::setPrinterMemoryFile(path);
    QVariantList array(51);
    ClientDataSet totalizers;
    try {
        Wmb00001::DadosUltimaRedZ(QVariant(QStringLiteral("0001")), 0, array, totalizers);
        for (totalizers.first(); !totalizers.eof(); totalizers.next())
            (void)totalizers.fieldByName(QStringLiteral("VRVENDIDO")).asString();
        QString modelo, marca, outro;
        Wmb00001::Modelo_Impressora(QString(), modelo, marca, outro);
    } catch (const Exception &) {
    }
    return 0;
}
