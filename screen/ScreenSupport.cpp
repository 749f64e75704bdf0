#include "ScreenSupport.h"
#include "Cli_kal02700.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "SharedServices.h"
#include "Shield.h"
#include <QApplication>

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

void showMessage(const QString &text, TTipoMsg kind, const QString &schemaId)
{
    Mensagem(text, QString(), QStringLiteral("N"), QStringLiteral("N"), kind, QString(), schemaId, 0, nullptr);
}

void showUnhandledError(const Exception &error)
{
    if (dynamic_cast<const EAbort *>(&error))
        return;
    // A driver's own words stay on the line of the sentence they follow.
    showMessage(error.message().simplified(), tmErro, QString());
}

void guarded(const std::function<void()> &handler) noexcept
{
    shield(handler, [](const QString &text) { showUnhandledError(Exception(text)); });
}

void setReason(const QString &line)
{
    stMotivoRedZ = line.simplified();
}

TDateTime lastReductionDayForTaxes()
{
    // With no printer date known, the tax package is given a fixed past date.
    const QString dataFixa = QStringLiteral("24/02/2012");
    if (EmptyString(stDataUltRedZ))
        stDataUltRedZ = dataFixa;
    // The last cash movement may carry a time of day: its day is the date.
    // A text that is no date at all counts as unknown: the tax lines can
    // still be typed.
    try {
        return AutomationDate::dateOf(FormatSettings::strToDateTime(stDataUltRedZ));
    } catch (const EConvertError &) {
        return FormatSettings::strToDate(dataFixa);
    }
}

QString trimPrinterText(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

} // namespace Cli_kal02700
