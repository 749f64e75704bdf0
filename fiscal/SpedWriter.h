#pragma once
// The ECF lines of block C of the EFD ICMS/IPI (C400, C405, C420, C490), to
// be merged by another system into the complete file: ISO-8859-1, CR LF,
// fields between "|", as the tax authority's validator accepts them. Fed
// with the branch's Z reductions printer by printer (one printer a serial),
// each printer's by day.
#include "FiscalExport.h"
#include "Reduction.h"
#include "Result.h"

#include <QString>
#include <functional>

class QIODevice;

class KALFISCAL_EXPORT SpedWriter {
public:
    // What the lines could not say as stored (a Z reduction left out, a
    // model character replaced), one sentence each, for the operator.
    using Notice = std::function<void(const QString &)>;

    explicit SpedWriter(QIODevice &out, QString cfop = QStringLiteral("5102"), QString cfopSt = QStringLiteral("5405"),
                        Notice notice = {});
    // printerNrEcf: NRECFREDZ of the printer's last Z reduction in the
    // period (ECF_CX of its C400). A Z reduction ExportGate refuses is left
    // out, with a notice. Fails on a value the layout cannot hold (a counter
    // that is no number, a field with "|", a rate of 100% or more), after
    // the lines before it.
    Result<NoValue> reduction(const Reduction &r, const QString &printerNrEcf);
    qint64 lines() const { return m_lines; }
    // Z reductions left out.
    qint64 leftOut() const { return m_leftOut; }

    // One totaliser of a taxed rate as the C420 names it ("xxTnnnn", NR_TOT xx).
    struct Taxed {
        int number = 0;
        qint64 rate = 0, base = 0, tax = 0;
    };

private:
    // These raise Exception, which reduction turns into its Result.
    void write(const Reduction &r, const QString &printerNrEcf);
    bool writable(const Reduction &r);
    void printer(const Reduction &r, const QString &printerNrEcf);
    QList<Taxed> taxed(const Reduction &r);
    void totalisers(const Reduction &r, const QList<Taxed> &taxed);
    void operations(const Reduction &r, const QList<Taxed> &taxed);
    void line(const QStringList &fields);
    void notice(const QString &text) const;

    QIODevice &m_out;
    QString m_cfop;
    QString m_cfopSt;
    Notice m_notice;
    bool m_started = false;
    QString m_printerSerial;
    qint64 m_lines = 0;
    qint64 m_leftOut = 0;
};
