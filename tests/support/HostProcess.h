#pragma once
// The reference host as a store installs it, run as a process. Every
// HostProcess is an installation of its own: the program folder that
// `cmake --install` lays out (the host with the module, the packages, the
// ledger and the two local parameter files), so that tests never share a
// file. Runs are bounded in time; a run that does not end is killed and
// counted as a failure of the test.
#include <QByteArray>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A program's run: its exit status (-1 when it crashed, was killed or never
// started) and what it wrote, as written.
struct ProcessRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The host's run: it writes its lines in UTF-8.
struct HostRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class HostProcess {
public:
    HostProcess();
    HostProcess(const HostProcess &) = delete;
    HostProcess &operator=(const HostProcess &) = delete;

    // Empty when the installation is ready; otherwise why it is not.
    QString error() const { return m_error; }

    // The program folder: the host looks for the module and for
    // "PARAMETROSKIV.CDS" and "PRAXUMO.CDS" here.
    QDir folder() const { return QDir(m_folder.path()); }
    QString host() const;
    QString ledger() const;

    // Replaces the two local parameter files: PARAMETROSKIV.CDS (schema
    // "0001" and whether vendor files are generated, "S" or "N") and
    // PRAXUMO.CDS (the printer type). False, with the failure added to the
    // test, when they cannot be written.
    bool writeLocalFiles(const QString &printerType, const QString &generateFiles) const;

    // The environment of every run: the test's own, drawn off-screen.
    QProcessEnvironment environment;

    // The host with the arguments, started; its standard input closed.
    std::unique_ptr<QProcess> start(const QStringList &arguments) const;
    // Waits for a started host to end.
    static HostRun finish(QProcess &process);
    HostRun run(const QStringList &arguments) const;

    // The installation's fiscal ledger (kal02700-fiscal) with the arguments.
    ProcessRun runLedger(const QStringList &arguments) const;

private:
    QTemporaryDir m_folder;
    QString m_error;
};
