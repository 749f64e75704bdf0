#pragma once
// auditar: every printer chain of the period checked by the ledger's rules, its findings in one of the writers' forms.
#include "LedgerCommand.h"

class AuditarCommand : public LedgerCommand {
public:
    QString name() const override { return QStringLiteral("auditar"); }
    QList<LedgerOption> options() const override;
    QStringList help() const override;
    Result<int> run(const FiscalOptions &o) const override;
};
