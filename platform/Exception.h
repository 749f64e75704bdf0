#pragma once
// Error classes of the module and its packages. Every error is an exception
// that carries an operator-readable message text.
#include <QString>
#include <QByteArray>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The silent abort: leaves a handler without any message to the operator.
class EAbort : public Exception {
public:
    EAbort() : Exception(QStringLiteral("Operação abortada")) {}
};

// A text that does not convert to a number or a date.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Client dataset and data packet errors (unknown field, malformed packet, ...).
class EDataSetError : public Exception {
public:
    using Exception::Exception;
};

// A database error: the driver's own text and native code, kept apart so that
// the shared services can classify it and word it for the operator.
class EDatabaseError : public Exception {
public:
    enum class Kind { Other, Connection, Statement, Transaction };
    EDatabaseError(QString message, QString nativeCode = {}, QString driverText = {}, QString databaseText = {},
                   Kind kind = Kind::Other)
        : Exception(std::move(message)), m_nativeCode(std::move(nativeCode)), m_driverText(std::move(driverText)),
          m_databaseText(std::move(databaseText)), m_kind(kind)
    {
    }
    const QString &nativeCode() const noexcept { return m_nativeCode; }
    const QString &driverText() const noexcept { return m_driverText; }
    const QString &databaseText() const noexcept { return m_databaseText; }
    Kind kind() const noexcept { return m_kind; }

private:
    QString m_nativeCode;
    QString m_driverText;
    QString m_databaseText;
    Kind m_kind;
};

// A commit whose answer never came: the session ended while it was under way
// (its answer lost, the server gone), so the server may have committed it or
// not. Only a new session can tell.
class ECommitUnanswered : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};
