#include "Cat52Stage.h"
#include "ClientDataSet.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "ScreenSupport.h"
#include "Srv_kal02700.h"
#include "Wmb00001.h"
#include "Wmb00002.h"
#include "Win1252.h"
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

using namespace Cli_kal02700;

namespace {

QStringList linhasDoArquivo(const QString &caminho)
{
    QFile arquivo(caminho);
    if (!arquivo.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Não foi possível ler o arquivo %1: %2").arg(caminho, arquivo.errorString()));
    return Win1252::decodeLines(arquivo.readAll());
}

} // namespace

Cat52Stage::Cat52Stage(QString cdFilial, QString cdCaixa)
    : m_cdFilial(std::move(cdFilial)), m_cdCaixa(std::move(cdCaixa))
{
}

bool Cat52Stage::isDue(const QString &idTipoImpFis, const QString &idGeraArqVndrio)
{
    const int tipo = FormatSettings::strToInt(idTipoImpFis);
    const bool soComParametro = tipo == 18 || tipo == 19 || tipo == 27 || tipo == 32;
    const bool nunca = tipo == 22 || tipo == 24 || tipo == 29 || tipo == 31;
    return !(nunca || (soComParametro && idGeraArqVndrio != QLatin1String("S")));
}

void Cat52Stage::run(QWidget *form, const QString &notice, const ClientDataSet &parametros, TDateTime dia) const
{
    Wmb00002::AtivaProcesso(form, notice, 0, 0);
    // The notice comes down on every way out, an error included.
    struct Aviso {
        ~Aviso() { Wmb00002::DesativaProcesso(); }
    } aviso;

    QStringList arquivo;
    const QDate data = AutomationDate::toDate(dia);
    const QVariantList argumentos{parametros.data(), QVariant(data), QVariant(data), QVariant(true)};
    QStringList caminhos;
    if (!Wmb00001::GeraCatGenerica)
        throw Exception(QStringLiteral("O pacote da impressora fiscal não está carregado."));
    if (!Wmb00001::GeraCatGenerica(argumentos, caminhos)) {
        reportFileNotStored(QStringLiteral("O gerador de arquivos Cat-52 não gerou o arquivo."));
        return;
    }
    if (caminhos.isEmpty())
        throw Exception(QStringLiteral("O gerador de arquivos Cat-52 não informou o arquivo gerado."));

    const QString caminho = trimPrinterText(caminhos.first());
    if (QFileInfo(caminho).isFile())
        arquivo = linhasDoArquivo(caminho);
    // A day with figures never has an empty CAT-52 file: storing one would
    // pass a failed generation for a done one.
    if (arquivo.isEmpty())
        throw Exception(QStringLiteral("O arquivo Cat-52 %1 não existe ou está vazio.").arg(caminho));
    // The name is taken from the path as given, blanks included.
    const QString &original = caminhos.first();
    const qsizetype corte = std::max({original.lastIndexOf(QLatin1Char('\\')), original.lastIndexOf(QLatin1Char(':')),
                                      original.lastIndexOf(QLatin1Char('/'))});
    const QVariant resultado = Srv_kal02700::setArqCat52(
        m_cdFilial, m_cdCaixa, QStringLiteral("000"), QStringLiteral("000000000000"),
        FormatSettings::dateToStr(AutomationDate::fromDate(data)), original.mid(corte + 1), arquivo);
    // The method's failure is not shown here (the save's notice stands), but
    // it is what the host reports.
    if (!resultado.toString().isEmpty())
        reportFileNotStored(resultado.toString());
}

void Cat52Stage::reportFileNotStored(QString reason)
{
    // The reason goes on the sentence: its first word in lower case, unless
    // it is an acronym.
    if (reason.size() > 1 && reason.at(0).isUpper() && !reason.at(1).isUpper())
        reason[0] = reason.at(0).toLower();
    setReason(QStringLiteral("Redução Z gravada, mas o arquivo Cat-52 não foi gravado: ") + reason);
}
