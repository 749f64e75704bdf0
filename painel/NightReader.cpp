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
#include <QThread>
#include <algorithm>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace NightReader {

namespace {
// The entries of every part's audit to one writer, one at a time. The
// night's builders keep entries alone, each register's in its part's order:
// the parts' beginnings, sections and totals are not theirs.
class SharedEntries : public AuditWriter {
public:
    explicit SharedEntries(AuditWriter &writer) : m_writer(writer) {}
    void entry(const AuditEntry &entry) override
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_writer.entry(entry);
    }
    void finish(const AuditTotals &totals) override { Q_UNUSED(totals) }

private:
    AuditWriter &m_writer;
    std::mutex m_mutex;
};

// As many parts as the machine has cores, at most four: each part one more
// session on the database.
int partsToRead()
{
    return std::clamp(QThread::idealThreadCount(), 1, 4);
}

// The audit of the period from de to ate, every branch, into writer: the
// branches cut into parts, each part's audit in a session and snapshot of
// its own and a thread of its own (the first in this one), so that a night
// of a chain takes every core. Each branch is read whole in one snapshot;
// two branches may be read a few milliseconds apart.
Result<NoValue> auditInParts(LedgerSession &session, const QString &connectionString, const QDate &de, const QDate &ate,
                             AuditWriter &writer)
{
    const Result<QStringList> cuts = Auditor::cuts(session, de, ate, partsToRead());
    if (!cuts)
        return Result<NoValue>::failureOf(cuts);
    SharedEntries shared(writer);
    const auto scopeOf = [&](qsizetype part) {
        AuditScope scope{QString(), QString(), de, ate};
        if (part > 0)
            scope.filiaisDe = cuts.value().at(part - 1);
        if (part < cuts.value().size())
            scope.filiaisAntes = cuts.value().at(part);
        return scope;
    };
    const qsizetype parts = cuts.value().size() + 1;
    std::vector<Result<AuditTotals>> results(size_t(parts), Result<AuditTotals>::failure(QString()));
    // A part whose thread or session could not be had (a server at its
    // limit of connections) is read after the first, in the first's session.
    std::vector<char> inFirst(size_t(parts), 0);
    const auto auditPart = [&](LedgerSession &in, qsizetype part) {
        results[size_t(part)] = Auditor(in, shared).run(scopeOf(part));
    };
    // A thread's part, in a session of its own. Opening and auditing give
    // their failures as results; anything else must not end the process.
    const auto readPart = [&](qsizetype part) {
        try {
            const Result<std::unique_ptr<LedgerSession>> own = LedgerSession::open(connectionString);
            if (own)
                auditPart(*own.value(), part);
            else
                inFirst[size_t(part)] = 1;
        } catch (const std::exception &e) {
            results[size_t(part)] = Result<AuditTotals>::failure(QString::fromUtf8(e.what()));
        }
    };
    std::vector<std::thread> others;
    for (qsizetype part = 1; part < parts; ++part) {
        try {
            others.emplace_back(readPart, part);
        } catch (const std::system_error &) {
            inFirst[size_t(part)] = 1;
        }
    }
    const auto joinOthers = [&] {
        for (std::thread &t : others)
            if (t.joinable())
                t.join();
    };
    try {
        auditPart(session, 0);
        joinOthers();
        for (qsizetype part = 1; part < parts; ++part)
            if (inFirst[size_t(part)] && results[0])
                auditPart(session, part);
    } catch (...) {
        joinOthers();
        throw;
    }
    for (const Result<AuditTotals> &result : results)
        if (!result)
            return Result<NoValue>::failureOf(result);
    return Result<NoValue>::of({});
}
} // namespace

NightRead readNight(const QString &connectionString, const QDate &dia)
{
    NightRead out;
    QElapsedTimer clock;
    clock.start();
    const QDateTime started = QDateTime::currentDateTime();
    try {
        const Result<std::unique_ptr<LedgerSession>> session = LedgerSession::open(connectionString);
        NightBuilder builder;
        const Result<NoValue> audit = session ? auditInParts(*session.value(), connectionString, dia, dia, builder)
                                              : Result<NoValue>::failureOf(session);
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
            const Result<NoValue> audit = auditInParts(*session.value(), connectionString, de, ate, builder);
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
