#pragma once
// kal02700-painel of this build as a process on a free loopback port, and a
// small HTTP/1.1 client to talk to it (plain or TLS, one request a
// connection, bounded waits).
#include <QByteArray>
#include <QHash>
#include <QProcess>
#include <QString>
#include <QDate>
#include <QStringList>
#include <memory>

struct HttpAnswer {
    int status = 0;                        // 0: no answer (the connection was dropped or never made)
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

class PainelProcess {
public:
    static constexpr int AnswerMs = 30000;

    // Starts the service with the arguments and --porta; empty error when it
    // listens.
    // The day the service's clock is pinned to when asked (libfaketime), far
    // from the data set's days: a night of "today" never meets them, whatever
    // day the suite runs.
    static inline const QDate ClockDay{2027, 6, 15};

    // pinned: the service's clock reads ClockDay at noon when it starts.
    explicit PainelProcess(const QStringList &arguments, bool tls = false, bool pinned = false);
    ~PainelProcess();

    QString error() const { return m_error; }
    quint16 port() const { return m_port; }
    QString url(const QString &path) const;

    // A whole request (request line, headers) sent as is.
    // plain: without TLS even when the service speaks it. waitMs: how long
    // the answer is waited for.
    HttpAnswer raw(const QByteArray &request, bool plain = false, int waitMs = AnswerMs) const;
    HttpAnswer get(const QString &path, const QByteArray &authorization = {}, int waitMs = AnswerMs) const;
    // Requests sent at once on one plain connection: the answers that came
    // (waiting for count of them); with closed, then waits for the service
    // to close the connection (10 s at most) and tells whether it did.
    QList<HttpAnswer> exchange(const QByteArray &requests, int count, bool *closed = nullptr) const;

    // SIGTERM (or the signal given); the exit status (-1 when it did not end
    // normally).
    int terminate(int signal = 15);
    QString log() const;

    // A program run to its end with the given standard input.
    static int run(const QString &program, const QStringList &arguments, const QByteArray &input, QByteArray *out,
                   QByteArray *err = nullptr, int timeoutMs = 60000);
    static QString program() { return QStringLiteral(KAL_PAINEL); }

private:
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    bool m_tls = false;
    QString m_error;
    mutable QByteArray m_log;
};
