#include "SqliteDirect.h"

#include <QSqlDriver>
#include <QDateTime>
#include <QTime>

#include <dlfcn.h>
#include <sqlite3.h>

namespace SqliteDirect {

bool readInParallel()
{
    return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
}

namespace {

// Whether the driver's plugin reaches SQLite through the same library as
// this one. A driver built on a copy of its own (hidden inside the plugin)
// keeps its connections in that copy's structures: not to be touched here.
bool sameLibrary(const QSqlDriver *driver)
{
    static const bool same = [driver] {
        Dl_info info{};
        // The driver object's first word points into its plugin's code.
        if (!dladdr(*reinterpret_cast<void *const *>(driver), &info) || !info.dli_fname)
            return false;
        void *plugin = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
        if (!plugin)
            return false;
        const bool found = dlsym(plugin, "sqlite3_step") == reinterpret_cast<void *>(&sqlite3_step);
        dlclose(plugin);
        return found;
    }();
    return same;
}

QString utf8(const unsigned char *text, int bytes)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char *>(text), bytes) : QString();
}

// A value QSQLITE binds as NULL: none, or a null text, day or bytes.
bool isNullValue(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString().isNull();
    case QMetaType::QByteArray:
        return v.toByteArray().isNull();
    case QMetaType::QDate:
        return v.toDate().isNull();
    case QMetaType::QDateTime:
        return v.toDateTime().isNull();
    case QMetaType::QTime:
        return v.toTime().isNull();
    default:
        return v.isNull();
    }
}

int digits(const unsigned char *text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

sqlite3 *session(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || QByteArrayView(handle.typeName()) != "sqlite3*" || !sameLibrary(db.driver()))
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

QSqlError Statement::failure(const QString &what, int code) const
{
    // As QSQLITE words it: its own words, SQLite's message, the result code.
    return QSqlError(what, QString::fromUtf8(sqlite3_errmsg(m_db)), QSqlError::StatementError, QString::number(code));
}

bool Statement::prepare(sqlite3 *db, const QString &text, const Parameters &parameters, QSqlError *error)
{
    m_db = db;
    const QByteArray sql = text.toUtf8();
    int rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_statement, nullptr);
    if (rc != SQLITE_OK) {
        *error = failure(QStringLiteral("Unable to execute statement"), rc);
        return false;
    }
    for (const auto &[name, value] : parameters) {
        const int index = sqlite3_bind_parameter_index(m_statement, (QLatin1Char(':') + name).toUtf8().constData());
        if (index == 0)
            continue; // the statement does not use it
        if (isNullValue(value)) {
            rc = sqlite3_bind_null(m_statement, index);
        } else {
            switch (value.typeId()) {
            case QMetaType::QByteArray: {
                const QByteArray b = value.toByteArray();
                rc = sqlite3_bind_blob64(m_statement, index, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
                rc = sqlite3_bind_int64(m_statement, index, value.toLongLong());
                break;
            case QMetaType::Double:
                rc = sqlite3_bind_double(m_statement, index, value.toDouble());
                break;
            default: {
                // Days and texts as QSQLITE binds them: the value's text.
                const QString t = value.typeId() == QMetaType::QDateTime
                                      ? value.toDateTime().toString(Qt::ISODateWithMs)
                                  : value.typeId() == QMetaType::QTime ? value.toTime().toString(u"hh:mm:ss.zzz")
                                                                       : value.toString();
                const QByteArray b = t.toUtf8();
                rc = sqlite3_bind_text64(m_statement, index, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT,
                                         SQLITE_UTF8);
                break;
            }
            }
        }
        if (rc != SQLITE_OK) {
            *error = failure(QStringLiteral("Unable to bind parameters"), rc);
            return false;
        }
    }
    return true;
}

bool Statement::next(QSqlError *error)
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        *error = failure(QStringLiteral("Unable to fetch row"), rc);
    return false;
}

QVariant Statement::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_statement, column));
    case SQLITE_BLOB:
        return QVariant(bytes(column));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    default:
        return QVariant(text(column));
    }
}

QString Statement::text(int column) const
{
    const unsigned char *t = sqlite3_column_text(m_statement, column);
    return utf8(t, sqlite3_column_bytes(m_statement, column));
}

bool Statement::sameText(int column, QStringView text) const
{
    const unsigned char *t = sqlite3_column_text(m_statement, column);
    if (!t)
        return false;
    const int n = sqlite3_column_bytes(m_statement, column);
    return QAnyStringView::equal(QUtf8StringView(reinterpret_cast<const char *>(t), n), text);
}

double Statement::number(int column) const
{
    // A text is a number only whole, as QVariant reads it (SQLite would take
    // the digits it begins with).
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_statement, column);
    case SQLITE_NULL:
        return 0;
    case SQLITE_BLOB:
        return bytes(column).toDouble();
    default:
        return text(column).toDouble();
    }
}

QByteArray Statement::bytes(int column) const
{
    const void *b = sqlite3_column_blob(m_statement, column);
    return b ? QByteArray(static_cast<const char *>(b), sqlite3_column_bytes(m_statement, column)) : QByteArray();
}

QDate Statement::date(int column) const
{
    const unsigned char *t = sqlite3_column_text(m_statement, column);
    const int n = sqlite3_column_bytes(m_statement, column);
    if (t && n >= 10 && t[4] == '-' && t[7] == '-' && (n == 10 || t[10] == 'T' || t[10] == ' ')) {
        const int y = digits(t, 0, 4), m = digits(t, 5, 2), d = digits(t, 8, 2);
        if (y >= 0 && m >= 0 && d >= 0)
            return QDate(y, m, d);
    }
    return QDate::fromString(utf8(t, n).left(10), Qt::ISODate);
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

} // namespace SqliteDirect
