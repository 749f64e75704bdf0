#pragma once
// The one ladder that keeps an error from crossing an event handler, an
// exported name or a program's main: whatever the work raises ends there.
#include "Exception.h"
#include <QString>
#include <exception>

// Runs work. The silent abort (EAbort) ends it without a word; any other
// error's own text goes to report, and an error of the report itself is
// dropped: nothing leaves. True when the work ran to its end.
template <typename Work, typename Report>
bool shield(Work &&work, Report &&report) noexcept
{
    try {
        try {
            work();
            return true;
        } catch (const EAbort &) {
        } catch (const Exception &error) {
            report(error.message());
        } catch (const std::exception &error) {
            report(QString::fromLocal8Bit(error.what()));
        } catch (...) {
            report(QStringLiteral("Erro inesperado."));
        }
    } catch (...) {
    }
    return false;
}
