#pragma once
// Builds the night from the ledger's audit of that one day: each Z reduction
// an entry with its findings, each register's day without one an entry of
// its own. Findings of a register's day that name no row (a CAT-52 file that
// fits none of the day's printers) go to that register's rows of the day.
// Without findings (the history, a month at a time) only what makes each
// state is kept: a chain's month of findings is tens of megabytes.
#include "AuditWriter.h"
#include "Night.h"

#include <QMap>

class NightBuilder : public AuditWriter {
public:
    explicit NightBuilder(bool keepFindings = true) : m_keepFindings(keepFindings) {}

    void entry(const AuditEntry &entry) override;
    void finish(const AuditTotals &totals) override { Q_UNUSED(totals) }

    // The night read, its branches and registers in code order.
    Night night(const QDate &dia) const;

private:
    using Key = QPair<QString, QString>; // branch, register
    struct Row {
        NightRegister reg;
        NightRegister::Marks marks;
    };
    struct Day {
        QList<Finding> findings;
        NightRegister::Marks marks;
    };
    bool m_keepFindings;
    QMap<Key, QList<Row>> m_rows;
    QMap<Key, Day> m_days;
};
