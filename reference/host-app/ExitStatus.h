#pragma once
// The host's exit status, on which stores' scripts rely: 0 when this call
// stored a Z reduction, 1 when it ended without storing one, 2 for bad
// arguments or a screen that cannot be shown, 3 when the answer to the
// save's commit was lost and no new session could tell whether the day is
// stored (check before running it again).
enum ExitStatus { Stored = 0, NotStored = 1, CannotRun = 2, StoredUnknown = 3 };

// The status of one call of the screen. redZGravada is the module's own word
// (RedZGravada): whether this call's save committed the day, not a row that
// another register may have stored at the same moment; redZIncerta
// (RedZIncerta) that it may have. A screenshot that was asked for and not
// saved turns a call that stored nothing into a run that could not be done.
ExitStatus callStatus(bool redZGravada, bool redZIncerta, bool screenshotMissing);
