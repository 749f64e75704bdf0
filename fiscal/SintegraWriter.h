#pragma once
// Sintegra registers 60M and 60A of the branch's Z reductions, to be merged
// by another system into the complete file: 126 characters a line, ASCII,
// CR LF. Fed by day, then printer number.
#include "FiscalExport.h"
#include "Reduction.h"

class QIODevice;

class KALFISCAL_EXPORT SintegraWriter {
public:
    explicit SintegraWriter(QIODevice &out) : m_out(out) {}
    // Raises Exception for a value the layout cannot hold (negative money,
    // money wider than its field, a counter that is no number, a serial
    // outside ASCII).
    void reduction(const Reduction &r);
    qint64 lines() const { return m_lines; }

private:
    void line(const QByteArray &text);

    QIODevice &m_out;
    qint64 m_lines = 0;
};
