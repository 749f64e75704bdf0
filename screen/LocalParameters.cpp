#include "LocalParameters.h"
#include "ClientDataSet.h"
#include "Exception.h"
#include "ScreenSupport.h"
#include "SharedServices.h"
#include <QDir>
#include <QFileInfo>

namespace LocalParameters {

namespace {
// Raises for a file that cannot be read: load turns it into its result.
Values read(const QString &folder, ClientDataSet &parametros, ClientDataSet &impressora)
{
    Values values;
    const QDir pasta(folder);
    const QString arquivoParametros = pasta.filePath(QStringLiteral("PARAMETROSKIV.CDS"));
    if (QFileInfo(arquivoParametros).isFile()) {
        parametros.loadFromFile(arquivoParametros);
        parametros.open();
        values.idEsquema = parametros.fieldByName(QStringLiteral("IDESQUEMA")).asString();
        values.idGeraArqVndrio = parametros.fieldByName(QStringLiteral("IDGERAARQVNDRIO")).asString();
    }
    const QString arquivoImpressora = pasta.filePath(QStringLiteral("PRAXUMO.CDS"));
    if (QFileInfo(arquivoImpressora).isFile()) {
        impressora.loadFromFile(arquivoImpressora);
        impressora.open();
        values.idTipoImpFis = impressora.fieldByName(QStringLiteral("IDTIPOIMPFIS")).asString();
        values.typeGiven = !EmptyString(values.idTipoImpFis);
        if (!values.typeGiven)
            values.idTipoImpFis = QStringLiteral("00");
    } else {
        Cli_kal02700::setReason(
            QStringLiteral("O arquivo PRAXUMO.CDS não foi encontrado em %1: o tipo da impressora fiscal não é "
                           "conhecido.")
                .arg(QDir::toNativeSeparators(pasta.path())));
    }
    return values;
}
} // namespace

Result<Values> load(const QString &folder, ClientDataSet &parametros, ClientDataSet &impressora)
{
    try {
        return Result<Values>::of(read(folder, parametros, impressora));
    } catch (const Exception &erro) {
        return Result<Values>::failure(erro.message());
    } catch (const std::exception &erro) {
        return Result<Values>::failure(QString::fromLocal8Bit(erro.what()));
    }
}

} // namespace LocalParameters
