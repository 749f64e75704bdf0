#include "Auditor.h"
#include "AuditRules.h"
#include "Cat52Check.h"
#include "Cat52FileStore.h"
#include "Cat52Record.h"
#include "ForwardQuery.h"
#include "Guarded.h"
#include "LedgerSession.h"
#include "LedgerValues.h"
#include "ReductionReader.h"
#include "StoredFileReader.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <optional>
#include <vector>

namespace {

using RegisterKey = QPair<QString, QString>; // branch, register

struct RowKey {
    QString cdFilial, cdCaixa, nrEcf;
    QDate day;
    bool operator==(const RowKey &o) const
    {
        return day == o.day && nrEcf == o.nrEcf && cdCaixa == o.cdCaixa && cdFilial == o.cdFilial;
    }
};

size_t qHash(const RowKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.cdFilial, key.cdCaixa, key.nrEcf, key.day);
}

// What the register's days say, gathered before the chains are walked: few
// rows (anomalies only), each to be told beside the day or row it is about.
struct DayFindings {
    // Days without a Z reduction, by register and day.
    QMap<RegisterKey, QMap<QDate, AuditEntry>> days;
    // CAT-52 files held against a stored row.
    QHash<RowKey, QList<Finding>> rows;
    // Rows whose register and day hold CAT-52 files, none of them with an
    // E12 of the row's printer serial.
    QSet<RowKey> withoutOwnFile;

    void addDay(const Finding &finding)
    {
        AuditEntry &entry = days[{finding.cdFilial, finding.cdCaixa}][finding.day];
        entry.cdFilial = finding.cdFilial;
        entry.cdCaixa = finding.cdCaixa;
        entry.day = finding.day;
        entry.findings.append(finding);
    }
};

RowKey keyOf(const Reduction &r)
{
    return {r.cdFilial, r.cdCaixa, r.nrEcf, r.day};
}

ForwardQuery::Parameters parametersOf(const AuditScope &scope)
{
    return {{QStringLiteral("de"), scope.de},
            {QStringLiteral("ate"), scope.ate},
            {QStringLiteral("depois"), scope.ate.addDays(1)},
            {QStringLiteral("cdfilial"), scope.cdFilial},
            {QStringLiteral("cdcaixa"), scope.cdCaixa},
            {QStringLiteral("filiaisde"), scope.filiaisDe},
            {QStringLiteral("filiaisantes"), scope.filiaisAntes}};
}

void readDaysWithoutReduction(LedgerSession &session, const AuditScope &scope, DayFindings &out)
{
    const std::unique_ptr<ForwardQuery> rows = Guarded::take(
        ForwardQuery::run(session, QStringLiteral("movimentos-sem-reducao"), parametersOf(scope)));
    const ForwardQuery &q = *rows;
    while (Guarded::take(rows->next())) {
        const QDate day = q.date(2);
        out.addDay(AuditRules::dayFinding(
            "DIA_SEM_REDUCAO", q.text(0), q.text(1), day,
            QStringLiteral("movimento de caixa em %1 sem Redução Z gravada").arg(LedgerValues::displayDay(day))));
    }
}

void checkFile(const StoredFile &file, DayFindings &out)
{
    // A row without content is no file: the day counts as without one.
    if (file.content.isEmpty())
        return;
    const Cat52Check check = Cat52Check::of(file.content, file.candidates);
    if (check.ok)
        return;
    Finding f = AuditRules::dayFinding("CAT52_DIVERGENTE", file.cdFilial, file.cdCaixa, file.day,
                                       QStringLiteral("arquivo %1: %2").arg(file.name, check.describe()));
    if (!check.differences.isEmpty()) {
        f.values = Finding::Values::Text;
        f.expectedText = check.expected();
        f.foundText = check.found();
    }
    if (check.reduction < 0) {
        out.addDay(f);
        return;
    }
    const Reduction &row = file.candidates.at(check.reduction);
    f.nrEcf = row.nrEcf;
    f.serial = row.serial;
    out.rows[keyOf(row)].append(f);
}

// The files of one register and day, which come one after another: which
// of the day's Z reductions got a file of their own printer.
class RegisterDayFiles {
public:
    explicit RegisterDayFiles(DayFindings &out) : m_out(out) {}

