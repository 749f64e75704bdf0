#pragma once
// What the audit hands its writers: findings and the rows they are about,
// never a database, so that a writer can be fed by hand. The audit walks one
// printer chain after another (a section each); a register's days that have
// no Z reduction come inside the section of a chain of that register, or in
// a section of their own at the end.
#include "FiscalExport.h"
#include "Finding.h"
#include "Reduction.h"

#include <QDate>
#include <QList>
#include <QString>

struct AuditScope {
    QString cdFilial; // empty: every branch
    QString cdCaixa;  // empty: every register
    QDate de;
    QDate ate;
    // The branches whose codes lie from filiaisDe (empty: from the first)
    // to before filiaisAntes (empty: to the last), in the database's order
    // of codes: a part of the branches, which a reader in parts audits apart.
    QString filiaisDe = QString();
    QString filiaisAntes = QString();
};

struct AuditSection {
    QString cdFilial;
    // A printer chain (its serial), or the days of one register that no
    // chain took (chain false, cdCaixa set).
    bool chain = true;
    QString serial;
    QString cdCaixa;
};

struct AuditEntry {
    const Reduction *reduction = nullptr; // null: a register's day without a Z reduction
    QString cdFilial;
    QString cdCaixa;
    QDate day;
    QList<Finding> findings;
};

struct AuditTotals {
    qint64 reductions = 0; // Z reductions of the period checked
    qint64 days = 0;       // days of the period with at least one of them
    qint64 errors = 0;
    qint64 warnings = 0;
};

class KALFISCAL_EXPORT AuditWriter {
public:
    virtual ~AuditWriter() = default;
    virtual void begin(const AuditScope &scope) { Q_UNUSED(scope) }
    virtual void beginSection(const AuditSection &section) { Q_UNUSED(section) }
    virtual void entry(const AuditEntry &entry) = 0;
    virtual void endSection() {}
    virtual void finish(const AuditTotals &totals) = 0;
};
