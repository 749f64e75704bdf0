#pragma once
// What a call that can fail in the ordinary course came to: its value, or
// the reason it failed (one Portuguese sentence, the driver's or system's
// words after it), never one taken for the other. The one way a unit tells a
// failure to another: exceptions stay inside the platform layer and inside a
// unit's own code, and are turned into a Result at its public functions.
#include <QString>
#include <optional>
#include <utility>

// The value of a call that does something and gives nothing back.
struct NoValue {};

template <typename T>
class Result {
public:
    static Result of(T value)
    {
        Result result;
        result.m_value = std::move(value);
        return result;
    }
    static Result failure(QString reason)
    {
        Result result;
        result.m_error = std::move(reason);
        return result;
    }
    // A store whose commit answer was lost and whose outcome a new session
    // could not read: it may have been stored.
    static Result uncertain(QString reason)
    {
        Result result = failure(std::move(reason));
        result.m_uncertain = true;
        return result;
    }
    // A lookup that found nothing to give, told apart from a database that
    // failed.
    static Result notFound(QString reason)
    {
        Result result = failure(std::move(reason));
        result.m_notFound = true;
        return result;
    }
    // The same failure carried on as the result of another type.
    template <typename U>
    static Result failureOf(const Result<U> &other)
    {
        Result result = failure(other.error());
        result.m_uncertain = other.isUncertain();
        result.m_notFound = other.isNotFound();
        return result;
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only for a result that is ok().
    const T &value() const { return *m_value; }
    T &value() { return *m_value; }
    // The reason; empty for a result that is ok().
    const QString &error() const { return m_error; }
    bool isUncertain() const { return m_uncertain; }
    bool isNotFound() const { return m_notFound; }

private:
    Result() = default;
    std::optional<T> m_value;
    QString m_error;
    bool m_uncertain = false;
    bool m_notFound = false;
};
