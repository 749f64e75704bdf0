#pragma once
// The reads of the database, run off the event loop, one at a time (the
// ledger's session is one connection): a night through the ledger's own
// audit of that day, or the audit of a period as `auditar --formato json`.
// Each read opens its own read-only session and snapshot and closes them.
#include "AuditWriter.h"
#include "Night.h"

#include <QByteArray>
#include <QString>

struct NightRead {
    bool ok = false;
    Night night;
    QString error; // the database's cause, worded for the operator
};

struct AuditRead {
    bool ok = false;
    QByteArray json;
    QString error;
};

namespace NightReader {
NightRead readNight(const QString &connectionString, const QDate &dia);
AuditRead readAudit(const QString &connectionString, const AuditScope &scope);
} // namespace NightReader
