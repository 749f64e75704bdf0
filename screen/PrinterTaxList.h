#pragma once
// The tax list of a screen filled from the fiscal printer: one line per
// partial taxed totaliser of the printer, its code looked up by rate
// (getPesqCdImposto), each line posted so that the list's tax rule computes
// the tax sent; a day without taxed sales still carries one line, with no tax.
#include "AutomationDate.h"
#include "Result.h"
#include "TaxLines.h"
#include <QString>

class ClientDataSet;

class PrinterTaxList {
public:
    // The Z reduction every line belongs to.
    struct Reducao {
        QString cdFilial;
        QString cdCaixa;
        QString nrEcf;
        TDateTime dtReducao = 0;
    };

    // `lista` is the screen's tax list, with its eight fields in `campos`.
    PrinterTaxList(ClientDataSet &lista, const TaxLines::Fields &campos);

    // Closes the list and creates it afresh from the totalisers (VRALIQIMPFIS,
    // CDIMPOSTO, VRVENDIDO and VRIMPOSTO, read as text): done, or why not (a
    // figure that is no number, a lookup that fails).
    Result<NoValue> build(ClientDataSet &totalizadores, const Reducao &reducao);

private:
    void fill(ClientDataSet &totalizadores, const Reducao &reducao);

    ClientDataSet &m_lista;
    TaxLines::Fields m_campos;
};
