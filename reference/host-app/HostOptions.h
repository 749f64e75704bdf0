#pragma once
// The host's command line, parsed and checked in one place before anything
// else starts: a bad argument ends the run with status 2 even where no
// display could be opened, and before any database is touched. Needs QtCore
// alone.
#include "AutomationDate.h"
#include <QString>
#include <QStringList>
#include <optional>

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

    // Whether the run shows the screen to an operator.
    bool needsScreen() const { return !automatico && screenshot.isEmpty() && !initDb; }

    // The arguments as the program received them, its own name first. Bad
    // arguments give nothing, with error set to one line that never quotes a
    // password; --help gives options with help set and the text to print in
    // helpText.
    static std::optional<HostOptions> parse(const QStringList &arguments, QString &error, QString &helpText);

    // The synopsis printed after a bad argument.
    static QString usage();
};
