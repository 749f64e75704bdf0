#pragma once
// The central database's connection string, read once by its own rules:
//
//   sqlite:PATH
//       the embedded database file.
//   postgresql://[USER[:PASSWORD]@]HOST[:PORT]/DBNAME[?NAME=VALUE&...]
//       (or postgres://) a URL as libpq reads it: percent-encoding (%40 for
//       "@", %20 for a blank...), an IPv6 host in brackets, PORT 1 to 65535
//       (5432 when left out). The credentials end at the last "@" before the
//       host, so a password may hold "@" and ":" even unencoded; "/" and "?"
//       in a password must be written %2F and %3F. Query parameters use
//       PostgreSQL's own names; see postgresqlParameters().
//   odbc:ATTRIBUTE=VALUE;...
//       ODBC's own rules: pairs separated by ";", a value in braces may hold
//       ";", and "}}" inside braces stands for "}". A text without "=" is a
//       data source name, as QODBC takes it.
//
// Nothing here opens a connection. A string that breaks these rules is
// invalid: error() says why in one Portuguese sentence that never quotes a
// credential. description() names the database for messages; a connection
// string itself is never shown (it may carry a password).
//
//   const ConnectionString cs = ConnectionString::parse(text);
//   if (!cs.isValid()) fail(cs.error());
//   log(cs.description());             // "banco PostgreSQL loja em db.loja:5432"
//   show(cs.scrub(driverMessage));     // any text that may echo a password
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class ConnectionString {
public:
    enum class Kind { Invalid, SQLite, PostgreSQL, ODBC };
    using Pairs = QList<QPair<QString, QString>>;

    ConnectionString() = default; // invalid: "conexão não informada"
    static ConnectionString parse(const QString &text);

    Kind kind() const { return m_kind; }
    bool isValid() const { return m_kind != Kind::Invalid; }
    QString error() const { return m_error; }

    // "arquivo SQLite /var/lib/kal/kal.db", "banco PostgreSQL kal em db:5432",
    // "banco PostgreSQL kal em [::1]:5432", "banco ODBC (Driver=..., Server=...,
    // Database=...)" (only the attributes that name the data source, never
    // UID or PWD); "conexão inválida" when the string is invalid.
    QString description() const;

    // sqlite: the file.
    QString sqlitePath() const { return m_path; }

    // postgresql: each part percent-decoded; the host without brackets.
    QString host() const { return m_host; }
    int port() const { return m_port; }
    QString userName() const { return m_user; }
    QString password() const { return m_password; }
    QString databaseName() const { return m_database; }
    // The query parameters as written (decoded), in order.
    Pairs parameters() const { return m_parameters; }
    // A session limit or connect option: the query's value, else its
    // default, which ends any wait within two minutes; empty for an unknown
    // name.
    QString parameter(const QString &name) const;
    // A time parameter in milliseconds ("15s", "1min", "500" = 500 ms;
    // connect_timeout counts seconds); 0 means no limit.
    qint64 milliseconds(const QString &name) const;
    // How long the client waits for any one answer of the server: the
    // statement_timeout and 5 s for its cancel to come back; 0 when
    // statement_timeout is 0 (no limit).
    qint64 answerTimeoutMs() const;
    // How long opening a session may take in all: connecting and logging in
    // (connect_timeout) and the answers to the opening statements; 0 when
    // answers are not bounded.
    qint64 openingTimeoutMs() const;
    // The libpq options for QSqlDatabase::setConnectOptions (QPSQL): connect
    // timeout, TCP keepalives, sslmode, and the session limits passed as
    // "options='-c lock_timeout=... -c ...'" so that they hold from the
    // session's first statement.
    QString postgresqlConnectOptions() const;

    // odbc: what follows "odbc:", for QODBC; and an attribute, decoded.
    QString odbcText() const { return m_odbcText; }
    QString odbcAttribute(const QString &key) const; // first one, key case-insensitive

    // Every form in which a secret of this string may reach a text: the
    // password decoded and as written (percent-encoded, in braces with "}}").
    // Also for an invalid string, as far as it could be read.
    QStringList secrets() const { return m_secrets; }
    // The text with this connection string replaced by its description and
    // every secret by "***".
    QString scrub(QString text) const;

private:
    void fail(const QString &why);
    void addSecret(const QString &secret);
    // The stages of reading a URL and an ODBC string. A stage that finds a
    // fault notes it (fail) and reading goes on where it still can.
    struct UrlCredentials {
        bool user = false;     // a user before the "@"
        bool password = false; // a password before the "@"
    };
    void parsePostgreSql(const QString &rest);
    UrlCredentials parseUserInfo(const QString &userInfo);
    // mayBeSecret: the item may be a piece of a password (never quoted).
    void parseParameter(const QString &item, UrlCredentials given, bool mayBeSecret);
    bool parseServer(const QString &hostPort); // false: nothing after it can be read
    void parseHostName(const QString &written);
    void parseDatabase(const QString &path);
    void parseOdbc(const QString &rest);
    qsizetype parseOdbcAttribute(const QString &rest, qsizetype pos); // where the next one starts
    // -1 when the braces never close; else where the next attribute starts.
    qsizetype parseBracedValue(const QString &rest, qsizetype start, bool secret, QString *value);

    Kind m_kind = Kind::Invalid;
    QString m_text;
    QString m_error = QStringLiteral("Conexão com o banco de dados não informada.");
    QString m_path;
    QString m_host;
    int m_port = 5432;
    QString m_user;
    QString m_password;
    QString m_database;
    Pairs m_parameters;
    QString m_odbcText;
    Pairs m_attributes;
    QStringList m_secrets;
};