    void add(const StoredFile &file)
    {
        if (file.cdFilial != m_cdFilial || file.cdCaixa != m_cdCaixa || file.day != m_day)
            close();
        m_cdFilial = file.cdFilial;
        m_cdCaixa = file.cdCaixa;
        m_day = file.day;
        m_candidates = file.candidates;
        if (file.content.isEmpty())
            return;
        m_anyContent = true;
        if (const std::optional<E12Record> e12 = Cat52Record::findE12(file.content))
            m_serials << e12->serial;
    }

    // The day's rows that no file is of, once the day's last file is in.
    void close()
    {
        if (m_anyContent)
            for (const Reduction &r : m_candidates)
                if (!m_serials.contains(Cat52FileStore::fileSerialOf(r.serial)))
                    m_out.withoutOwnFile.insert(keyOf(r));
        m_candidates.clear();
        m_serials.clear();
        m_anyContent = false;
    }

private:
    DayFindings &m_out;
    QString m_cdFilial, m_cdCaixa;
    QDate m_day;
    QList<Reduction> m_candidates;
    QSet<QString> m_serials;
    bool m_anyContent = false;
};

void readStoredFiles(LedgerSession &session, const AuditScope &scope, DayFindings &out)
{
    // The heads of files can be large: few of them per fetch.
    StoredFileReader files = Guarded::take(
        StoredFileReader::read(session, QStringLiteral("cat52-verificacao"), parametersOf(scope), 16));
    StoredFile file;
    RegisterDayFiles day(out);
    while (Guarded::take(files.next(file))) {
        checkFile(file, out);
        day.add(file);
    }
    day.close();
}

class Walk {
public:
    Walk(AuditWriter &writer, const AuditScope &scope, DayFindings &days)
        : m_writer(writer), m_scope(scope), m_days(days),
          m_dayTaken(size_t(std::max<qint64>(0, scope.de.daysTo(scope.ate) + 1)), false)
    {
    }

    void row(const Reduction &r)
    {
        if (!m_inChain || m_chainFilial != r.cdFilial || m_chainSerial != r.serial)
            startChain(r);
        const bool inScope = r.day >= m_scope.de && r.day <= m_scope.ate
                             && (m_scope.cdCaixa.isEmpty() || r.cdCaixa == m_scope.cdCaixa);
        // The rows without a serial share a section, each a chain of its own;
        // a row with a zero or empty CRZ has no place in its chain: its
        // neighbours are compared with each other.
        const bool linked = r.hasSerial() && r.crz > 0;
        if (inScope)
            check(r, m_previous && linked ? &*m_previous : nullptr);
        if (linked)
            m_previous = r;
    }

    AuditTotals finish()
    {
        closeSection();
        // Findings of rows the walk did not meet, told as days.
        for (auto it = m_days.rows.cbegin(); it != m_days.rows.cend(); ++it)
            for (const Finding &f : it.value())
                m_days.addDay(f);
        m_days.rows.clear();
        for (auto reg = m_days.days.begin(); reg != m_days.days.end(); ++reg) {
            if (reg.value().isEmpty())
                continue;
            AuditSection section;
            section.cdFilial = reg.key().first;
            section.chain = false;
            section.cdCaixa = reg.key().second;
            m_writer.beginSection(section);
            for (const AuditEntry &entry : reg.value())
                emitEntry(entry);
            m_writer.endSection();
        }
        m_days.days.clear();
        return m_totals;
    }

private:
    void check(const Reduction &row, const Reduction *previous)
    {
        openSection(row);
        flushDaysBefore(row.cdFilial, row.cdCaixa, row.day);
        // The day's findings about files are few: most rows look up nothing.
        const bool aboutFiles = !m_days.withoutOwnFile.isEmpty() || !m_days.rows.isEmpty();
        const RowKey key = aboutFiles ? keyOf(row) : RowKey();
        std::optional<Reduction> withoutOwn;
        if (aboutFiles && m_days.withoutOwnFile.remove(key)) {
            withoutOwn = row;
            withoutOwn->hasCat52 = false;
        }
        const Reduction &r = withoutOwn ? *withoutOwn : row;
        AuditEntry entry;
        entry.reduction = &r;
        entry.cdFilial = r.cdFilial;
        entry.cdCaixa = r.cdCaixa;
        entry.day = r.day;
        AuditRules::checkRow(previous, r, entry.findings);
        const auto files = aboutFiles ? m_days.rows.find(key) : m_days.rows.end();
        if (files != m_days.rows.end()) {
            entry.findings += *files;
            m_days.rows.erase(files);
        }
        ++m_totals.reductions;
        const qint64 offset = m_scope.de.daysTo(r.day);
        if (!m_dayTaken[size_t(offset)]) {
            m_dayTaken[size_t(offset)] = true;
            ++m_totals.days;
        }
        emitEntry(entry);
    }

