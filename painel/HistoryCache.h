#pragma once
// The nights of the history, each read once: the nights a request needs and
// no other kept are read together, in a reading thread of the history's own
// (one connection of the ledger at a time, beside the night's: a month's
// read never holds up the night, /saude or the metrics), while the requests
// that need them wait; the night the cache reads each period replaces its own. A read that
// failed is not tried again before the next period; one past the read limit
// is told at once to whoever waits, as for the night. The default nights
// are read at the start.
#include "HistoryStore.h"
#include "NightReader.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <functional>

class NightCache;

// The JSON of /api/historico, or why there is none.
using HistoryAnswer = Result<QByteArray>;

class HistoryCache : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const HistoryAnswer &)>;
    // The nights the page shows and /api/historico gives by default.
    static constexpr int DefaultNights = 30;
    // The most nights one request may ask.
    static constexpr int MaxNightsAsked = 62;

    HistoryCache(NightCache &nights, QString connectionString, int periodSeconds, QObject *parent = nullptr);

    // Of the branches within scope, or cdFilial alone. False (nothing
    // called) when too many requests wait already.
    bool history(const QDate &de, const QDate &ate, const BranchScope &scope, const QString &cdFilial,
                 Callback callback);
    // Waits for the read under way (at shutdown), at most until deadline:
    // false when it still runs.
    bool finishReads(QDeadlineTimer deadline);

private:
    struct Waiting {
        QDate de, ate;
        BranchScope scope;
        QString cdFilial;
        Callback callback;
    };
    void startRead();
    void finished(const NightsRead &read);
    void answer(const QString &failure);
    void watchRead();

    NightCache &m_nights;
    QString m_connectionString;
    int m_periodMs;
    HistoryStore m_store;
    QList<Waiting> m_waiting;
    bool m_reading = false;
    bool m_late = false;
    QDeadlineTimer m_overdue;
    QDeadlineTimer m_retry{0};
    QString m_failure;
    QTimer m_watch;
    QThreadPool m_pool;
};
