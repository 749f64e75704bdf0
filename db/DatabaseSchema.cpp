#include "DatabaseSchema.h"
#include "AdoConnection.h"
#include "Exception.h"

#include <QFile>
#include <QSqlQuery>
#include <QStringList>

// The scripts live in a static library: its resources must be registered by hand.
static void initResources()
{
    Q_INIT_RESOURCE(db);
}

namespace {
QString resourceText(const QString &name)
{
    initResources();
    QFile file(QStringLiteral(":/db/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Script de banco de dados ausente: %1").arg(name));
    return QString::fromUtf8(file.readAll());
}

// Statements end with ';' at a line's end; comment lines are dropped.
QStringList statements(const QString &script)
{
    QStringList result;
    QString current;
    for (const QString &line : script.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1String("--")) || trimmed.isEmpty())
            continue;
        current += line + QLatin1Char('\n');
        if (trimmed.endsWith(QLatin1Char(';'))) {
            current = current.trimmed();
            current.chop(1);
            result << current;
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        result << current.trimmed();
    return result;
}

void run(AdoConnection &connection, const QString &resource)
{
    for (const QString &sql : statements(resourceText(resource)))
        connection.execute(sql);
}
} // namespace

namespace DatabaseSchema {

void apply(AdoConnection &connection)
{
    // The script of the database behind the driver, through ODBC as natively;
    // a database without one of its own takes SQLite's, the plainest SQL.
    initResources();
    const QString own = QStringLiteral("schema-%1.sql").arg(connection.dialect().name());
    run(connection, QFile::exists(QStringLiteral(":/db/") + own) ? own : QStringLiteral("schema-sqlite.sql"));
}

void drop(AdoConnection &connection)
{
    run(connection, QStringLiteral("drop.sql"));
}

void loadDemo(AdoConnection &connection)
{
    run(connection, QStringLiteral("demo.sql"));
}

bool hasTables(AdoConnection &connection)
{
    const QStringList tables = connection.database().tables();
    for (const QString &t : tables)
        if (t.compare(QLatin1String("REDUCAOZ"), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace DatabaseSchema
