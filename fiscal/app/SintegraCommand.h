#pragma once
// sintegra: Sintegra's 60M and 60A registers of the branch's Z reductions.
#include "LedgerCommand.h"

class SintegraCommand : public LedgerCommand {
public:
    QString name() const override { return QStringLiteral("sintegra"); }
    QList<LedgerOption> options() const override;
    QStringList help() const override;
    Result<int> run(const FiscalOptions &o) const override;
};
