#include "HostProcess.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// A run that takes longer is stuck.
constexpr int StartMs = 30000;
constexpr int FinishMs = 120000;

// The store's installation, laid out once per test program by
// `cmake --install` into a temporary prefix. Each HostProcess then gets its
// own program folder by hard links to it (a copy where the file system
// refuses them), and a copy of the two local files, which tests rewrite.
// One install per test program rather than per test keeps the suites quick
// (a test that starts the host pays a dozen links instead of ~30 MB of
// copies, more under the sanitizers), and unlike an install done once by a
// ctest fixture it is never stale when a suite is run on its own after a
// build. The build step of every suite that uses it builds what is installed.
class Installation {
public:
    Installation()
    {
        if (!m_prefix.isValid()) {
            error = QStringLiteral("no temporary folder for the installation: ") + m_prefix.errorString();
            return;
        }
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(KAL_CMAKE_COMMAND), {QStringLiteral("--install"), QStringLiteral(KAL_BINARY_DIR),
                                                          QStringLiteral("--prefix"), m_prefix.path()});
        install.closeWriteChannel();
        const bool finished = install.waitForFinished(FinishMs);
        if (!finished || install.exitStatus() != QProcess::NormalExit || install.exitCode() != 0) {
            if (!finished)
                install.kill();
            error = QStringLiteral("cmake --install %1 failed: %2%3")
                        .arg(QStringLiteral(KAL_BINARY_DIR), install.errorString(),
                             QString::fromLocal8Bit(install.readAll()));
            return;
        }
        bin = QDir(m_prefix.path()).filePath(QStringLiteral(KAL_INSTALL_BINDIR));
        for (const char *program : {KAL_HOST_FILE_NAME, KAL_LEDGER_FILE_NAME})
            if (!QFileInfo(QDir(bin).filePath(QLatin1String(program))).isExecutable())
                error = QStringLiteral("cmake --install laid out no %1 in %2").arg(QLatin1String(program), bin);
    }

    QString bin;
    QString error;

private:
    QTemporaryDir m_prefix;
};

const Installation &installation()
{
    static const Installation installed;
    return installed;
}

ProcessRun waitFor(QProcess &process, const char *program)
{
    ProcessRun run;
    if (process.state() == QProcess::NotRunning && process.error() == QProcess::FailedToStart)
        return run; // said when it was started
    // A process that has ended already has nothing to wait for.
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(FinishMs)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << program << " did not finish";
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

std::unique_ptr<QProcess> startProgram(const QString &path, const QStringList &arguments,
                                       const QProcessEnvironment &environment, const char *program)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->start(path, arguments);
    process->closeWriteChannel();
    if (!process->waitForStarted(StartMs))
        ADD_FAILURE() << program << " did not start: " << process->errorString().toStdString();
    return process;
}

// A one-row data packet of text fields.
bool writePacket(const QString &path, const QList<std::pair<QByteArray, QByteArray>> &fields, int width)
{
    QByteArray metadata;
    QByteArray row;
    for (const auto &[name, value] : fields) {
        metadata += "      <FIELD attrname=\"" + name + "\" fieldtype=\"string\" WIDTH=\"" + QByteArray::number(width)
                    + "\"/>\n";
        row += ' ' + name + "=\"" + value + '"';
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<DATAPACKET Version=\"2.0\">\n"
                         "  <METADATA>\n    <FIELDS>\n"
                         + metadata + "    </FIELDS>\n    <PARAMS/>\n  </METADATA>\n  <ROWDATA>\n    <ROW" + row
                         + "/>\n  </ROWDATA>\n</DATAPACKET>\n")
                  > 0
           && file.flush();
}

} // namespace

HostProcess::HostProcess() : environment(QProcessEnvironment::systemEnvironment())
{
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const Installation &installed = installation();
    if (!installed.error.isEmpty()) {
        m_error = installed.error;
        return;
    }
    if (!m_folder.isValid()) {
        m_error = QStringLiteral("no temporary folder: ") + m_folder.errorString();
        return;
    }
    for (const QFileInfo &file : QDir(installed.bin).entryInfoList(QDir::Files)) {
        const QString target = m_folder.filePath(file.fileName());
        // Programs and libraries are never written; the local files are.
        const bool shared = file.isExecutable() || file.suffix() == QLatin1String("so");
        if (shared
            && ::link(QFile::encodeName(file.filePath()).constData(), QFile::encodeName(target).constData()) == 0)
            continue;
        if (!QFile::copy(file.filePath(), target)) {
            m_error = QStringLiteral("cannot copy %1 into %2").arg(file.filePath(), m_folder.path());
            return;
        }
    }
}

QString HostProcess::host() const
{
    return m_folder.filePath(QStringLiteral(KAL_HOST_FILE_NAME));
}

QString HostProcess::ledger() const
{
    return m_folder.filePath(QStringLiteral(KAL_LEDGER_FILE_NAME));
}

bool HostProcess::writeLocalFiles(const QString &printerType, const QString &generateFiles) const
{
    const QString parametros = m_folder.filePath(QStringLiteral("PARAMETROSKIV.CDS"));
    const QString praxumo = m_folder.filePath(QStringLiteral("PRAXUMO.CDS"));
    if (writePacket(parametros, {{"IDESQUEMA", "0001"}, {"IDGERAARQVNDRIO", generateFiles.toUtf8()}}, 10)
        && writePacket(praxumo, {{"IDTIPOIMPFIS", printerType.toUtf8()}}, 10))
        return true;
    ADD_FAILURE() << "cannot write the local parameter files in " << m_folder.path().toStdString();
    return false;
}

std::unique_ptr<QProcess> HostProcess::start(const QStringList &arguments) const
{
    return startProgram(host(), arguments, environment, "kal02700-host");
}

HostRun HostProcess::finish(QProcess &process)
{
    const ProcessRun run = waitFor(process, "kal02700-host");
    return {run.exitCode, QString::fromUtf8(run.out), QString::fromUtf8(run.err)};
}

HostRun HostProcess::run(const QStringList &arguments) const
{
    const auto process = start(arguments);
    return finish(*process);
}

ProcessRun HostProcess::runLedger(const QStringList &arguments) const
{
    const auto process = startProgram(ledger(), arguments, environment, "kal02700-fiscal");
    return waitFor(*process, "kal02700-fiscal");
}