    void startChain(const Reduction &r)
    {
        closeSection();
        m_previous.reset();
        m_inChain = true;
        m_chainFilial = r.cdFilial;
        m_chainSerial = r.serial;
    }

    void openSection(const Reduction &r)
    {
        if (m_sectionOpen)
            return;
        AuditSection section;
        section.cdFilial = r.cdFilial;
        section.serial = r.serial;
        m_writer.beginSection(section);
        m_sectionOpen = true;
    }

    void closeSection()
    {
        if (m_sectionOpen)
            m_writer.endSection();
        m_sectionOpen = false;
    }

    // A register's days without a Z reduction are told before its next
    // stored day.
    void flushDaysBefore(const QString &cdFilial, const QString &cdCaixa, const QDate &day)
    {
        if (m_days.days.isEmpty())
            return;
        const auto reg = m_days.days.find({cdFilial, cdCaixa});
        if (reg == m_days.days.end())
            return;
        while (!reg->isEmpty() && reg->firstKey() < day) {
            emitEntry(reg->first());
            reg->erase(reg->begin());
        }
    }

    void emitEntry(const AuditEntry &entry)
    {
        for (const Finding &f : entry.findings)
            ++(f.severity == Severity::Erro ? m_totals.errors : m_totals.warnings);
        m_writer.entry(entry);
    }

    AuditWriter &m_writer;
    const AuditScope &m_scope;
    DayFindings &m_days;
    std::optional<Reduction> m_previous;
    bool m_inChain = false;
    QString m_chainFilial, m_chainSerial;
    bool m_sectionOpen = false;
    std::vector<bool> m_dayTaken;
    AuditTotals m_totals;
};

} // namespace

Auditor::Auditor(LedgerSession &session, AuditWriter &writer, Progress *progress)
    : m_session(session), m_writer(writer), m_progress(progress)
{
}

Result<AuditTotals> Auditor::run(const AuditScope &scope)
{
    return Guarded::run([&] { return audit(scope); });
}

Result<QStringList> Auditor::cuts(LedgerSession &session, const QDate &de, const QDate &ate, int parts)
{
    return Guarded::run([&] {
        QStringList branches;
        if (parts <= 1)
            return branches; // one part: nothing to cut, nothing to read
        Guarded::take(session.beginSnapshot());
        {
            const std::unique_ptr<ForwardQuery> rows = Guarded::take(
                ForwardQuery::run(session, QStringLiteral("filiais-do-periodo"),
                                  {{QStringLiteral("de"), de}, {QStringLiteral("ate"), ate}}));
            while (Guarded::take(rows->next()))
                branches << rows->text(0);
        }
        Guarded::take(session.endSnapshot());
        QStringList out;
        const qsizetype n = branches.size();
        for (int part = 1; part < parts; ++part) {
            const qsizetype at = n * part / parts;
            if (at > 0 && at < n && (out.isEmpty() || out.constLast() != branches.at(at)))
                out << branches.at(at);
        }
        return out;
    });
}

AuditTotals Auditor::audit(const AuditScope &scope)
{
    Guarded::take(m_session.beginSnapshot());
    DayFindings days;
    readDaysWithoutReduction(m_session, scope, days);
    readStoredFiles(m_session, scope, days);

    m_writer.begin(scope);
    Walk walk(m_writer, scope, days);
    {
        const std::unique_ptr<ReductionReader> reader = Guarded::take(ReductionReader::read(
            m_session, QStringLiteral("reducoes-cadeia"), QStringLiteral("impostos-cadeia"), parametersOf(scope)));
        Reduction r;
        qint64 rows = 0;
        while (Guarded::take(reader->next(r))) {
            walk.row(r);
            if (m_progress && (++rows & 1023) == 0)
                m_progress->update(reader->rowsRead(), r.cdFilial + QLatin1Char(' ') + LedgerValues::displayDay(r.day));
        }
    }
    Guarded::take(m_session.endSnapshot());
    if (m_progress)
        m_progress->done();
    const AuditTotals totals = walk.finish();
    m_writer.finish(totals);
    return totals;
}
