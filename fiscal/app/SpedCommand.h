#pragma once
// sped: the EFD ICMS/IPI block C lines of the branch's printers (C400, C405, C420, C490).
#include "LedgerCommand.h"

class SpedCommand : public LedgerCommand {
public:
    QString name() const override { return QStringLiteral("sped"); }
    QList<LedgerOption> options() const override;
    QStringList help() const override;
    Result<int> run(const FiscalOptions &o) const override;
};
