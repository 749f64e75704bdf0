#pragma once
// Where the ledger writes: standard output, a device or pipe written as it
// is, or a regular file that appears only whole, under a temporary name
// renamed over the old one when everything is written. Every write is
// checked to its last byte (a short write on a full disk included), so that
// a full disk, a file-size limit or /dev/full end the command with the
// cause instead of leaving a cut output taken for a whole one.
#include "FiscalExport.h"
#include "Result.h"
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <memory>

class KALFISCAL_EXPORT LedgerOutput : public QIODevice {
public:
    enum class Target {
        Stream,  // standard output
        AsGiven, // standard output when the path is empty, a device or pipe as it is, else Replaced
        Replaced // a regular file written whole or not at all
    };
    // The output open for writing, or why it cannot be, in Portuguese.
    static Result<std::unique_ptr<LedgerOutput>> create(const QString &path, Target target = Target::AsGiven);
    ~LedgerOutput() override;

    // Everything written reaches its place (a file replaces the old one only
    // now); else why not, naming the output and the cause, and then a file
    // is left as it was.
    Result<NoValue> commit();

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override;

private:
    explicit LedgerOutput(const QString &path) : m_path(path) {}
    // These raise Exception, which create and commit turn into their Result.
    void start(Target target);
    void finish();
    bool drain();
    [[noreturn]] void fail(const QString &why);

    QString m_path;      // as given; empty for standard output
    QString m_final;     // the file a replaced output becomes
    QString m_temporary; // where it is written meanwhile
    int m_fd = -1;
    bool m_ownsFd = false;
    bool m_terminal = false;
    int m_failure = 0; // errno of the first failed write, sticky
    QByteArray m_buffer;
};
