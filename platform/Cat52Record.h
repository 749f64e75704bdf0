#pragma once
// The E12 record of a CAT-52 file (the Z reduction it describes) and what
// differs between it and a stored day: one comparison for the module's CAT-52
// stage and the fiscal ledger.
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

// What a day's E12 must carry: the figures of the stored Z reduction.
struct Cat52DayFigures {
    QString serial;
    qint64 crz = -1, cro = -1, lastCoupon = -1; // -1: not a number
    QDate day;
    qint64 gross = 0; // cents
};

struct Cat52Difference {
    QString field;       // "série", "CRZ", ...
    QString inFile;      // as the E12 holds it
    QString inReduction; // as the stored Z reduction holds it
};

namespace Cat52Record {

// The largest CAT-52 file taken in, by the module after the printer wrote it
// and by the ledger's cat52-guardar alike: a day's file with every coupon's
// items runs to a few megabytes on a busy register; the module's store is
// measured with files of 100 MB.
inline constexpr qint64 MaxFileBytes = 128 * 1024 * 1024;

// The file's E12 record (fixed positions, windows-1252); none when the file
// has no E12 line or its numbers or days do not read.
std::optional<E12Record> findE12(const QByteArray &content);

// What differs between the E12 and the stored day: serial, CRZ, COO (the
// day's last coupon), CRO, movement day, gross sales. Counters compare by the
// six last digits the record keeps.
QList<Cat52Difference> compare(const E12Record &e12, const Cat52DayFigures &day);

// The serial as an E12 carries a stored one: trimmed, its first 20
// characters. Empty for a row without a serial, which no E12 is of.
QString serialOf(const QString &storedSerial);

// "CRZ 000043 no arquivo, 000042 na Redução Z; ..."
QString describe(const QList<Cat52Difference> &differences);

} // namespace Cat52Record
