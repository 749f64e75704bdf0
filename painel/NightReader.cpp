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
#include <QMap>

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
// The states of a period's nights, as NightBuilder gives them night by night,
// kept as the marks of each entry rather than its findings: a month of a
// chain is tens of megabytes of findings and a few of marks.
class NightsBuilder : public AuditWriter {
public:
    void entry(const AuditEntry &entry) override
    {
        Register &reg = m_days[entry.day][{entry.cdFilial, entry.cdCaixa}];
        NightRegister::Marks marks;
        marks.add(entry.findings);
        if (!entry.reduction) {
            reg.day.add(marks);
            return;
        }
        reg.rows.append({entry.reduction->nrEcf, entry.reduction->serial, marks});
    }
    void finish(const AuditTotals &totals) override { Q_UNUSED(totals) }

    // A night's registers with their states, without their findings.
    Night night(const QDate &dia) const
    {
        Night night;
        night.dia = dia;
        const auto day = m_days.constFind(dia);
        if (day == m_days.cend())
            return night;
        for (auto it = day->cbegin(); it != day->cend(); ++it) {
            if (night.filiais.isEmpty() || night.filiais.last().cdFilial != it.key().first)
                night.filiais << NightBranch{it.key().first, {}};
            NightRegister reg;
            reg.cdCaixa = it.key().second;
            if (it->rows.isEmpty()) {
                reg.estado = NightRegister::stateOf(false, it->day);
                night.filiais.last().caixas << reg;
            }
            for (const Row &row : it->rows) {
                NightRegister::Marks marks = row.marks;
                marks.add(it->day);
                reg.hasReduction = true;
                reg.nrEcf = row.nrEcf;
                reg.serial = row.serial;
                reg.estado = NightRegister::stateOf(true, marks);
                night.filiais.last().caixas << reg;
            }
        }
        return night;
    }

private:
    struct Row {
        QString nrEcf, serial;
        NightRegister::Marks marks;
    };
    struct Register {
        QList<Row> rows;
        NightRegister::Marks day; // of its day's findings that name no row
    };
    QMap<QDate, QMap<QPair<QString, QString>, Register>> m_days;
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
