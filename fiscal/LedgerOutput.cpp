#include "LedgerOutput.h"
#include "SystemError.h"
#include "DatabaseFiles.h"
#include "Exception.h"
#include "FileWrite.h"
#include "Guarded.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype BufferBytes = 64 * 1024;

// Why a write failed, as the operator reads it.
QString writeError(int code)
{
    return SystemError::words(code, SystemError::Doing::Writing);
}

} // namespace

Result<std::unique_ptr<LedgerOutput>> LedgerOutput::create(const QString &path, Target target)
{
    return Guarded::run([&] {
        std::unique_ptr<LedgerOutput> output(new LedgerOutput(path));
        output->start(target);
        return output;
    });
}

void LedgerOutput::start(Target target)
{
    const QString &path = m_path;
    if (target == Target::AsGiven)
        target = path.isEmpty()                                         ? Target::Stream
                 : QFileInfo::exists(path) && !QFileInfo(path).isFile() ? Target::Stream
                                                                        : Target::Replaced;
    if (path.isEmpty()) {
        m_fd = STDOUT_FILENO;
    } else if (target == Target::Stream) {
        // A device or a pipe (/dev/stdout, a FIFO) is written as it is: only
        // a regular file can be replaced whole.
        // Non-blocking, so that a FIFO nobody reads cannot hold the open;
        // then blocking, so that a slow reader is waited for.
        m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        m_ownsFd = true;
        if (m_fd < 0)
            throw Exception(QStringLiteral("Não foi possível abrir %1: %2.").arg(path, writeError(errno)));
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    } else {
        // Beside the file a link leads to, as it will be renamed there.
        m_final = DatabaseFiles::landing(path);
        QByteArray name = QFile::encodeName(m_final) + ".XXXXXX";
        m_fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (m_fd < 0)
            fail(writeError(errno));
        m_ownsFd = true;
        m_temporary = QFile::decodeName(name);
        // The permissions the file has, or a new file's.
        struct stat status {};
        ::fchmod(m_fd, ::stat(QFile::encodeName(m_final).constData(), &status) == 0 ? status.st_mode & 07777
                                                                                    : FileWrite::newFileMode());
    }
    m_terminal = ::isatty(m_fd) == 1;
    m_buffer.reserve(BufferBytes);
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

LedgerOutput::~LedgerOutput()
{
    // A command that stops partway still hands a stream what it wrote so
    // far (the files cat52-exportar delivered before a failure); a file is
    // left as it was.
    if (m_temporary.isEmpty() && m_fd >= 0 && !m_buffer.isEmpty())
        drain();
    if (m_ownsFd && m_fd >= 0)
        ::close(m_fd);
    if (!m_temporary.isEmpty())
        ::unlink(QFile::encodeName(m_temporary).constData());
}

qint64 LedgerOutput::writeData(const char *data, qint64 length)
{
    if (m_failure != 0)
        return -1;
    m_buffer.append(data, qsizetype(length));
    // Someone reading at a terminal sees each line as it comes.
    if ((m_buffer.size() >= BufferBytes || m_terminal) && !drain())
        return -1;
    return length;
}

bool LedgerOutput::drain()
{
    if (m_failure == 0)
        m_failure = FileWrite::writeAll(m_fd, m_buffer.constData(), m_buffer.size());
    m_buffer.clear();
    if (m_failure != 0)
        setErrorString(writeError(m_failure));
    return m_failure == 0;
}

Result<NoValue> LedgerOutput::commit()
{
    return Guarded::run([this] { finish(); });
}

void LedgerOutput::finish()
{
    if (!drain())
        fail(writeError(m_failure));
    if (m_temporary.isEmpty())
        return;
    // On the disk before it takes the old file's name: a crash leaves the
    // old file or the new one, never a part.
    if (::fsync(m_fd) != 0 || ::close(m_fd) != 0) {
        const int code = errno;
        m_fd = -1;
        fail(writeError(code));
    }
    m_fd = -1;
    if (::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_final).constData()) != 0)
        fail(writeError(errno));
    m_temporary.clear();
    close();
}

void LedgerOutput::fail(const QString &why)
{
    if (m_path.isEmpty())
        throw Exception(
            QStringLiteral("Não foi possível escrever na saída padrão: %1; a saída está incompleta.").arg(why));
    if (m_final.isEmpty())
        throw Exception(
            QStringLiteral("Não foi possível escrever em %1: %2; a saída está incompleta.").arg(m_path, why));
    throw Exception(
        QStringLiteral("Não foi possível gravar o arquivo %1: %2; ele não foi criado nem alterado.").arg(m_path, why));
}
