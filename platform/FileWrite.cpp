#include "FileWrite.h"

#include <QFile>
#include <cerrno>
#include <unistd.h>

namespace FileWrite {

int writeAll(int fd, const char *data, qsizetype length)
{
    while (length > 0) {
        const ssize_t done = ::write(fd, data, size_t(length));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return done < 0 ? errno : EIO;
        data += done;
        length -= done;
    }
    return 0;
}

mode_t newFileMode()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(0666 & ~mask);
            }
        }
    }
    return 0644;
}

} // namespace FileWrite
