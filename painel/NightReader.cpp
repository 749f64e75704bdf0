#include "NightReader.h"
#include "Auditor.h"
#include "Exception.h"
#include "JsonAuditWriter.h"
#include "LedgerSession.h"
#include "NightBuilder.h"
#include "ScopedAuditWriter.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <map>

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
        out.night = audit ? Result<Night>::of(builder.night(dia)) : Result<Night>::failureOf(audit);
    } catch (const Exception &e) {
        out.night = Result<Night>::failure(e.message());
    } catch (const std::exception &e) {
        out.night = Result<Night>::failure(QString::fromUtf8(e.what()));
    }
    out.seconds = double(clock.nsecsElapsed()) / 1e9;
    if (out.night) {
        out.night.value().dia = dia;
        out.night.value().lidoEm = started;
        out.night.value().leituraSegundos = out.seconds;
    }
    return out;
}

namespace {
// The states of a period's nights, each night's entries to a builder of its own.
class NightsBuilder : public AuditWriter {
public:
    void entry(const AuditEntry &entry) override { m_days.try_emplace(entry.day, false).first->second.entry(entry); }
    void finish(const AuditTotals &totals) override { Q_UNUSED(totals) }
    Night night(const QDate &dia) const
    {
        const auto it = m_days.find(dia);
        return it == m_days.cend() ? NightBuilder(false).night(dia) : it->second.night(dia);
    }

private:
    std::map<QDate, NightBuilder> m_days;
};
} // namespace

NightsRead readNights(const QString &connectionString, const QList<QPair<QDate, QDate>> &periods)
{
    NightsRead out;
    QElapsedTimer clock;
    clock.start();
    const QDateTime started = QDateTime::currentDateTime();
    try {
        const Result<std::unique_ptr<LedgerSession>> session = LedgerSession::open(connectionString);
        out.nights = session ? Result<QList<Night>>::of({}) : Result<QList<Night>>::failureOf(session);
        for (const auto &[de, ate] : periods) {
            if (!out.nights)
                break;
            NightsBuilder builder;
            const Result<AuditTotals> audit = Auditor(*session.value(), builder).run({QString(), QString(), de, ate});
            if (!audit) {
                out.nights = Result<QList<Night>>::failureOf(audit);
                break;
            }
            for (QDate d = de; d <= ate; d = d.addDays(1))
                out.nights.value() << builder.night(d);
        }
    } catch (const Exception &e) {
        out.nights = Result<QList<Night>>::failure(e.message());
    } catch (const std::exception &e) {
        out.nights = Result<QList<Night>>::failure(QString::fromUtf8(e.what()));
    }
    out.seconds = double(clock.nsecsElapsed()) / 1e9;
    if (out.nights)
        for (Night &night : out.nights.value())
            night.lidoEm = started;
    return out;
}

AuditRead readAudit(const QString &connectionString, const AuditScope &scope, const BranchScope &within)
{
    try {
        const Result<std::unique_ptr<LedgerSession>> session = LedgerSession::open(connectionString);
        QByteArray json;
        QBuffer buffer(&json);
        buffer.open(QIODevice::WriteOnly);
        JsonAuditWriter all(buffer);
        ScopedAuditWriter scoped(all, within);
        AuditWriter &writer = within.everyBranch() ? static_cast<AuditWriter &>(all) : scoped;
        const Result<AuditTotals> audit = session ? Auditor(*session.value(), writer).run(scope)
                                                  : Result<AuditTotals>::failureOf(session);
        return audit ? AuditRead::of(json) : AuditRead::failureOf(audit);
    } catch (const Exception &e) {
        return AuditRead::failure(e.message());
    } catch (const std::exception &e) {
        return AuditRead::failure(QString::fromUtf8(e.what()));
    }
}

} // namespace NightReader
