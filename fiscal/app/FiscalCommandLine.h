#pragma once
// The command line of kal02700-fiscal: the verb, its options, checked
// before anything is read. Bad arguments are told in Portuguese.
#include "Result.h"

#include <QDate>
#include <QString>
#include <QStringList>

class LedgerCommand;

struct FiscalOptions {
    const LedgerCommand *command = nullptr; // none: the help
    QString db;
    QString cdFilial;
    QString cdCaixa;
    QDate de;
    QDate ate;
    QDate dtReducao;
    QString formato = QStringLiteral("texto");
    QString saida;
    QString pasta;
    QString arquivo;
    QString cfop = QStringLiteral("5102");
    QString cfopSt = QStringLiteral("5405");
};

namespace FiscalCommandLine {
// arguments without the program name: the options, or what is wrong with
// them, in Portuguese.
Result<FiscalOptions> parse(const QStringList &arguments);
} // namespace FiscalCommandLine
