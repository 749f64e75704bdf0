#include "FiscalCommandLine.h"
#include "CommandLine.h"
#include "ConnectionString.h"
#include "LedgerCommands.h"
#include "InputLimits.h"
#include "LedgerValues.h"
#include "StoreCodes.h"

#include <QMap>
#include <QRegularExpression>

namespace FiscalCommandLine {

namespace {

// The verb's options on the shared parser; the first problem in the ledger's
// words, the missing required options after it.
bool readValues(const QStringList &arguments, const LedgerCommand &command, CommandLine &line, QString &error)
{
    const QString verb = command.name();
    switch (const CommandLineProblem problem = line.parse(arguments); problem.kind) {
    case CommandLineProblem::Kind::None:
        break;
    case CommandLineProblem::Kind::UnexpectedArgument:
        error = QStringLiteral("Argumento inesperado: \"%1\".").arg(problem.name);
        return false;
    case CommandLineProblem::Kind::UnknownOption:
    case CommandLineProblem::Kind::UnexpectedValue:
        error = QStringLiteral("Opção --%1 não existe no comando %2.").arg(problem.name, verb);
        return false;
    case CommandLineProblem::Kind::MissingValue:
        error = QStringLiteral("Falta o valor de --%1.").arg(problem.name);
        return false;
    case CommandLineProblem::Kind::Repeated:
        error = QStringLiteral("Opção --%1 repetida.").arg(problem.name);
        return false;
    }
    if (line.helpAsked())
        return true;
    for (const LedgerOption &option : command.options()) {
        if (option.required && !line.isSet(QLatin1String(option.name))) {
            error = QStringLiteral("Falta a opção --%1 do comando %2.").arg(QLatin1String(option.name), verb);
            return false;
        }
    }
    return true;
}

using Values = QMap<QString, QString>;

bool takeConnection(const Values &values, FiscalOptions &options, QString &error)
{
    if (!values.contains(QStringLiteral("db")))
        return true;
    options.db = values.value(QStringLiteral("db"));
    const ConnectionString connection = ConnectionString::parse(options.db);
    if (!connection.isValid()) {
        error = QStringLiteral("--db: %1").arg(connection.error());
        return false;
    }
    return true;
}

bool takeCodesAndDays(const Values &values, FiscalOptions &options, QString &error)
{
    const struct {
        const char *name;
        QString &value;
        int width;
    } codes[] = {{"cdfilial", options.cdFilial, StoreCodes::BranchWidth},
                 {"cdcaixa", options.cdCaixa, StoreCodes::RegisterWidth}};
    for (const auto &code : codes) {
        const QString name = QLatin1String(code.name);
        if (!values.contains(name))
            continue;
        code.value = values.value(name);
        if (const StoreCodes::Problem problem = StoreCodes::check(code.value, code.width);
            problem != StoreCodes::Problem::None) {
            error = problem == StoreCodes::Problem::Width
                        ? QStringLiteral("--%1: de 1 a %2 caracteres.").arg(name).arg(code.width)
                        : QStringLiteral("--%1: só letras e algarismos.").arg(name);
            return false;
        }
    }
    const struct {
        const char *name;
        QDate &value;
    } days[] = {{"de", options.de}, {"ate", options.ate}, {"dtreducao", options.dtReducao}};
    for (const auto &day : days) {
        const QString name = QLatin1String(day.name);
        if (!values.contains(name))
            continue;
        day.value = LedgerValues::parseDay(values.value(name));
        if (!day.value.isValid()) {
            error = QStringLiteral("--%1: data inválida \"%2\" (use dd/MM/aaaa).")
                        .arg(name, InputLimits::excerpt(values.value(name)));
            return false;
        }
    }
    if (options.de.isValid() && options.ate.isValid() && options.de > options.ate) {
        error = QStringLiteral("--de (%1) depois de --ate (%2).")
                    .arg(LedgerValues::displayDay(options.de), LedgerValues::displayDay(options.ate));
        return false;
    }
    return true;
}

bool takeTexts(const Values &values, FiscalOptions &options, QString &error)
{
    if (values.contains(QStringLiteral("formato"))) {
        options.formato = values.value(QStringLiteral("formato"));
        static const QStringList formats{QStringLiteral("texto"), QStringLiteral("json"), QStringLiteral("csv"),
                                         QStringLiteral("planilha"), QStringLiteral("html")};
        if (!formats.contains(options.formato)) {
            error = QStringLiteral("--formato: use texto, json, csv, planilha ou html.");
            return false;
        }
    }
    // ECF sales are operations inside the state (the 5 group); those of
    // goods under tax substitution are the 54xx ones.
    static const QRegularExpression sale(QStringLiteral("^5[0-9]{3}$"));
    static const QRegularExpression substitution(QStringLiteral("^54[0-9]{2}$"));
    const struct {
        const char *name;
        QString *target;
        const QRegularExpression &pattern;
        const char *what;
    } cfops[] = {{"cfop", &options.cfop, sale, "um CFOP de venda dentro do estado (5xxx)"},
                 {"cfop-st", &options.cfopSt, substitution,
                  "um CFOP de venda dentro do estado com substituição tributária (54xx)"}};
    for (const auto &c : cfops) {
        if (!values.contains(QLatin1String(c.name)))
            continue;
        *c.target = values.value(QLatin1String(c.name));
        if (!c.pattern.match(*c.target).hasMatch()) {
            error = QStringLiteral("--%1: \"%2\" não é %3.")
                        .arg(QLatin1String(c.name), c.target->left(16), QString::fromUtf8(c.what));
            return false;
        }
    }
    for (const auto &[name, target] : {std::pair<const char *, QString *>{"saida", &options.saida},
                                       std::pair<const char *, QString *>{"pasta", &options.pasta},
                                       std::pair<const char *, QString *>{"arquivo", &options.arquivo}}) {
        if (!values.contains(QLatin1String(name)))
            continue;
        *target = values.value(QLatin1String(name));
        if (target->isEmpty()) {
            error = QStringLiteral("--%1: informe o caminho.").arg(QLatin1String(name));
            return false;
        }
    }
    return true;
}
} // namespace

Result<FiscalOptions> parse(const QStringList &arguments)
{
    FiscalOptions options;
    QString error;
    if (arguments.isEmpty()) {
        return Result<FiscalOptions>::failure(
            QStringLiteral("Informe o comando: auditar, sped, sintegra, cat52-exportar ou cat52-guardar."));
    }
    const QString first = arguments.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("ajuda"))
        return Result<FiscalOptions>::of(options); // the help
    options.command = LedgerCommands::find(first);
    if (!options.command) {
        return Result<FiscalOptions>::failure(
            QStringLiteral("Comando desconhecido: \"%1\" (use auditar, sped, sintegra, cat52-exportar ou "
                           "cat52-guardar).")
                .arg(InputLimits::excerpt(first)));
    }
    QList<QCommandLineOption> accepted{QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")})};
    for (const LedgerOption &option : options.command->options())
        accepted.append(QCommandLineOption(QLatin1String(option.name), QString(),
                                           LedgerCommands::valueName(QLatin1String(option.name))));
    CommandLine line(accepted, CommandLine::SingleDash::Argument);
    line.setHelpOption(QStringLiteral("help"));
    if (!readValues(arguments.mid(1), *options.command, line, error))
        return Result<FiscalOptions>::failure(error);
    if (line.helpAsked()) {
        options.command = nullptr;
        return Result<FiscalOptions>::of(options);
    }
    Values values;
    for (const LedgerOption &option : options.command->options())
        if (line.isSet(QLatin1String(option.name)))
            values.insert(QLatin1String(option.name), line.value(QLatin1String(option.name)));
    if (!takeConnection(values, options, error) || !takeCodesAndDays(values, options, error)
        || !takeTexts(values, options, error))
        return Result<FiscalOptions>::failure(error);
    return Result<FiscalOptions>::of(options);
}

} // namespace FiscalCommandLine
