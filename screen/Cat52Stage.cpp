#include "Cat52Stage.h"
#include "ClientDataSet.h"
#include "Exception.h"
#include "InputLimits.h"
#include "FormatSettings.h"
#include "PrinterTypes.h"
#include "ScreenSupport.h"
#include "ServerCalls.h"
#include "Wmb00001.h"
#include "Wmb00002.h"
#include "Win1252.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

using namespace Cli_kal02700;

namespace {

// Within the bound the ledger's cat52-guardar keeps too: a device, a FIFO or
// a file past it is refused before it is read.
QByteArray conteudoDoArquivo(const QString &caminho)
{
    QString recusa;
    const std::optional<QByteArray> conteudo = InputLimits::readSmallFile(caminho, recusa, Cat52Record::MaxFileBytes);
    if (!conteudo)
        throw Exception(QStringLiteral("Não foi possível ler o arquivo Cat-52 %1: %2").arg(caminho, recusa));
    return *conteudo;
}

// The reason goes on the sentence: its first word in lower case, unless it is
// an acronym.
QString emFrase(QString reason)
{
    if (reason.size() > 1 && reason.at(0).isUpper() && !reason.at(1).isUpper())
        reason[0] = reason.at(0).toLower();
    return reason;
}

// The file's commit answer was lost and no new session could tell.
class OutcomeUnknown : public Exception {
public:
    using Exception::Exception;
};

// The printer's file of the day was stored by another run meanwhile.
class StoredBefore : public Exception {
public:
    using Exception::Exception;
};

} // namespace

Cat52Stage::Cat52Stage(QString cdFilial, QString cdCaixa)
    : m_cdFilial(std::move(cdFilial)), m_cdCaixa(std::move(cdCaixa))
{
}

Result<bool> Cat52Stage::isDue(const QString &idTipoImpFis, const QString &idGeraArqVndrio)
{
    try {
        return Result<bool>::of(PrinterTypes::generatesCat52(FormatSettings::strToInt(idTipoImpFis), idGeraArqVndrio));
    } catch (const EConvertError &erro) {
        return Result<bool>::failure(erro.message());
    }
}

Cat52Stage::Outcome Cat52Stage::attempt(QWidget *form, const QString &notice, const ClientDataSet &parametros,
                                        TDateTime dia, const Cat52DayFigures &gravada) const
{
    QString escrito;
    try {
        const QString diferencas = generateAndStore(form, notice, parametros, dia, gravada, escrito);
        return {diferencas.isEmpty() ? Outcome::Stored : Outcome::StoredDiffers, diferencas, QString()};
    } catch (const OutcomeUnknown &erro) {
        return {Outcome::Uncertain, erro.message(), QString()};
    } catch (const StoredBefore &) {
        return {Outcome::AlreadyStored, QString(), QString()};
    } catch (const Exception &erro) {
        return {Outcome::NotStored, erro.message(), escrito};
    } catch (const std::exception &erro) {
        return {Outcome::NotStored, QString::fromLocal8Bit(erro.what()), escrito};
    }
}

QString Cat52Stage::run(QWidget *form, const QString &notice, const ClientDataSet &parametros, TDateTime dia,
                        const Cat52DayFigures &gravada) const
{
    const Outcome outcome = attempt(form, notice, parametros, dia, gravada);
    switch (outcome.kind) {
    case Outcome::Stored:
    case Outcome::AlreadyStored:
        return QString();
    case Outcome::StoredDiffers:
        return fileDiffers(outcome.detail);
    case Outcome::Uncertain:
        return QStringLiteral("A Redução Z foi gravada, mas ") + emFrase(outcome.detail);
    case Outcome::NotStored:
        break;
    }
    return fileNotStored(outcome.detail);
}

Cat52Stage::Completion Cat52Stage::completeStoredDay(QWidget *form, const QString &notice,
                                                     const ClientDataSet &parametros, const QString &nrEcf,
                                                     const QString &nrSerieEcf, TDateTime dia) const
{
    namespace Server = Srv_kal02700::ServerCalls;
    // The file is missing only when none of the day's files is this
    // printer's: two printers of one register each have their own.
    const auto gravada = Server::storedDay(m_cdFilial, m_cdCaixa, nrEcf, dia);
    if (!gravada.ok())
        return missingFileLine(dia, {Outcome::NotStored, gravada.error(), QString()});
    // A day stored without its serial is this printer's by the one given.
    Cat52DayFigures figuras = gravada.value();
    if (figuras.serial.trimmed().isEmpty())
        figuras.serial = nrSerieEcf;
    const auto guardado = Server::printerCat52Stored(m_cdFilial, m_cdCaixa, dia, figuras.serial);
    if (!guardado.ok())
        return missingFileLine(dia, {Outcome::NotStored, guardado.error(), QString()});
    if (guardado.value())
        return {};
    return missingFileLine(dia, attempt(form, notice, parametros, dia, figuras));
}

