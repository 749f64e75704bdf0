#include "Cat52GuardarCommand.h"
#include "Cat52Store.h"
#include "ConsoleLine.h"
#include "LedgerSession.h"
#include "LedgerValues.h"

#include <QFileInfo>

QList<LedgerOption> Cat52GuardarCommand::options() const
{
    return {{"db", true}, {"cdfilial", true}, {"cdcaixa", true}, {"dtreducao", true}, {"arquivo", true}};
}

QStringList Cat52GuardarCommand::help() const
{
    return {QStringLiteral("guarda o arquivo CAT-52 de um dia cuja Redução Z está gravada e que"),
            QStringLiteral("ainda não tem arquivo daquele ECF (etapa CAT-52 que falhou ou foi"),
            QStringLiteral("interrompida); o ECF é o da série do registro E12 do arquivo.")};
}

int Cat52GuardarCommand::run(const FiscalOptions &o) const
{
    LedgerSession session(o.db);
    Cat52Store store(session, o.db);
    store.store(o.cdFilial, o.cdCaixa, o.dtReducao, o.arquivo);
    ConsoleLine::print(stdout, QStringLiteral("Arquivo CAT-52 %1 guardado para a filial %2, caixa %3, dia %4.")
                                   .arg(QFileInfo(o.arquivo).fileName(), o.cdFilial, o.cdCaixa,
                                        LedgerValues::displayDay(o.dtReducao)));
    return Done;
}
