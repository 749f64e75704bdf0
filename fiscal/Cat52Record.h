#pragma once
// The E12 record of a CAT-52 file (the Z reduction it describes) and its
// check against the stored Z reductions of the file's register and day.
#include "Reduction.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <optional>

struct E12Record {
    QString serial;
    QString model;
    qint64 crz = 0;
    qint64 coo = 0;
    qint64 cro = 0;
    QDate movementDay;
    qint64 gross = 0; // cents
};

struct Cat52Difference {
    QString field;       // "série", "CRZ", ...
    QString inFile;      // as the E12 holds it
    QString inReduction; // as the stored Z reduction holds it
};

struct Cat52Check {
    bool ok = false;
    // The candidate the file was checked against; -1 when there was none.
    int reduction = -1;
    // Set when the file cannot be checked field by field (no E12, no reduction).
    QString problem;
    QList<Cat52Difference> differences;

    // "CRZ 000043 no arquivo, 000042 na Redução Z; ..." or the problem.
    QString describe() const;
    QString expected() const; // "CRZ=000042; ..." (the stored reduction's side)
    QString found() const;    // "CRZ=000043; ..." (the file's side)
};

namespace Cat52Record {

// The file's E12 record (fixed positions, windows-1252); none when the file
// has no E12 line or its numbers or days do not read.
std::optional<E12Record> findE12(const QByteArray &content);

// What differs between the E12 and one stored reduction: serial, CRZ, COO
// (the reduction's last coupon), CRO, movement day, gross sales. Counters
// compare by the six last digits the record keeps.
QList<Cat52Difference> compare(const E12Record &e12, const Reduction &reduction);

// A stored file against the Z reductions of its register and day: it is good
// when one of them matches its E12 in full; otherwise it is held against the
// one with its serial, or the first.
Cat52Check check(const QByteArray &content, const QList<Reduction> &candidates);

} // namespace Cat52Record
