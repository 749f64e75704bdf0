#include "ConsoleFilter.h"

#include <QString>
#include <QtGlobal>

namespace {

bool g_platformStarted = false;
QtMessageHandler g_previousHandler = nullptr;

bool isConsoleNoise(const QMessageLogContext &context, const QString &message)
{
    const QLatin1String category(context.category ? context.category : "");
    if (category.startsWith(QLatin1String("qt.sql")))
        return true;
    if (!g_platformStarted && category.startsWith(QLatin1String("qt.qpa")))
        return true;
    static const QLatin1String prefixes[] = {QLatin1String("QSql"), QLatin1String("QPSQL"), QLatin1String("QSQLITE"),
                                             QLatin1String("QODBC"), QLatin1String("Unable to free statement"),
                                             QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"),
                                             // A headless platform says on every notice that it stacks no windows.
                                             QLatin1String("This plugin does not support raise()")};
    // Qt's ODBC driver quotes its own lines ("QODBCDriver::disconnect: ...").
    const QStringView text = message.startsWith(u'"') ? QStringView(message).mid(1) : QStringView(message);
    for (const QLatin1String &prefix : prefixes)
        if (text.startsWith(prefix))
            return true;
    return false;
}

void filter(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg && isConsoleNoise(context, message))
        return;
    g_previousHandler(type, context, message);
}

} // namespace

namespace ConsoleFilter {

void install()
{
    // Qt's default handler comes back from the first call.
    g_previousHandler = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(filter);
}

void platformStarted()
{
    g_platformStarted = true;
}

} // namespace ConsoleFilter
