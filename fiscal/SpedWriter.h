#pragma once
// The ECF lines of block C of the EFD ICMS/IPI (C400, C405, C420, C490), to
// be merged by another system into the complete file: ISO-8859-1, CR LF,
// fields between "|". Fed with the branch's Z reductions printer by printer,
// each printer's by day.
#include "Reduction.h"

#include <QString>

class QIODevice;

class SpedWriter {
public:
    explicit SpedWriter(QIODevice &out, QString cfop = QStringLiteral("5102"), QString cfopSt = QStringLiteral("5405"));
    // Raises Exception for a value the layout cannot hold (a counter that is
    // no number, a field with "|", a rate of 100% or more).
    void reduction(const Reduction &r);
    qint64 lines() const { return m_lines; }

private:
    void line(const QStringList &fields);

    QIODevice &m_out;
    QString m_cfop;
    QString m_cfopSt;
    bool m_started = false;
    QString m_printerEcf, m_printerSerial;
    qint64 m_lines = 0;
};
