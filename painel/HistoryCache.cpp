#include "HistoryCache.h"
#include "NightCache.h"

#include <QtConcurrent/QtConcurrent>

namespace {
constexpr int MaxWaiting = 64;
// The nights of one read: as many as one request may ask, so that one read
// of a chain stays within a couple of hundred megabytes.
constexpr int MaxNightsPerRead = HistoryCache::MaxNightsAsked;
} // namespace

HistoryCache::HistoryCache(NightCache &nights, QString connectionString, int periodSeconds, QObject *parent)
    : QObject(parent), m_nights(nights), m_connectionString(std::move(connectionString)),
      m_periodMs(periodSeconds * 1000)
{
    m_pool.setMaxThreadCount(1);
    connect(&m_nights, &NightCache::nightRead, this, [this](const Night &night) { m_store.put(night); });
    m_watch.setInterval(1000);
    connect(&m_watch, &QTimer::timeout, this, &HistoryCache::watchRead);
    m_watch.start();
    // The page's default strips are read at the start, beside the night:
    // the first manager to open the page does not wait for them.
    QTimer::singleShot(0, this, [this] {
        const QDate ate = m_nights.currentNight();
        history(ate.addDays(1 - DefaultNights), ate, BranchScope(), QString(), Callback());
    });
}

bool HistoryCache::history(const QDate &de, const QDate &ate, const BranchScope &scope, const QString &cdFilial,
                           Callback callback)
{
    m_store.evict(de, ate);
    if (m_store.missing(de, ate).isEmpty()) {
        if (callback)
            callback(HistoryAnswer::of(m_store.json(de, ate, scope, cdFilial)));
        return true;
    }
    if (m_late || (!m_reading && !m_retry.hasExpired())) {
        if (callback)
            callback(HistoryAnswer::failure(m_failure));
        return true;
    }
    if (m_waiting.size() >= MaxWaiting)
        return false;
    m_waiting << Waiting{de, ate, scope, cdFilial, std::move(callback)};
    if (!m_reading)
        startRead();
    return true;
}

bool HistoryCache::finishReads(QDeadlineTimer deadline)
{
    m_watch.stop();
    return m_pool.waitForDone(int(std::clamp<qint64>(deadline.remainingTime(), 0, 60000)));
}

void HistoryCache::startRead()
{
    // The nights the waiting requests need, at most MaxNightsPerRead: the
    // first request's all, the others' as they fit.
    QList<QPair<QDate, QDate>> periods;
    qint64 nights = 0;
    for (const Waiting &w : m_waiting) {
        const QList<QPair<QDate, QDate>> missing = m_store.missing(w.de, w.ate);
        for (const auto &[de, ate] : missing) {
            const bool taken = std::any_of(periods.cbegin(), periods.cend(),
                                           [&](const auto &p) { return p.first <= de && ate <= p.second; });
            if (!taken && nights + de.daysTo(ate) + 1 <= MaxNightsPerRead) {
                periods.append({de, ate});
                nights += de.daysTo(ate) + 1;
            }
        }
    }
    if (periods.isEmpty())
        return answer(QString());
    m_reading = true;
    m_late = false;
    m_overdue.setRemainingTime(m_nights.readLimitMs());
    const QString connection = m_connectionString;
    QtConcurrent::run(&m_pool, [connection, periods] {
        return NightReader::readNights(connection, periods);
    }).then(this, [this](const NightsRead &read) { finished(read); });
}

void HistoryCache::finished(const NightsRead &read)
{
    m_reading = false;
    m_late = false;
    if (!read.nights) {
        m_failure = QStringLiteral("banco indisponível: ") + read.nights.error();
        m_retry.setRemainingTime(m_periodMs);
        return answer(m_failure);
    }
    // A night the cache read meanwhile is newer than this one.
    for (const Night &night : read.nights.value())
        if (!m_store.has(night.dia))
            m_store.put(night);
    answer(QString());
}

// Answers the requests whose nights are all kept (every one, with the
// failure, when there is one), and reads for the others.
void HistoryCache::answer(const QString &failure)
{
    QList<std::pair<Callback, HistoryAnswer>> ready;
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        if (failure.isEmpty() && !m_store.missing(it->de, it->ate).isEmpty()) {
            ++it;
            continue;
        }
        // A read at the start waits for nobody: nothing to format.
        if (it->callback)
            ready.append({std::move(it->callback),
                          failure.isEmpty() ? HistoryAnswer::of(m_store.json(it->de, it->ate, it->scope, it->cdFilial))
                                            : HistoryAnswer::failure(failure)});
        it = m_waiting.erase(it);
    }
    if (!m_waiting.isEmpty()) {
        m_store.evict(m_waiting.first().de, m_waiting.first().ate);
        startRead();
    } else {
        m_store.evict(QDate(), QDate());
    }
    // Called once the list is left alone: a callback may ask again.
    for (const auto &[callback, result] : ready)
        callback(result);
}

void HistoryCache::watchRead()
{
    if (!m_reading || m_late || !m_overdue.hasExpired())
        return;
    m_late = true;
    m_failure =
        QStringLiteral("banco indisponível: sem resposta do banco há mais de %1 s").arg(m_nights.readLimitMs() / 1000);
    QList<Waiting> waiting = std::move(m_waiting);
    m_waiting.clear();
    for (const Waiting &w : waiting)
        if (w.callback)
            w.callback(HistoryAnswer::failure(m_failure));
}
