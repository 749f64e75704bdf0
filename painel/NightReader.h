#pragma once
// The reads of the database, run off the event loop: a night through the
// ledger's own audit of that day, or the audit of a period as `auditar
// --formato json`. Each read opens its own read-only session and snapshot
// and closes them. A night and the nights of a history are read in parts of
// the branches, one more session and thread a part (as many as the
// machine's cores, at most four), each branch whole in one snapshot.
#include "AuditWriter.h"
#include "BranchScope.h"
#include "Night.h"
#include "Result.h"

#include <QByteArray>
#include <QString>

// A night, or the database's cause worded for the operator; how long the
// read took either way.
struct NightRead {
    Result<Night> night = Result<Night>::failure(QString());
    double seconds = 0;
};

// The audit as `auditar --formato json` writes it, or the database's cause.
using AuditRead = Result<QByteArray>;

// Every night of some periods (each an audit of its own), or the cause.
struct NightsRead {
    Result<QList<Night>> nights = Result<QList<Night>>::failure(QString());
    double seconds = 0;
};

namespace NightReader {
NightRead readNight(const QString &connectionString, const QDate &dia);
// Each night of each period (first, last), empty ones too, in one session.
NightsRead readNights(const QString &connectionString, const QList<QPair<QDate, QDate>> &periods);
// within: the branches whose findings are told (the user's).
AuditRead readAudit(const QString &connectionString, const AuditScope &scope, const BranchScope &within);
} // namespace NightReader
