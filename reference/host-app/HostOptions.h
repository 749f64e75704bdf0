#pragma once
// The host's command line, parsed and checked in one place before anything
// else starts: a bad argument ends the run with status 2 even where no
// display could be opened, and before any database is touched. Needs QtCore
// alone.
#include "AutomationDate.h"
#include "Result.h"
#include <QString>
#include <QStringList>

struct HostOptions {
    QString db; // empty: the SQLite database in the user's data folder
    QString cdFilial = QStringLiteral("0001");
    QString cdCaixa = QStringLiteral("001");
    QString nrEcf = QStringLiteral("001");
    QString nrSerieEcf;
    bool serialGiven = false;
    TDateTime dtReducao = 0;
    bool automatico = false;
    QString printer;
    QString screenshot;
    bool initDb = false;
    bool help = false;
    QString helpText; // with help: the text to print

    // Whether the run shows the screen to an operator.
    bool needsScreen() const { return !automatico && screenshot.isEmpty() && !initDb; }

    // The arguments as the program received them, its own name first: the
    // options, or for bad arguments one line that never quotes a password;
    // --help gives options with help and helpText set.
    static Result<HostOptions> parse(const QStringList &arguments);

    // The synopsis printed after a bad argument.
    static QString usage();
};
