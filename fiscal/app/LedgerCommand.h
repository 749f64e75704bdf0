#pragma once
// One verb of kal02700-fiscal: its name, the options it takes (in the order
// its usage line shows them), the lines of its help and what it does. A new
// verb is a class of this kind and a line in LedgerCommands::all().
#include "FiscalCommandLine.h"
#include "Result.h"

#include <QList>
#include <QString>
#include <QStringList>

struct LedgerOption {
    const char *name;
    bool required;
    // The usage line goes on below, under the verb's first option.
    bool newLine = false;
};

class LedgerCommand {
public:
    virtual ~LedgerCommand() = default;
    virtual QString name() const = 0;
    virtual QList<LedgerOption> options() const = 0;
    // The verb's paragraph of the help, a line a string.
    virtual QStringList help() const = 0;
    // The exit status (ExitStatus), or why the verb could not finish
    // (CouldNotFinish, the reason told on the standard error).
    virtual Result<int> run(const FiscalOptions &options) const = 0;
};

// The exit statuses formats.md fixes. AuditFoundErrors also for sped and
// sintegra leaving a Z reduction out and cat52-exportar delivering a file
// that differs from its day.
enum ExitStatus { Done = 0, CouldNotFinish = 1, BadArguments = 2, AuditFoundErrors = 3 };
