#include "LoginGate.h"
#include "UsersFile.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QTimer>
#include <QtConcurrent/QtConcurrent>
#include <algorithm>

namespace {
// The wait before an address's next check after so many failures in a row.
qint64 backOffMs(int failures)
{
    if (failures <= 0)
        return 0;
    return std::min<qint64>(qint64(LoginGate::FirstBackOffMs) << std::min(failures - 1, 16), LoginGate::MaxBackOffMs);
}
} // namespace

LoginGate::LoginGate(const UsersFile &users, QObject *parent) : QObject(parent), m_users(users), m_key(32, '\0')
{
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(m_key.data()), m_key.size() / 4);
    // The event loop keeps a core of its own.
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() / 2));
}

LoginGate::~LoginGate()
{
    m_pool.waitForDone();
}

bool LoginGate::finish(QDeadlineTimer deadline)
{
    return m_pool.waitForDone(int(std::clamp<qint64>(deadline.remainingTime(), 0, 60000)));
}

void LoginGate::check(const QByteArray &authorization, const QHostAddress &peer, Callback done)
{
    const QByteArray header = authorization.trimmed();
    const auto decoded = QByteArray::fromBase64Encoding(header.mid(6).trimmed(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    const qsizetype colon = decoded ? decoded.decoded.indexOf(':') : -1;
    // No credentials at all: nothing to check, nothing held against anyone.
    if (!header.startsWith("Basic ") || colon < 0)
        return done(Verdict::Refused, {});
    const QByteArray key = QMessageAuthenticationCode::hash(header, m_key, QCryptographicHash::Sha256);
    if (const Remembered *known = remembered(key))
        return done(Verdict::Allowed, known->scope);
    const QString from = peer.toString();
    Address &a = address(from);
    if (m_waiting >= MaxWaiting || a.waiting >= MaxWaitingPerAddress)
        return done(Verdict::Busy, {});
    ++m_waiting;
    ++a.waiting;
    // Checks of one address run one after the other, spaced by its failures.
    const qint64 waitMs = a.nextCheck.remainingTime();
    a.nextCheck.setRemainingTime(waitMs + backOffMs(a.failures));
    const QString user = QString::fromUtf8(decoded.decoded.left(colon));
    const QByteArray password = decoded.decoded.mid(colon + 1);
    QTimer::singleShot(int(waitMs), this, [this, from, key, user, password, done = std::move(done)] {
        run(from, key, user, password, done);
    });
}

void LoginGate::run(const QString &peer, const QByteArray &key, const QString &user, const QByteArray &password,
                    Callback done)
{
    const UsersFile *users = &m_users;
    QtConcurrent::run(&m_pool, [users, user, password] {
        return users->verify(user, password);
    }).then(this, [this, peer, key, done = std::move(done)](const Result<BranchScope> &right) {
        ended(peer, key, right, done);
    });
}

void LoginGate::ended(const QString &peer, const QByteArray &key, const Result<BranchScope> &right,
                      const Callback &done)
{
    --m_waiting;
    Address &a = address(peer);
    --a.waiting;
    a.forget.setRemainingTime(ForgetMs);
    if (right) {
        a.failures = 0;
        remember(key, right.value());
        return done(Verdict::Allowed, right.value());
    }
    ++a.failures;
    a.nextCheck.setRemainingTime(std::max(a.nextCheck.remainingTime(), backOffMs(a.failures)));
    done(Verdict::Refused, {});
}

LoginGate::Address &LoginGate::address(const QString &peer)
{
    auto it = m_addresses.find(peer);
    if (it != m_addresses.end()) {
        if (it->waiting == 0 && it->forget.hasExpired())
            *it = Address();
        return *it;
    }
    if (m_addresses.size() >= MaxAddresses) {
        // The address nearest to being forgotten makes room (never one with
        // a check under way: there are fewer of those than places).
        auto oldest = m_addresses.end();
        for (auto i = m_addresses.begin(); i != m_addresses.end(); ++i)
            if (i->waiting == 0
                && (oldest == m_addresses.end() || i->forget.remainingTime() < oldest->forget.remainingTime()))
                oldest = i;
        if (oldest != m_addresses.end())
            m_addresses.erase(oldest);
    }
    return m_addresses[peer];
}

const LoginGate::Remembered *LoginGate::remembered(const QByteArray &key) const
{
    const auto it = m_remembered.constFind(key);
    return it != m_remembered.cend() && !it->until.hasExpired() ? &*it : nullptr;
}

void LoginGate::remember(const QByteArray &key, const BranchScope &scope)
{
    if (m_remembered.size() >= MaxRemembered) {
        for (auto it = m_remembered.begin(); it != m_remembered.end();)
            it = it->until.hasExpired() ? m_remembered.erase(it) : std::next(it);
        if (m_remembered.size() >= MaxRemembered) {
            auto soonest = std::min_element(m_remembered.begin(), m_remembered.end(),
                                            [](const Remembered &x, const Remembered &y) {
                                                return x.until.remainingTime() < y.until.remainingTime();
                                            });
            m_remembered.erase(soonest);
        }
    }
    m_remembered.insert(key, Remembered{QDeadlineTimer(RememberMs), scope});
}
