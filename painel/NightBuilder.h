#pragma once
// Builds the night from the ledger's audit of that one day: each Z reduction
// an entry with its findings, each register's day without one an entry of
// its own. Findings of a register's day that name no row (a CAT-52 file that
// fits none of the day's printers) go to that register's rows of the day.
#include "AuditWriter.h"
#include "Night.h"

#include <QMap>

class NightBuilder : public AuditWriter {
public:
    void entry(const AuditEntry &entry) override;
    void finish(const AuditTotals &totals) override { Q_UNUSED(totals) }

    // The night read, its branches and registers in code order.
    Night night(const QDate &dia) const;

private:
    using Key = QPair<QString, QString>; // branch, register
    QMap<Key, QList<NightRegister>> m_rows;
    QMap<Key, QList<Finding>> m_days;
};
