#include "PrinterTaxList.h"
#include "ClientDataSet.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "ServerCalls.h"

PrinterTaxList::PrinterTaxList(ClientDataSet &lista, const TaxLines::Fields &campos) : m_lista(lista), m_campos(campos)
{
}

Result<NoValue> PrinterTaxList::build(ClientDataSet &totalizadores, const Reducao &reducao)
{
    try {
        fill(totalizadores, reducao);
        return Result<NoValue>::of(NoValue{});
    } catch (const Exception &erro) {
        return Result<NoValue>::failure(erro.message());
    } catch (const std::exception &erro) {
        return Result<NoValue>::failure(QString::fromLocal8Bit(erro.what()));
    }
}

void PrinterTaxList::fill(ClientDataSet &totalizadores, const Reducao &reducao)
{
    m_lista.close();
    m_lista.createDataSet();
    auto chaveDaReducao = [&] {
        m_campos.CDFILIAL->setAsString(reducao.cdFilial);
        m_campos.CDCAIXA->setAsString(reducao.cdCaixa);
        m_campos.NRECFREDZ->setAsString(reducao.nrEcf);
        m_campos.DTREDUCAOZ->setAsDateTime(reducao.dtReducao);
    };
    if (!totalizadores.active() || totalizadores.isEmpty()) {
        m_lista.insert();
        chaveDaReducao();
        m_campos.CDIMPOSTO->setAsString(QStringLiteral("00"));
        m_campos.VRALIQIMPRZ->setAsFloat(0);
        m_campos.VRBCALCIMPRZ->setAsFloat(0);
        m_campos.VRIMPOSTORZ->setAsFloat(0);
        m_lista.post();
        return;
    }
    auto valor = [&](const char *campo) {
        return FormatSettings::strToFloat(totalizadores.fieldByName(QLatin1String(campo)).asString());
    };
    for (totalizadores.first(); !totalizadores.eof(); totalizadores.next()) {
        m_lista.insert();
        chaveDaReducao();
        const auto busca = Srv_kal02700::ServerCalls::taxCode(valor("VRALIQIMPFIS"));
        if (!busca.ok())
            throw Exception(busca.error());
        const QString codigo = busca.value();
        m_campos.CDIMPOSTO->setAsString(
            !codigo.isEmpty() ? codigo : totalizadores.fieldByName(QStringLiteral("CDIMPOSTO")).asString());
        m_campos.VRALIQIMPRZ->setAsFloat(valor("VRALIQIMPFIS"));
        m_campos.VRBCALCIMPRZ->setAsFloat(valor("VRVENDIDO"));
        m_campos.VRIMPOSTORZ->setAsFloat(valor("VRIMPOSTO"));
        m_lista.post(); // the tax rule computes the tax sent
    }
}
