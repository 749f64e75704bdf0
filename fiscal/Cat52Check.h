#pragma once
// A stored CAT-52 file checked against the stored Z reductions of its
// register and day, through the comparison the module's CAT-52 stage uses.
#include "Cat52Record.h"
#include "Reduction.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct Cat52Check {
    bool ok = false;
    // The candidate the file was checked against: the row of its E12's
    // printer serial; -1 when there was none.
    int reduction = -1;
    // Set when the file cannot be checked field by field (no E12, no reduction).
    QString problem;
    QList<Cat52Difference> differences;

    // "CRZ 000043 no arquivo, 000042 na Redução Z; ..." or the problem.
    QString describe() const;
    QString expected() const; // "CRZ=000042; ..." (the stored reduction's side)
    QString found() const;    // "CRZ=000043; ..." (the file's side)

    // What the E12 of a stored reduction must carry.
    static Cat52DayFigures figuresOf(const Reduction &reduction);

    // A stored file against the Z reductions of its register and day: it is
    // good when the row of its E12's printer serial matches the E12 in full.
    // A file without a readable E12, or whose serial is of none of them, is
    // of no row.
    static Cat52Check of(const QByteArray &content, const QList<Reduction> &candidates);
};
