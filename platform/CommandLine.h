#pragma once
// A program's command line on QCommandLineParser, read in the order it was
// typed. What is wrong with it is told as a kind and a name, so that each
// program words it in Portuguese itself: nothing of Qt's English reaches a
// store's console.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

struct CommandLineProblem {
    enum class Kind { None, UnknownOption, MissingValue, UnexpectedValue, Repeated, UnexpectedArgument };
    Kind kind = Kind::None;
    QString name;    // the option's name as typed, without dashes or value
    QString written; // the argument as typed, without "=value"

    explicit operator bool() const { return kind != Kind::None; }
};

class CommandLine {
public:
    // How "-x" reads: as the option x, or as an argument of its own.
    enum class SingleDash { Option, Argument };

    explicit CommandLine(const QList<QCommandLineOption> &options, SingleDash singleDash = SingleDash::Option);

    // The option that asks for help: reading stops where it is met, so what
    // follows it is not judged.
    void setHelpOption(const QString &name) { m_help = name; }
    // An empty value ("--db=", or "" after "--db") counts as a missing one.
    void setEmptyValueMissing(bool missing) { m_emptyMissing = missing; }
    void setDescription(const QString &text) { m_parser.setApplicationDescription(text); }

    // The arguments without the program's name. The first problem met, in
    // the order typed; none when every argument was an option the program
    // takes, given once, with its value.
    CommandLineProblem parse(const QStringList &arguments);

    bool isSet(const QString &name) const;
    QString value(const QString &name) const;
    bool helpAsked() const { return m_helpAsked; }
    // The option names the parser met, for a help text built from them.
    const QCommandLineParser &parser() const { return m_parser; }

private:
    const QCommandLineOption *find(const QString &name) const;
    bool isHelp(const QString &arg) const;
    CommandLineProblem scan(const QStringList &arguments);

    QList<QCommandLineOption> m_options;
    SingleDash m_singleDash;
    QString m_help;
    bool m_helpAsked = false;
    bool m_emptyMissing = false;
    QCommandLineParser m_parser;
};
