#pragma once
// The registry of the ledger's verbs, and the usage and help built from it.
#include "LedgerCommand.h"

#include <memory>
#include <vector>

namespace LedgerCommands {

const std::vector<std::unique_ptr<LedgerCommand>> &all();
const LedgerCommand *find(const QString &name);

// The value an option's usage shows ("CONEXAO", "dd/MM/yyyy"); empty for an
// option unknown to the ledger.
QString valueName(const QString &option);

QString usage();
QString help();

} // namespace LedgerCommands
