#include "DatabaseFiles.h"
#include "ConnectionString.h"
#include "DatabaseDialect.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <sys/stat.h>

namespace {

struct Identity {
    dev_t device;
    ino_t inode;
    bool operator==(const Identity &) const = default;
};

// The file on disk a path names, links followed; none when nothing is there.
std::optional<Identity> identity(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return Identity{status.st_dev, status.st_ino};
}

// The database file a connection string names, when it is a local file.
QString databaseFile(const QString &connectionString)
{
    const ConnectionString cs = ConnectionString::parse(connectionString);
    if (cs.kind() == ConnectionString::Kind::SQLite)
        return cs.sqlitePath();
    if (cs.kind() == ConnectionString::Kind::ODBC && DatabaseDialect::of(cs).isEmbedded())
        return cs.odbcAttribute(QStringLiteral("Database"));
    return {};
}

} // namespace

namespace DatabaseFiles {

QString landing(const QString &path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hop = 0; hop < 40; ++hop) {
        const QFileInfo info(current);
        const QString target = info.isSymLink() ? info.symLinkTarget() : QString();
        if (target.isEmpty())
            break;
        current = target;
    }
    const QFileInfo info(current);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(current) : QDir(folder).filePath(info.fileName());
}

QString clash(const QString &path, const QString &connectionString)
{
    const QString database = databaseFile(connectionString);
    if (database.isEmpty() || path.isEmpty())
        return {};
    const QString target = landing(path);
    const std::optional<Identity> written = identity(path);
    // SQLite keeps the companions beside the file its path leads to; the
    // path as given is checked too.
    for (const QString &file : {landing(database), QFileInfo(database).absoluteFilePath()}) {
        for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
            const QString candidate = file + QLatin1String(suffix);
            const std::optional<Identity> existing = identity(candidate);
            if ((written && existing && *written == *existing) || target == landing(candidate))
                return QStringLiteral("%1 é %2 do próprio banco de dados (%3): escolha outro caminho; nada foi "
                                      "gravado.")
                    .arg(path, *suffix ? QStringLiteral("um arquivo auxiliar") : QStringLiteral("o arquivo"),
                         QDir::toNativeSeparators(candidate));
        }
    }
    return {};
}

} // namespace DatabaseFiles
