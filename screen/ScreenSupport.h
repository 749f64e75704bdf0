#pragma once
// Pieces of the screen unit shared by the entry operation, the form and its
// stages: the busy cursor of the opening, the guard around every event
// handler, the line the host reads, and the printer's texts.
#include "AutomationDate.h"
#include "SharedServices.h"
#include <QString>
#include <functional>

class Exception;

namespace Cli_kal02700 {

// The hourglass while the screen is being set up. Both calls are harmless when
// repeated: the cursor is put back at most once for each time it was shown.
void showBusyCursor();
void restoreCursor();

// A message to the operator through the shared services (Mensagem), with
// the schema id or origin that it goes under.
void showMessage(const QString &text, TTipoMsg kind, const QString &schemaId);

// What the framework does with an error that leaves an event handler: its own
// text, on one line, through Mensagem as an error (kind 3); the silent abort
// shows nothing.
void showUnhandledError(const Exception &error);

// Runs one event handler so that no error ever crosses the event loop.
void guarded(const std::function<void()> &handler) noexcept;

// The one line the host reads after the call (stMotivoRedZ): why the day was
// not stored, or that its CAT-52 file was not. Line breaks become blanks.
void setReason(const QString &line);

// The date of the printer's last Z reduction the tax package is given: the
// day of stDataUltRedZ, which is set to a fixed past date when empty; that
// date too for a text that is no date at all (a lookup's failure).
TDateTime lastReductionDayForTaxes();

// Blanks and control characters off both ends, as the printer's texts come.
QString trimPrinterText(const QString &text);

} // namespace Cli_kal02700
