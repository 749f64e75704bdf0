#include "ScreenSupport.h"
#include "Cli_kal02700.h"
#include "Exception.h"
#include "SharedServices.h"
#include <QApplication>
#include <exception>

namespace Cli_kal02700 {

namespace {
// One user-interface thread: a plain flag will do.
bool busyCursorShown = false;
} // namespace

void showBusyCursor()
{
    if (busyCursorShown)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busyCursorShown = true;
}

void restoreCursor()
{
    if (!busyCursorShown)
        return;
    busyCursorShown = false;
    QApplication::restoreOverrideCursor();
}

void showUnhandledError(const Exception &error)
{
    if (dynamic_cast<const EAbort *>(&error))
        return;
    Mensagem(error.message(), QString(), QStringLiteral("N"), QStringLiteral("N"), tmErro, QString(),
             QString(), 0, nullptr);
}

void guarded(const std::function<void()> &handler) noexcept
{
    // The display itself may fail (a message presenter that raises): what is
    // left then is dropped, the event loop must go on.
    try {
        try {
            handler();
        } catch (const Exception &error) {
            showUnhandledError(error);
        } catch (const std::exception &error) {
            showUnhandledError(Exception(QString::fromLocal8Bit(error.what())));
        }
    } catch (...) {
    }
}

void setReason(const QString &line)
{
    stMotivoRedZ = line.simplified();
}

} // namespace Cli_kal02700
