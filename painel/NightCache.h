#pragma once
// The nights read, and the one thread that reads them. A night is read at
// most once per period whatever the number of clients: the ones that come
// while it is read wait for that read, later ones get its answer (the same
// lido_em) until the period is over. A night already read is answered at
// once, also while the database is slow or down; it is read again behind it.
// A read that runs past its limit (the period, from 10 s to 35 s) is taken
// for a database that stopped answering: it is told so at once, and what
// waits for it is answered with it, while the read goes on behind.
#include "AuditWriter.h"
#include "Night.h"
#include "NightReader.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QThreadPool>
#include <QTime>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

// The answers formatted from one night read, by what tells them apart (the
// user's branches, the branch asked, the database's state): formatted once
// per read, not once per request. Gone with the night.
class FormattedNight {
public:
    QByteArray value(const QString &key, const std::function<QByteArray()> &format);

private:
    QHash<QString, QByteArray> m_answers;
};

struct NightAnswer {
    std::optional<Night> night;                // none: not read yet and the database did not answer
    QString banco;                             // "indisponível desde HH:mm:ss" while it does not answer
    QString error;                             // why, when there is no night
    std::shared_ptr<FormattedNight> formatted; // with the night
};

class NightCache : public QObject {
    Q_OBJECT
public:
    using NightCallback = std::function<void(const NightAnswer &)>;
    using AuditCallback = std::function<void(const AuditRead &)>;

    NightCache(QString connectionString, int periodSeconds, QTime virada, QObject *parent = nullptr);
    ~NightCache() override;

    QDate currentNight() const;
    // Calls back on this object's thread, at once when the night is at hand.
    void night(const QDate &dia, NightCallback callback);
    // Of the branches within (the user's). False (nothing called) when too
    // many audits wait already.
    bool audit(const AuditScope &scope, const BranchScope &within, AuditCallback callback);

    bool available() const { return m_available; }
    QString unavailableReason() const { return m_reason; }
    double lastReadSeconds() const { return m_lastReadSeconds; }
    qint64 reads() const { return m_reads; }
    // Waits for the read under way (at shutdown), at most until deadline:
    // false when it still runs (a read hung on a silent server).
    bool finishReads(QDeadlineTimer deadline);
    // How long a read may run before it is taken for a silent database.
    int readLimitMs() const { return m_readLimitMs; }

signals:
    // Each night read, as it is kept.
    void nightRead(const Night &night);

private:
    struct Entry {
        std::optional<Night> night;
        std::shared_ptr<FormattedNight> formatted;
        QDeadlineTimer nextRead{0};
        bool reading = false;
        QList<NightCallback> waiting;
        qint64 used = 0;
        QDeadlineTimer overdue; // while reading: when the read is past its limit
        bool late = false;      // its read ran past the limit and was told
    };
    void startRead(const QDate &dia, Entry &entry);
    void finished(const QDate &dia, const NightRead &read);
    NightAnswer answerOf(const Entry &entry) const;
    void evict();
    void watchReads();
    void setUnavailable(const QString &reason, const QTime &since);

    QString m_connectionString;
    int m_periodMs;
    int m_readLimitMs;
    QTime m_virada;
    QThreadPool m_pool;
    QTimer m_timer;
    QTimer m_watch;
    QHash<QDate, Entry> m_entries;
    qint64 m_uses = 0;
    qint64 m_reads = 0;
    int m_audits = 0;
    bool m_available = true;
    bool m_answered = false; // a read has finished
    QTime m_unavailableSince;
    QString m_reason;
    double m_lastReadSeconds = 0;
};
