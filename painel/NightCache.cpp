#include "NightCache.h"

#include <QDateTime>
#include <QtConcurrent/QtConcurrent>
#include <algorithm>
#include <cstdio>

namespace {
constexpr int MaxNights = 32;
constexpr int MaxAudits = 4;
constexpr int MinReadLimitMs = 10000;
constexpr int MaxReadLimitMs = 35000;
// Formatted answers kept per night: beyond it they are formatted afresh.
constexpr int MaxFormatted = 32;

void log(const QString &text)
{
    std::fprintf(stderr, "%s %s\n", qPrintable(QDateTime::currentDateTime().toString(Qt::ISODate)),
                 QString(text).replace(QLatin1Char('\n'), QStringLiteral(" — ")).toUtf8().constData());
    std::fflush(stderr);
}
} // namespace

QByteArray FormattedNight::value(const QString &key, const std::function<QByteArray()> &format)
{
    if (const auto it = m_answers.constFind(key); it != m_answers.cend())
        return *it;
    const QByteArray out = format();
    if (m_answers.size() >= MaxFormatted)
        m_answers.clear();
    m_answers.insert(key, out);
    return out;
}

NightCache::NightCache(QString connectionString, int periodSeconds, QTime virada, QObject *parent)
    : QObject(parent), m_connectionString(std::move(connectionString)), m_periodMs(periodSeconds * 1000),
      m_readLimitMs(std::clamp(m_periodMs, MinReadLimitMs, MaxReadLimitMs)), m_virada(virada)
{
    // One read at a time (each in parts of the branches, a session a part).
    m_pool.setMaxThreadCount(1);
    // The current night is kept read, so that /saude and the metrics follow
    // the database even when nobody looks at the page.
    m_timer.setInterval(m_periodMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { night(currentNight(), [](const NightAnswer &) {}); });
    m_timer.start();
    m_watch.setInterval(1000);
    connect(&m_watch, &QTimer::timeout, this, &NightCache::watchReads);
    m_watch.start();
    QTimer::singleShot(0, this, [this] { night(currentNight(), [](const NightAnswer &) {}); });
}

NightCache::~NightCache()
{
    m_pool.waitForDone();
}

bool NightCache::finishReads(QDeadlineTimer deadline)
{
    m_timer.stop();
    m_watch.stop();
    return m_pool.waitForDone(int(std::clamp<qint64>(deadline.remainingTime(), 0, 60000)));
}

QDate NightCache::currentNight() const
{
    return Night::current(QDateTime::currentDateTime(), m_virada);
}

void NightCache::night(const QDate &dia, NightCallback callback)
{
    evict();
    Entry &entry = m_entries[dia];
    entry.used = ++m_uses;
    if (entry.night) {
        callback(answerOf(entry));
        if (!entry.reading && entry.nextRead.hasExpired())
            startRead(dia, entry);
        return;
    }
    if (entry.late || (!entry.reading && !entry.nextRead.hasExpired())) {
        // Its read failed inside this period, or hangs: not asked again
        // before the next.
        callback(answerOf(entry));
        return;
    }
    entry.waiting << std::move(callback);
    if (!entry.reading)
        startRead(dia, entry);
}

void NightCache::startRead(const QDate &dia, Entry &entry)
{
    entry.reading = true;
    entry.late = false;
    entry.overdue.setRemainingTime(m_readLimitMs);
    entry.nextRead.setRemainingTime(m_periodMs);
    ++m_reads;
    const QString connection = m_connectionString;
    QtConcurrent::run(&m_pool, [connection, dia] {
        return NightReader::readNight(connection, dia);
    }).then(this, [this, dia](const NightRead &read) { finished(dia, read); });
}

void NightCache::finished(const QDate &dia, const NightRead &read)
{
    m_lastReadSeconds = read.seconds;
    if (read.night && !m_available)
        log(QStringLiteral("Banco disponível de novo."));
    if (read.night)
        m_available = true;
    else
        setUnavailable(read.night.error(), QTime::currentTime());
    m_answered = true;
    Entry &entry = m_entries[dia];
    entry.reading = false;
    entry.late = false;
    if (read.night) {
        entry.night = read.night.value();
        entry.formatted = std::make_shared<FormattedNight>();
        emit nightRead(*entry.night);
    }
    const QList<NightCallback> waiting = std::move(entry.waiting);
    entry.waiting.clear();
    const NightAnswer answer = answerOf(entry);
    for (const NightCallback &callback : waiting)
        callback(answer);
}

void NightCache::setUnavailable(const QString &reason, const QTime &since)
{
    if (m_available || !m_answered) {
        m_unavailableSince = since;
        log(QStringLiteral("Banco indisponível: %1").arg(reason));
    }
    m_available = false;
    m_reason = reason;
}

void NightCache::watchReads()
{
    QList<std::pair<NightAnswer, QList<NightCallback>>> late;
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (!it->reading || it->late || !it->overdue.hasExpired())
            continue;
        it->late = true;
        // Unavailable since the read began.
        setUnavailable(QStringLiteral("sem resposta do banco há mais de %1 s").arg(m_readLimitMs / 1000),
                       QTime::currentTime().addMSecs(-m_readLimitMs));
        m_answered = true;
        late.append({answerOf(*it), std::move(it->waiting)});
        it->waiting.clear();
    }
    // Called once the entries are left alone: a callback may ask again.
    for (const auto &[answer, waiting] : late)
        for (const NightCallback &callback : waiting)
            callback(answer);
}

NightAnswer NightCache::answerOf(const Entry &entry) const
{
    NightAnswer answer;
    answer.night = entry.night;
    answer.formatted = entry.formatted;
    if (!m_available) {
        answer.banco =
            QStringLiteral("indisponível desde %1").arg(m_unavailableSince.toString(QStringLiteral("HH:mm:ss")));
        answer.error = QStringLiteral("banco %1: %2").arg(answer.banco, m_reason);
    }
    return answer;
}

void NightCache::evict()
{
    while (m_entries.size() >= MaxNights) {
        auto oldest = m_entries.end();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
            if (!it->reading && it->waiting.isEmpty() && (oldest == m_entries.end() || it->used < oldest->used))
                oldest = it;
        if (oldest == m_entries.end())
            return;
        m_entries.erase(oldest);
    }
}

bool NightCache::audit(const AuditScope &scope, const BranchScope &within, AuditCallback callback)
{
    if (m_audits >= MaxAudits)
        return false;
    ++m_audits;
    const QString connection = m_connectionString;
    QtConcurrent::run(&m_pool, [connection, scope, within] {
        return NightReader::readAudit(connection, scope, within);
    }).then(this, [this, callback = std::move(callback)](const AuditRead &read) {
        --m_audits;
        callback(read);
    });
    return true;
}
