#include "OdbcDriver.h"

#include <sql.h>
#include <sqlext.h>

namespace OdbcDriver {

QString sqlState(const QVariant &handle, HandleKind kind)
{
    if (!handle.isValid() || handle.metaType() != QMetaType::fromType<void *>())
        return {};
    SQLHANDLE h = *static_cast<const SQLHANDLE *>(handle.constData());
    if (!h)
        return {};
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    const SQLRETURN r = SQLGetDiagRec(kind == HandleKind::Statement ? SQL_HANDLE_STMT : SQL_HANDLE_DBC, h, 1, state,
                                      &native, nullptr, 0, &length);
    if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO)
        return {};
    return QString::fromLatin1(reinterpret_cast<const char *>(state)).trimmed();
}

} // namespace OdbcDriver
