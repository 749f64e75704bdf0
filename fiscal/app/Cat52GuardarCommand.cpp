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

Result<int> Cat52GuardarCommand::run(const FiscalOptions &o) const
{
    const Result<std::unique_ptr<LedgerSession>> session = LedgerSession::open(o.db);
    if (!session)
        return Result<int>::failureOf(session);
    Cat52Store store(*session.value(), o.db);
    if (const Result<NoValue> stored = store.store(o.cdFilial, o.cdCaixa, o.dtReducao, o.arquivo); !stored)
        return Result<int>::failureOf(stored);
    ConsoleLine::print(stdout, QStringLiteral("Arquivo CAT-52 %1 guardado para a filial %2, caixa %3, dia %4.")
                                   .arg(QFileInfo(o.arquivo).fileName(), o.cdFilial, o.cdCaixa,
                                        LedgerValues::displayDay(o.dtReducao)));
    return Result<int>::of(Done);
}
