#include "TestDatabase.h"
#include "DatabaseSchema.h"
#include "Exception.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <stdexcept>

namespace TestDb {

QString backend()
{
    const QString b = qEnvironmentVariable("KAL_TEST_BACKEND");
    return b.isEmpty() ? QStringLiteral("sqlite") : b;
}

bool isPostgres()
{
    return backend().startsWith(QLatin1String("postgresql"));
}
bool isOdbc()
{
    return backend().endsWith(QLatin1String("_odbc"));
}

namespace {
QString postgresConnectionString()
{
    const QString state = qEnvironmentVariable("KAL_PG_STATE");
    QFile file(state + QStringLiteral("/connection"));
    if (state.isEmpty() || !file.open(QIODevice::ReadOnly))
        throw std::runtime_error("the PostgreSQL test server is not running (KAL_PG_STATE=" + state.toStdString()
                                 + "); run the suite through ctest, which starts it");
    return QString::fromUtf8(file.readAll()).trimmed();
}

// Suites run side by side on the one server: each process gets a database of
// its own, created on first use.
QString processDatabase()
{
    static QString connectionString;
    if (!connectionString.isEmpty())
        return connectionString;
    const QString server = postgresConnectionString();
    const QString name = QStringLiteral("kal_%1").arg(QCoreApplication::applicationPid());
    {
        AdoConnection admin(QStringLiteral("testcreate"));
        admin.setConnectionString(server);
        admin.open();
        QSqlQuery q(admin.database());
        q.exec(QStringLiteral("DROP DATABASE IF EXISTS ") + name);
        if (!q.exec(QStringLiteral("CREATE DATABASE ") + name))
            throw std::runtime_error(("cannot create the test database: " + q.lastError().text()).toStdString());
    }
    QUrl url(server);
    url.setPath(QLatin1Char('/') + name);
    connectionString = url.toString();
    return connectionString;
}

// DSN-less strings naming the drivers as their Debian packages register them
// in /etc/odbcinst.ini (odbc-postgresql, libsqliteodbc).
QString odbcPostgres(const QString &native)
{
    const QUrl url(native);
    return QStringLiteral("odbc:Driver={PostgreSQL Unicode};Server=%1;Port=%2;Database=%3;Uid=%4;Pwd=%5")
        .arg(url.host())
        .arg(url.port())
        .arg(url.path().mid(1), url.userName(), url.password());
}

QString odbcSqlite(const QString &path)
{
    return QStringLiteral("odbc:Driver={SQLite3};Database=%1").arg(path);
}
} // namespace

Database::Database() : m_admin(std::make_unique<AdoConnection>(QStringLiteral("testadmin")))
{
    QString file;
    if (isPostgres()) {
        m_nativeConnectionString = processDatabase();
    } else {
        m_dir = std::make_unique<QTemporaryDir>();
        file = m_dir->filePath(QStringLiteral("kal.db"));
        m_nativeConnectionString = QStringLiteral("sqlite:") + file;
    }
    m_connectionString = !isOdbc()      ? m_nativeConnectionString
                         : isPostgres() ? odbcPostgres(m_nativeConnectionString)
                                        : odbcSqlite(file);
    m_admin->setConnectionString(m_nativeConnectionString);
    m_admin->open();
    m_admin->dialect().prepareSession(*m_admin, DatabaseDialect::SessionUse::ReadWrite);
    DatabaseSchema::drop(*m_admin);
    if (isOdbc()) {
        // The schema of the database behind the driver, as the host's
        // --init-db lays it out through the same string.
        AdoConnection odbc(QStringLiteral("testschema"));
        odbc.setConnectionString(m_connectionString);
        odbc.open();
        DatabaseSchema::apply(odbc);
    } else {
        DatabaseSchema::apply(*m_admin);
    }
}

Database::~Database() = default;

void Database::exec(const QString &sql)
{
    m_admin->execute(sql);
}

QList<QVariantList> Database::rows(const QString &sql)
{
    QSqlQuery q(m_admin->database());
    if (!q.exec(sql))
        throw std::runtime_error(("query failed: " + sql + ": " + q.lastError().text()).toStdString());
    QList<QVariantList> result;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        result << row;
    }
    return result;
}

QVariant Database::scalar(const QString &sql)
{
    const auto r = rows(sql);
    return r.isEmpty() || r.first().isEmpty() ? QVariant() : r.first().first();
}

int Database::count(const QString &sqlCount)
{
    return scalar(sqlCount).toInt();
}

} // namespace TestDb
