#pragma once
// Host-side set-up of the reference fiscal-printer package. Instead of a
// printer on a serial port, the package reads a printer memory file (JSON)
// that holds what the printer reports: serial, model, brand, the figures of
// its last Z reduction, its partial taxed totalisers and the folder where the
// CAT-52 files go.
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>

namespace Wmb00001 {

// One partial taxed totaliser, as the printer prints it (texts with ',').
struct Totalizer {
    QString VRALIQIMPFIS; // rate in percent
    QString CDIMPOSTO;    // the printer's tax code, e.g. "T1"
    QString VRVENDIDO;    // amount sold at that rate
    QString VRIMPOSTO;    // tax at that rate
};

struct PrinterMemory {
    QString serial;
    QString model;
    QString brand;
    QMap<int, QString> lastReduction; // index 0..50 of the last-reduction array
    QList<Totalizer> totalizers;
    QString cat52Dir; // absolute: a relative folder is taken from the memory file's folder

    // Reads a printer memory file. A missing, unreadable or malformed file is
    // a printer that does not answer: raises Exception
    // "Impressora fiscal não responde: ...".
    static PrinterMemory load(const QString &path);
};

// The memory file the package reads at each call; empty means no printer is
// attached (DadosUltimaRedZ raises, Modelo_Impressora gives empty texts,
// GeraCatGenerica generates nothing and returns false).
void setPrinterMemoryFile(const QString &path);
QString printerMemoryFile();

// The clock of the emission date and time written in CAT-52 records; an
// empty function restores the system clock.
void setClock(std::function<QDateTime()> clock);
// The moment the package takes as now: the clock above or the system's.
QDateTime currentDateTime();

// The 8.3 name of the CAT-52 file of a movement day: three letters or digits
// of the brand (padded with 'X'), the last five digits of the serial (padded
// with '0'), and as extension the day, the month and the year minus 2000, one
// character each in 0-9A-Z. Raises Exception for a year outside 2000..2035.
QString cat52FileName(const PrinterMemory &memory, const QDate &movementDay);
// One character of the extension: 0-9 then A-Z for 10-35.
QChar cat52Digit(int value);

// How many times the unit was brought up, less the times it was brought down.
int unitLevel();

} // namespace Wmb00001