Cat52Stage::Completion Cat52Stage::missingFileLine(TDateTime dia, const Outcome &outcome)
{
    const QString gravada = QStringLiteral("A Redução Z de %1 já estava gravada")
                                .arg(FormatSettings::dateToStr(AutomationDate::dateOf(dia)));
    switch (outcome.kind) {
    case Outcome::AlreadyStored:
        return {};
    case Outcome::Stored:
        return {gravada + QStringLiteral("; o arquivo Cat-52 que faltava foi gravado."), tmInformacao};
    case Outcome::StoredDiffers:
        return {gravada
                    + QStringLiteral("; o arquivo Cat-52 que faltava foi gravado, mas não confere com a Redução Z: ")
                    + outcome.detail + QLatin1Char('.'),
                tmAviso};
    case Outcome::Uncertain:
        return {gravada + QStringLiteral("; ") + emFrase(outcome.detail), tmAviso};
    case Outcome::NotStored:
        break;
    }
    QString motivo = emFrase(outcome.detail.simplified());
    if (!motivo.endsWith(QLatin1Char('.')))
        motivo += QLatin1Char('.');
    // Only a file that was written can be stored by the ledger; one that
    // never was is made by the next run, once what kept it from being
    // written (a folder that cannot be written, say) is put right.
    const QString conselho =
        outcome.writtenFile.isEmpty()
            ? QStringLiteral(" O arquivo não foi escrito: torne a pasta dos arquivos Cat-52 gravável (ou corrija a "
                             "causa acima) e execute o kal02700-host de novo.")
            : QStringLiteral(" Guarde o arquivo %1 depois com kal02700-fiscal cat52-guardar.")
                  .arg(QDir::toNativeSeparators(outcome.writtenFile));
    return {gravada + QStringLiteral(", sem o arquivo Cat-52, que não pôde ser gravado: ") + motivo + conselho,
            tmAviso};
}

QString Cat52Stage::generateAndStore(QWidget *form, const QString &notice, const ClientDataSet &parametros,
                                     TDateTime dia, const Cat52DayFigures &gravada, QString &written) const
{
    if (!Wmb00001::GeraCatGenerica)
        throw Exception(QStringLiteral("O pacote da impressora fiscal não está carregado."));
    Wmb00002::AtivaProcesso(form, notice, 0, 0);
    // The notice comes down on every way out, an error included.
    struct Aviso {
        ~Aviso() { Wmb00002::DesativaProcesso(); }
    } aviso;

    const QDate data = AutomationDate::toDate(dia);
    const QVariantList argumentos{parametros.data(), QVariant(data), QVariant(data), QVariant(true)};
    QStringList caminhos;
    if (!Wmb00001::GeraCatGenerica(argumentos, caminhos))
        throw Exception(QStringLiteral("O gerador de arquivos Cat-52 não gerou o arquivo."));
    if (caminhos.isEmpty())
        throw Exception(QStringLiteral("O gerador de arquivos Cat-52 não informou o arquivo gerado."));

    const QString caminho = trimPrinterText(caminhos.first());
    const QByteArray conteudo = QFileInfo(caminho).isFile() ? conteudoDoArquivo(caminho) : QByteArray();
    const QStringList linhas = Win1252::decodeLines(conteudo);
    // A day with figures never has an empty CAT-52 file: storing one would
    // pass a failed generation for a done one.
    if (linhas.isEmpty())
        throw Exception(QStringLiteral("O arquivo Cat-52 %1 não existe ou está vazio.").arg(caminho));
    written = caminho;

    // The file is the printer's own record: it is stored even when it does
    // not agree with the day, and what differs is told.
    const std::optional<E12Record> e12 = Cat52Record::findE12(conteudo);
    const QString diferencas = e12 ? Cat52Record::describe(Cat52Record::compare(*e12, gravada))
                                   : QStringLiteral("o arquivo não tem registro E12 legível");

    // The name is taken from the path as given, blanks included.
    const QString &original = caminhos.first();
    const qsizetype corte = std::max({original.lastIndexOf(QLatin1Char('\\')), original.lastIndexOf(QLatin1Char(':')),
                                      original.lastIndexOf(QLatin1Char('/'))});
    // Stored once for the printer: a run that finishes the same day at the
    // same moment finds this one's file, or this one finds its.
    const auto guardado = Srv_kal02700::ServerCalls::storeCat52FileOnce(
        m_cdFilial, m_cdCaixa, QStringLiteral("000"), QStringLiteral("000000000000"),
        FormatSettings::dateToStr(AutomationDate::fromDate(data)), original.mid(corte + 1), linhas, gravada.serial);
    if (!guardado.ok() && guardado.isUncertain())
        throw OutcomeUnknown(guardado.error());
    if (!guardado.ok())
        throw Exception(guardado.error());
    if (!guardado.value())
        throw StoredBefore(QString());
    return diferencas;
}

QString Cat52Stage::fileNotStored(QString reason)
{
    return QStringLiteral("A Redução Z foi gravada, mas o arquivo Cat-52 não foi gravado: ") + emFrase(reason);
}

QString Cat52Stage::fileDiffers(const QString &differences)
{
    return QStringLiteral("A Redução Z e o arquivo Cat-52 foram gravados, mas o arquivo não confere com a Redução Z: ")
           + differences + QLatin1Char('.');
}
