#pragma once
// The pre-fill of a printer that reports its last Z reduction: the figures
// the fiscal-printer package reports (DadosUltimaRedZ), the day's first coupon
// from the lookups, and whether they are the day being recorded. It only
// reads: the screen decides what to show and lock from what it returns.
#include "AutomationDate.h"
#include "Result.h"
#include <QString>
#include <QStringList>
#include <optional>

class ClientDataSet;

class PrinterPrefill {
public:
    enum class Outcome {
        Filled,     // every figure, of the day being recorded
        OtherDay,   // the printer's last Z reduction is of another day
        Incomplete, // the day's, but some figure is missing
        Failed,     // the printer, a date or a lookup could not be read
    };

    struct Day {
        QString idEsquema;
        QString cdFilial;
        QString cdCaixa;
        TDateTime dtReducao = 0;
        QString nrSerieEcf; // the printer whose first coupon is looked up
    };

    struct Result {
        Outcome outcome = Outcome::Failed;
        // The date text of the printer's last Z reduction (or of the last cash
        // movement when it has none): what stDataUltRedZ holds after the
        // pre-fill. None when the printer was not read; empty when the date
        // could not be had.
        std::optional<QString> lastReduction;
        // The thirteen field texts in field order, the first coupon third;
        // those read before a failure, the rest empty.
        QStringList fields;
        // Why the fields are not filled and locked; empty when Filled.
        QString reason;
    };

    // `captions` names the thirteen fields, for the figures missing;
    // `totalizadores` receives the printer's partial taxed totalisers.
    // Never raises.
    static Result read(const Day &day, const QStringList &captions, ClientDataSet &totalizadores);

    // The printer's model and brand as stored with the Z reduction
    // ("MODELO|MARCA", at most 30 characters), or why they could not be read.
    static ::Result<QString> model();

private:
    static void readPrinter(const Day &day, ClientDataSet &totalizadores, Result &result);
    static std::optional<TDateTime> lastReductionDay(const Day &day, Result &result);
    static bool readFirstCoupon(const Day &day, TDateTime lastDay, Result &result);
    static void judge(const Day &day, TDateTime lastDay, const QStringList &captions, Result &result);
};
