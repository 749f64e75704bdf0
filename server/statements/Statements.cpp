#include "Statements.h"
#include "Exception.h"

#include <QFile>

// The texts live in a static library: its resources must be registered by hand.
static void initResources()
{
    Q_INIT_RESOURCE(statements);
}

namespace Statements {

QString text(const QString &component)
{
    initResources();
    QFile file(QStringLiteral(":/statements/") + component);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Texto do comando %1 ausente do módulo").arg(component));
    return QString::fromUtf8(file.readAll()).trimmed();
}

void describe(AdoStatement &statement, std::initializer_list<std::pair<const char *, ParamKind>> kinds)
{
    describe(statement, std::vector<std::pair<const char *, ParamKind>>(kinds));
}

void describe(AdoStatement &statement, const std::vector<std::pair<const char *, ParamKind>> &kinds)
{
    statement.setCommandText(text(statement.name()));
    for (const auto &[name, kind] : kinds)
        statement.declareParam(QLatin1String(name), kind);
}

} // namespace Statements
