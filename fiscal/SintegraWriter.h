#pragma once
// Sintegra registers 60M and 60A of the branch's Z reductions, to be merged
// by another system into the complete file: 126 characters a line, ASCII,
// CR LF. Fed by day, then printer number.
#include "FiscalExport.h"
#include "Reduction.h"
#include "Result.h"

#include <functional>

class QIODevice;

class KALFISCAL_EXPORT SintegraWriter {
public:
    // What the lines could not say as stored (a Z reduction left out), one
    // sentence each, for the operator.
    using Notice = std::function<void(const QString &)>;

    explicit SintegraWriter(QIODevice &out, Notice notice = {}) : m_out(out), m_notice(std::move(notice)) {}
    // A Z reduction ExportGate refuses is left out, with a notice, as the
    // SPED leaves it out. Fails on a value the layout cannot hold (negative
    // money, money wider than its field, a counter that is no number, a
    // serial outside ASCII), after the lines before it.
    Result<NoValue> reduction(const Reduction &r);
    qint64 lines() const { return m_lines; }
    // Z reductions left out.
    qint64 leftOut() const { return m_leftOut; }

private:
    // These raise Exception, which reduction turns into its Result.
    void write(const Reduction &r);
    void line(const QByteArray &text);

    QIODevice &m_out;
    Notice m_notice;
    qint64 m_lines = 0;
    qint64 m_leftOut = 0;
};
