#include "DatabaseSchema.h"
#include "AdoConnection.h"
#include "Exception.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
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

// The script of the database behind the driver, through ODBC as natively;
// a database without one of its own takes SQLite's, the plainest SQL.
QString schemaScript(AdoConnection &connection)
{
    initResources();
    const QString own = QStringLiteral("schema-%1.sql").arg(connection.dialect().name());
    return QFile::exists(QStringLiteral(":/db/") + own) ? own : QStringLiteral("schema-sqlite.sql");
}

// The name of the index a "CREATE INDEX IF NOT EXISTS NAME ON ..." makes,
// empty for any other statement.
QString indexName(const QString &statement)
{
    static const QRegularExpression create(QStringLiteral("^CREATE INDEX IF NOT EXISTS (\\w+) ON"),
                                           QRegularExpression::CaseInsensitiveOption);
    return create.match(statement).captured(1);
}

QSet<QString> presentIndexes(AdoConnection &connection)
{
    const QString listing = connection.dialect().indexNamesStatement();
    if (listing.isEmpty())
        throw Exception(QStringLiteral("Não é possível listar os índices deste banco de dados."));
    QSqlQuery query(connection.database());
    if (!query.exec(listing))
        throw Exception(
            QStringLiteral("Não foi possível listar os índices do banco de dados: %1").arg(query.lastError().text()));
    QSet<QString> names;
    while (query.next())
        names.insert(query.value(0).toString().toUpper());
    return names;
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
    run(connection, schemaScript(connection));
}

QStringList missingIndexes(AdoConnection &connection)
{
    const QSet<QString> present = presentIndexes(connection);
    QStringList missing;
    for (const QString &sql : statements(resourceText(schemaScript(connection)))) {
        const QString name = indexName(sql);
        if (!name.isEmpty() && !present.contains(name.toUpper()))
            missing << name;
    }
    return missing;
}

void applyIndexes(AdoConnection &connection)
{
    for (const QString &sql : statements(resourceText(schemaScript(connection))))
        if (!indexName(sql).isEmpty())
            connection.execute(sql);
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
