#include "HostDatabase.h"
#include "AdoConnection.h"
#include "Console.h"
#include "ConnectionString.h"
#include "DatabaseSchema.h"
#include "Exception.h"
#include "SharedServices.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>

namespace {

// The six tables of the schema that the database does not have yet.
QStringList missingTables(AdoConnection &connection)
{
    const AdoConnection::AnswerWait wait(&connection);
    QStringList present;
    for (const QString &table : connection.database().tables())
        present << table.section(u'.', -1).toUpper();
    QStringList missing;
    for (const char *table : {"REDUCAOZ", "IMPOSTOREDZ", "ARQCAT52", "NOVOCODIGO", "MOVCAIXA", "ALIQIMPFIS"})
        if (!present.contains(QLatin1String(table)))
            missing << QLatin1String(table);
    return missing;
}

// The database named without credentials, the operator's sentence, and the
// driver's words only where they help.
void reportFailure(AdoConnection &connection, const QString &shown, const Exception &error)
{
    const QString text = ADOExceptionMessage(error, connection, QString());
    const QString detail = text.section(u'\n', 1).simplified();
    Console::report(QStringLiteral("%1: %2%3")
                        .arg(shown, text.section(u'\n', 0, 0),
                             detail.isEmpty() ? QString() : QStringLiteral(" Detalhe: ") + detail));
}

} // namespace

namespace HostDatabase {

QString defaultConnectionString()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return QStringLiteral("sqlite:") + QDir(folder).absoluteFilePath(QStringLiteral("kal02700.db"));
}

std::optional<ExitStatus> prepare(const QString &connectionString, bool initDb)
{
    const QString shown = ConnectionString::parse(connectionString).description();
    AdoConnection database(QStringLiteral("kal02700-host"));
    try {
        database.setConnectionString(connectionString);
        database.open();
        if (initDb) {
            // Hosts started at once on an empty database apply the schema one
            // after the other (the lock goes with this session): the later
            // ones find the tables there.
            if (const QString lock = database.dialect().schemaLockStatement(); !lock.isEmpty())
                database.execute(lock);
            const QStringList missing = missingTables(database);
            if (missing.isEmpty()) {
                // A database of an earlier version gets the indexes it lacks, nothing else.
                if (!DatabaseSchema::missingIndexes(database).isEmpty()) {
                    DatabaseSchema::applyIndexes(database);
                    Console::printLine(stdout, QStringLiteral("Índices criados em %1.").arg(shown));
                    return Stored;
                }
                Console::printLine(stdout,
                                   QStringLiteral("As tabelas já existem em %1; nada foi alterado.").arg(shown));
                return Stored;
            }
            DatabaseSchema::apply(database);
            Console::printLine(stdout, QStringLiteral("Tabelas criadas em %1.").arg(shown));
            return Stored;
        }
        if (database.dialect().isEmbedded() && !DatabaseSchema::hasTables(database))
            DatabaseSchema::apply(database);
        // The module opens a session of its own.
        database.close();
    } catch (const Exception &error) {
        reportFailure(database, shown, error);
        return NotStored;
    }
    return std::nullopt;
}

} // namespace HostDatabase
