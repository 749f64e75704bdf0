#pragma once
// cat52-guardar: the CAT-52 file of a stored day whose CAT-52 stage failed, stored through the CAT-52 store.
#include "LedgerCommand.h"

class Cat52GuardarCommand : public LedgerCommand {
public:
    QString name() const override { return QStringLiteral("cat52-guardar"); }
    QList<LedgerOption> options() const override;
    QStringList help() const override;
    Result<int> run(const FiscalOptions &o) const override;
};
