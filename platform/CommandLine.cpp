#include "CommandLine.h"
#include "InputLimits.h"

#include <QSet>

CommandLine::CommandLine(const QList<QCommandLineOption> &options, SingleDash singleDash)
    : m_options(options), m_singleDash(singleDash)
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOptions(options);
}

const QCommandLineOption *CommandLine::find(const QString &name) const
{
    for (const QCommandLineOption &option : m_options)
        if (option.names().contains(name))
            return &option;
    return nullptr;
}

// "-h" asks for help also where other single-dash words are arguments.
bool CommandLine::isHelp(const QString &arg) const
{
    if (m_help.isEmpty() || arg.size() != 2 || arg.at(0) != u'-')
        return false;
    const QCommandLineOption *option = find(arg.mid(1));
    return option && option->names().contains(m_help);
}

// Our own reading of the arguments, in order: it finds the first problem and
// its kind, which QCommandLineParser tells only as an English sentence.
CommandLineProblem CommandLine::scan(const QStringList &arguments)
{
    QSet<const QCommandLineOption *> seen;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        const bool dashed = arg.startsWith(QLatin1String("--")) ? arg.size() > 2
                                                                : arg.startsWith(QLatin1Char('-')) && arg.size() > 1
                                                                      && m_singleDash == SingleDash::Option;
        if (!dashed && !isHelp(arg))
            return {CommandLineProblem::Kind::UnexpectedArgument, arg, arg};
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        const QString written = equals < 0 ? arg : arg.left(equals);
        const QString name = written.mid(written.startsWith(QLatin1String("--")) ? 2 : 1);
        const QCommandLineOption *option = find(name);
        if (!option)
            return {CommandLineProblem::Kind::UnknownOption, name, written};
        if (!m_help.isEmpty() && option->names().contains(m_help)) {
            m_helpAsked = true;
            return {};
        }
        const bool takesValue = !option->valueName().isEmpty();
        if (!takesValue && equals >= 0)
            return {CommandLineProblem::Kind::UnexpectedValue, name, written};
        if (takesValue && equals < 0 && ++i >= arguments.size())
            return {CommandLineProblem::Kind::MissingValue, name, written};
        if (takesValue && m_emptyMissing && (equals < 0 ? arguments.at(i).isEmpty() : equals == arg.size() - 1))
            return {CommandLineProblem::Kind::MissingValue, name, written};
        if (seen.contains(option))
            return {CommandLineProblem::Kind::Repeated, option->names().constLast(), written};
        seen.insert(option);
    }
    return {};
}

CommandLineProblem CommandLine::parse(const QStringList &arguments)
{
    m_helpAsked = false;
    CommandLineProblem problem = scan(arguments);
    // What a message may repeat of an argument: anything may have been typed.
    problem.name = InputLimits::excerpt(problem.name);
    problem.written = InputLimits::excerpt(problem.written);
    if (problem || m_helpAsked)
        return problem;
    // The scan found every argument good: the parser only takes the values.
    // "--" would end its options where ours go on, and the scan refused it.
    m_parser.parse(QStringList{QStringLiteral("program")} + arguments);
    return {};
}

bool CommandLine::isSet(const QString &name) const
{
    return m_parser.isSet(name);
}

QString CommandLine::value(const QString &name) const
{
    return m_parser.value(name);
}
