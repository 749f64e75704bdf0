#include "NightReader.h"
#include "Auditor.h"
#include "Exception.h"
#include "JsonAuditWriter.h"
#include "LedgerSession.h"
#include "NightBuilder.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>

namespace NightReader {

NightRead readNight(const QString &connectionString, const QDate &dia)
{
    NightRead out;
    QElapsedTimer clock;
    clock.start();
    const QDateTime started = QDateTime::currentDateTime();
    try {
        const Result<std::unique_ptr<LedgerSession>> session = LedgerSession::open(connectionString);
        NightBuilder builder;
        const Result<AuditTotals> audit = session
                                              ? Auditor(*session.value(), builder).run({QString(), QString(), dia, dia})
                                              : Result<AuditTotals>::failureOf(session);
        out.ok = audit.ok();
        if (audit)
            out.night = builder.night(dia);
        else
            out.error = audit.error();
    } catch (const Exception &e) {
        out.error = e.message();
    } catch (const std::exception &e) {
        out.error = QString::fromUtf8(e.what());
    }
    out.night.dia = dia;
    out.night.lidoEm = started;
    out.night.leituraSegundos = double(clock.nsecsElapsed()) / 1e9;
    return out;
}

AuditRead readAudit(const QString &connectionString, const AuditScope &scope)
{
    AuditRead out;
    try {
        const Result<std::unique_ptr<LedgerSession>> session = LedgerSession::open(connectionString);
        QBuffer buffer(&out.json);
        buffer.open(QIODevice::WriteOnly);
        JsonAuditWriter writer(buffer);
        const Result<AuditTotals> audit = session ? Auditor(*session.value(), writer).run(scope)
                                                  : Result<AuditTotals>::failureOf(session);
        out.ok = audit.ok();
        if (!audit) {
            out.json.clear();
            out.error = audit.error();
        }
    } catch (const Exception &e) {
        out.json.clear();
        out.error = e.message();
    } catch (const std::exception &e) {
        out.json.clear();
        out.error = QString::fromUtf8(e.what());
    }
    return out;
}

} // namespace NightReader
