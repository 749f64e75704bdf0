#pragma once
// The audit's rules. A rule is a small function of the chain's previous row
// (none for the first row read of a chain) and the current one; adding a
// rule is adding a function and a line in the table. Two rules look at a
// register's day rather than at a row (DIA_SEM_REDUCAO, CAT52_DIVERGENTE):
// they are in the table for their code and severity, without a function.
// A row without a printer serial, or with a zero or empty CRZ, has no
// previous row and is the previous of none: the rules of a chain leave it
// alone.
#include "Finding.h"
#include "Reduction.h"

#include <QList>

namespace AuditRules {

class Output {
public:
    Output(QList<Finding> &findings, const char *rule, Severity severity, const Reduction &row)
        : m_findings(findings), m_rule(rule), m_severity(severity), m_row(row)
    {
    }
    // A finding of this rule on the current row.
    Finding &add(const QString &message);
    // A divergence of money: what the row should hold and what it holds.
    Finding &money(const QString &message, qint64 expected, qint64 found);

private:
    QList<Finding> &m_findings;
    const char *m_rule;
    Severity m_severity;
    const Reduction &m_row;
};

using Check = void (*)(const Reduction *previous, const Reduction &current, Output &out);

struct Rule {
    const char *code;
    Severity severity;
    Check check; // null for the rules of a register's day
};

// Every rule, in the order of the fiscal ledger's table.
const QList<Rule> &rules();
Severity severityOf(const QString &code);

// The findings of every row rule on the current row, in table order.
void checkRow(const Reduction *previous, const Reduction &current, QList<Finding> &findings);

// A finding of a day rule (no row to hang it on, or a row given by key).
Finding dayFinding(const char *code, const QString &cdFilial, const QString &cdCaixa, const QDate &day,
                   const QString &message);

} // namespace AuditRules
