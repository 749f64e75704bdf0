#include "InputLimits.h"
#include "SystemError.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace InputLimits {

namespace {

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1).replace(u'.', u',');
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("uma pasta");
    if (S_ISFIFO(mode))
        return QStringLiteral("um FIFO (pipe)");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("um dispositivo");
    if (S_ISSOCK(mode))
        return QStringLiteral("um socket");
    return QStringLiteral("um arquivo especial");
}

QString statusRefusal(const QString &path, const struct stat &status, qint64 maxBytes)
{
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("%1 não é um arquivo comum (é %2).").arg(path, kindOf(status.st_mode));
    if (status.st_size > maxBytes)
        return QStringLiteral("%1 tem %2 MB; o limite é %3 MB.")
            .arg(path, megabytes(status.st_size), megabytes(maxBytes));
    return {};
}

QString systemError(int code)
{
    return SystemError::words(code, SystemError::Doing::Reading);
}

} // namespace

std::optional<QByteArray> readSmallFile(const QString &path, QString &error, qint64 maxBytes)
{
    const QByteArray name = QFile::encodeName(path);
    // Looked at before it is opened: opening a device may do something.
    struct stat seen {};
    if (::stat(name.constData(), &seen) == 0) {
        error = statusRefusal(path, seen, maxBytes);
        if (!error.isEmpty())
            return std::nullopt;
    }
    // Non-blocking, so that a FIFO without a writer cannot hold the open;
    // what was opened is looked at again (it may have been swapped since).
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = QStringLiteral("%1: %2.").arg(path, systemError(errno));
        return std::nullopt;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        error = QStringLiteral("%1: %2.").arg(path, systemError(errno));
        return std::nullopt;
    }
    error = statusRefusal(path, status, maxBytes);
    if (!error.isEmpty())
        return std::nullopt;

    // The file may grow while it is read: never more than the limit.
    QByteArray bytes;
    bytes.resize(qsizetype(status.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > maxBytes)
                break;
            bytes.resize(std::min<qsizetype>(bytes.size() * 2, qsizetype(maxBytes) + 1));
        }
        const ssize_t got = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = QStringLiteral("%1: %2.").arg(path, systemError(errno));
            return std::nullopt;
        }
        if (got == 0)
            break;
        filled += got;
    }
    if (filled > maxBytes) {
        error = QStringLiteral("%1 tem mais de %2 MB, o limite.").arg(path, megabytes(maxBytes));
        return std::nullopt;
    }
    bytes.truncate(filled);
    return bytes;
}

QString refusal(const QString &path, qint64 maxBytes)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return statusRefusal(path, status, maxBytes);
}

QString excerpt(const QString &value, int maxChars)
{
    qsizetype end = value.size();
    for (const QChar stop : {QLatin1Char('\n'), QLatin1Char('\r')}) {
        const qsizetype at = value.indexOf(stop);
        if (at >= 0)
            end = std::min(end, at);
    }
    QString line = value.left(end);
    if (line.size() > maxChars || end < value.size()) {
        line.truncate(maxChars);
        line += QStringLiteral("...");
    }
    return line;
}

} // namespace InputLimits
