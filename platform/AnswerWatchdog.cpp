#include "AnswerWatchdog.h"

#include <algorithm>

#include <sys/socket.h>

AnswerWatchdog &AnswerWatchdog::instance()
{
    static AnswerWatchdog watchdog;
    return watchdog;
}

AnswerWatchdog::~AnswerWatchdog()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

quint64 AnswerWatchdog::arm(int socket, qint64 timeoutMs, std::shared_ptr<std::atomic_bool> timedOut)
{
    return add(Wait{socket, {}, Clock::now() + std::chrono::milliseconds(timeoutMs), std::move(timedOut)});
}

quint64 AnswerWatchdog::arm(std::function<int()> findSocket, qint64 timeoutMs,
                            std::shared_ptr<std::atomic_bool> timedOut)
{
    return add(
        Wait{-1, std::move(findSocket), Clock::now() + std::chrono::milliseconds(timeoutMs), std::move(timedOut)});
}

quint64 AnswerWatchdog::add(Wait wait)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_thread.joinable())
        m_thread = std::thread([this] { watch(); });
    const quint64 ticket = ++m_lastTicket;
    m_waits.emplace(ticket, std::move(wait));
    m_wake.notify_all();
    return ticket;
}

void AnswerWatchdog::disarm(quint64 ticket)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_waits.erase(ticket);
}

void AnswerWatchdog::forget(int socket)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::erase_if(m_waits, [socket](const auto &wait) { return wait.second.socket == socket; });
}

void AnswerWatchdog::watch()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        if (m_waits.empty()) {
            m_wake.wait(lock);
            continue;
        }
        const auto first = std::min_element(m_waits.begin(), m_waits.end(), [](const auto &a, const auto &b) {
            return a.second.deadline < b.second.deadline;
        });
        // A copy: the wait may be disarmed, and its entry gone, meanwhile.
        const Clock::time_point deadline = first->second.deadline;
        if (Clock::now() < deadline) {
            m_wake.wait_until(lock, deadline);
            continue;
        }
        // Found under the lock: a wait disarmed (its open returned) is
        // never looked for again.
        const int socket = first->second.findSocket ? first->second.findSocket() : first->second.socket;
        if (socket < 0) {
            first->second.deadline = Clock::now() + std::chrono::milliseconds(200);
            continue;
        }
        *first->second.timedOut = true;
        ::shutdown(socket, SHUT_RDWR);
        m_waits.erase(first);
    }
}
