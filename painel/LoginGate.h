#pragma once
// The door of the HTTPS service: HTTP Basic credentials checked against the
// users file without ever holding up the event loop. A check derives the
// password (PBKDF2, a quarter of a second at the default rounds) on a
// worker thread and calls back on the loop. A header already found right is
// remembered for five minutes by a keyed hash of it (the key random to the
// process; neither the header nor the password is kept). An address that
// keeps failing waits longer for each new check, up to 10 s; at most two
// checks of one address and 64 in all wait at a time, a request past that is
// told to come back later. Unknown users cost the same as known ones. A
// request let in comes with the branches its user sees, remembered with
// the header.
#include "BranchScope.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QThreadPool>
#include <functional>

class UsersFile;

class LoginGate : public QObject {
    Q_OBJECT
public:
    enum class Verdict { Allowed, Refused, Busy };
    // scope: the user's branches, when Allowed.
    using Callback = std::function<void(Verdict, const BranchScope &scope)>;

    static constexpr int RememberMs = 5 * 60 * 1000;
    static constexpr int MaxRemembered = 1024;
    static constexpr int MaxAddresses = 1024;
    static constexpr int MaxWaiting = 64;
    static constexpr int MaxWaitingPerAddress = 2;
    static constexpr int FirstBackOffMs = 250;
    static constexpr int MaxBackOffMs = 10000;
    // Failures older than this are forgotten.
    static constexpr int ForgetMs = 15 * 60 * 1000;

    LoginGate(const UsersFile &users, QObject *parent = nullptr);
    ~LoginGate() override;

    // The Authorization header of a request from peer; done is called on
    // this object's thread, at once or when the check ends.
    void check(const QByteArray &authorization, const QHostAddress &peer, Callback done);
    // Waits for the checks under way (at shutdown), at most until deadline.
    bool finish(QDeadlineTimer deadline);

private:
    struct Remembered {
        QDeadlineTimer until;
        BranchScope scope;
    };
    struct Address {
        int failures = 0;
        int waiting = 0;
        QDeadlineTimer nextCheck{0};
        QDeadlineTimer forget{ForgetMs};
    };
    Address &address(const QString &peer);
    const Remembered *remembered(const QByteArray &key) const;
    void remember(const QByteArray &key, const BranchScope &scope);
    void run(const QString &peer, const QByteArray &key, const QString &user, const QByteArray &password,
             Callback done);
    void ended(const QString &peer, const QByteArray &key, const Result<BranchScope> &right, const Callback &done);

    const UsersFile &m_users;
    QByteArray m_key;
    QHash<QByteArray, Remembered> m_remembered;
    QHash<QString, Address> m_addresses;
    int m_waiting = 0;
    QThreadPool m_pool;
};
