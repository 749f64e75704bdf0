#pragma once
// cat52-exportar: the stored CAT-52 files of the branch and period, byte for byte, each checked against its day.
#include "LedgerCommand.h"

class Cat52ExportarCommand : public LedgerCommand {
public:
    QString name() const override { return QStringLiteral("cat52-exportar"); }
    QList<LedgerOption> options() const override;
    QStringList help() const override;
    Result<int> run(const FiscalOptions &o) const override;
};
