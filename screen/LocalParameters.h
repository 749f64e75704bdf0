#pragma once
// The two local parameter files in the host's folder, of which only the
// first record counts: "PARAMETROSKIV.CDS" (the schema and the CAT-52 flag)
// and "PRAXUMO.CDS" (the fiscal printer's type).
#include "Result.h"
#include <QString>

class ClientDataSet;

namespace LocalParameters {

struct Values {
    QString idEsquema;       // empty without the parameter file
    QString idGeraArqVndrio; // likewise
    // The printer type; "00" when the file gives none, empty without the
    // file (its conversion then fails: the screen cannot tell how the
    // printer works).
    QString idTipoImpFis;
    bool typeGiven = false; // the file names a type
};

// Loads the files of `folder` into the two datasets, which stay open for the
// screen's life: their values, or why a file could not be read. A missing
// printer file leaves the line the host reads.
Result<Values> load(const QString &folder, ClientDataSet &parametros, ClientDataSet &impressora);

} // namespace LocalParameters
