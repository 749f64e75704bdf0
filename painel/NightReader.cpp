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
        LedgerSession session(connectionString);
        NightBuilder builder;
        Auditor(session, builder).run({QString(), QString(), dia, dia});
        out.night = builder.night(dia);
        out.ok = true;
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
        LedgerSession session(connectionString);
        QBuffer buffer(&out.json);
        buffer.open(QIODevice::WriteOnly);
        JsonAuditWriter writer(buffer);
        Auditor(session, writer).run(scope);
        out.ok = true;
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
