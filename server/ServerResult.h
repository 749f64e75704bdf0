#pragma once
// What a server call came to, as the module reads it: the value it found, or
// the operator message of its failure, never one taken for the other. The
// exported server methods turn it into the variant a host reads.
#include <QString>
#include <QVariant>
#include <optional>
#include <utility>

namespace Srv_kal02700 {

// The value of a call that stores and returns nothing else.
struct Done {};

template <typename T>
class ServerResult {
public:
    static ServerResult of(T value)
    {
        ServerResult result;
        result.m_value = std::move(value);
        return result;
    }
    static ServerResult failure(QString message)
    {
        ServerResult result;
        result.m_error = std::move(message);
        return result;
    }
    // A store whose commit answer was lost and whose outcome a new session
    // could not read: it may have been stored.
    static ServerResult uncertain(QString message)
    {
        ServerResult result = failure(std::move(message));
        result.m_uncertain = true;
        return result;
    }

    // A lookup that found nothing to give, told apart from a database that
    // failed; its message is the one the exported method answers.
    static ServerResult notFound(QString message)
    {
        ServerResult result = failure(std::move(message));
        result.m_notFound = true;
        return result;
    }

    bool ok() const { return m_value.has_value(); }
    // Only for a result that is ok().
    const T &value() const { return *m_value; }
    // The failure message; empty for a result that is ok().
    const QString &error() const { return m_error; }
    bool isUncertain() const { return m_uncertain; }
    bool isNotFound() const { return m_notFound; }

private:
    ServerResult() = default;
    std::optional<T> m_value;
    QString m_error;
    bool m_uncertain = false;
    bool m_notFound = false;
};

} // namespace Srv_kal02700
