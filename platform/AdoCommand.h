#pragma once
// Commands and queries with named parameters bound by name. A name used at
// several places in the text takes one value.
#include "AdoConnection.h"
#include "AutomationDate.h"
#include <QByteArray>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

enum class ParamKind { Text, Date, DateTime, Float, Integer, Blob };

class AdoParameter {
public:
    AdoParameter(QString name, ParamKind kind)
        : m_name(std::move(name)), m_placeholder(QLatin1Char(':') + m_name), m_kind(kind)
    {
    }
    const QString &name() const { return m_name; }
    const QString &placeholder() const { return m_placeholder; } // ":NAME" as in the text
    ParamKind kind() const { return m_kind; }
    const QVariant &value() const { return m_value; }
    void setValue(const QVariant &value) { m_value = value; }
    void setAsString(const QString &v) { m_value = v; }
    void setAsFloat(double v) { m_value = v; }
    void setAsDateTime(TDateTime v) { m_value = v; }
    void setAsBytes(const QByteArray &v) { m_value = v; }
    void clear() { m_value = QVariant(); }

private:
    QString m_name;
    QString m_placeholder;
    ParamKind m_kind;
    QVariant m_value;
};

class AdoStatement : private SessionUser {
public:
    AdoStatement(QString name, AdoConnection *connection);
    virtual ~AdoStatement();
    AdoStatement(const AdoStatement &) = delete;
    AdoStatement &operator=(const AdoStatement &) = delete;

    const QString &name() const { return m_name; }
    AdoConnection *connection() const { return m_connection; }
    // The statement text; its ":NAME" places define the parameters, in order of
    // first appearance. Kinds are declared with declareParam.
    void setCommandText(const QString &text);
    const QString &commandText() const { return m_text; }
    void declareParam(const QString &name, ParamKind kind);
    AdoParameter &paramByName(const QString &name); // EDatabaseError naming it when unknown
    QStringList paramNames() const;
    // Drops the prepared form; the next run prepares again.
    void unprepare();

protected:
    // Prepares and binds every parameter by its kind; raises EDatabaseError.
    QSqlQuery &prepareAndBind();
    [[noreturn]] void raise(const QSqlError &error, const QString &what) const;
    // The failed call's driver handle, for the database's own error code.
    QVariant statementHandle() const;
    // Where the dialect sends bytes apart (libpq), a statement with binary
    // data runs on the client library itself, its bytes sent as they are
    // (PostgresDirect).
    bool sendsBytesApart() const;
    void releaseBytes();
    std::unique_ptr<QSqlQuery> m_query;

private:
    void sessionClosing() override { unprepare(); }
    void connectionGone() override { m_connection = nullptr; }

    int m_preparedOn = -1;
    bool m_prepared = false;
    QString m_name;
    AdoConnection *m_connection;
    QString m_text;
    std::vector<std::unique_ptr<AdoParameter>> m_params;
};

class AdoCommand : public AdoStatement {
public:
    using AdoStatement::AdoStatement;
    int execute(); // rows affected

private:
    int executeOnLibpq();
};

class AdoQuery : public AdoStatement {
public:
    using AdoStatement::AdoStatement;
    void open();
    void close();
    bool active() const { return m_active; }
    bool eof() const;
    bool isEmpty() const;
    void first();
    void next();
    // The current row's column; null when past the end.
    QVariant value(const QString &fieldName) const;
    QString asString(const QString &fieldName) const;
    TDateTime asDateTime(const QString &fieldName) const; // null reads as 0
    double asFloat(const QString &fieldName) const;

private:
    bool m_active = false;
    bool m_eof = true;
    std::vector<QVariantList> m_rows;
    QStringList m_columns;
    int m_pos = 0;
};
