#pragma once
// The branches a user of the view may see: every one (a users-file line
// without filiais=, or no users file at all), or the ones its line names.
// The same on every path: a night, an audit, the metrics.
#include "Result.h"

#include <QString>
#include <QStringList>

class BranchScope {
public:
    // More codes than a chain has branches is no scope anyone meant.
    static constexpr int MaxBranches = 5000;

    // Every branch.
    BranchScope() = default;
    // "0001,0002": codes by the rule of StoreCodes, separated by commas;
    // the scope, or what is wrong with the text.
    static Result<BranchScope> parse(const QString &codes);

    bool everyBranch() const { return m_codes.isEmpty(); }
    bool allows(const QString &cdFilial) const;
    // Its codes in code order ("0001,0002"); empty for every branch.
    const QStringList &codes() const { return m_codes; }
    QString text() const { return m_codes.join(QLatin1Char(',')); }

private:
    QStringList m_codes; // sorted, each once
};
