#pragma once
// One thread for the whole process watches the calls that wait for a
// server's answer; when one waits past its bound, the session's socket is
// shut down, which wakes the waiting call with an error. The socket itself
// stays open (the client library owns it), so no other file can take its
// number meanwhile.
#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

class AnswerWatchdog {
public:
    static AnswerWatchdog &instance();
    ~AnswerWatchdog();
    AnswerWatchdog(const AnswerWatchdog &) = delete;
    AnswerWatchdog &operator=(const AnswerWatchdog &) = delete;

    // Watches one wait on the socket; past timeoutMs the socket is shut and
    // timedOut set. The ticket disarms it.
    quint64 arm(int socket, qint64 timeoutMs, std::shared_ptr<std::atomic_bool> timedOut);
    // The same for a wait whose socket is not known yet (a session being
    // opened): past timeoutMs, findSocket tells it, and is asked again a
    // little later while it finds none. It runs on the watchdog's thread.
    quint64 arm(std::function<int()> findSocket, qint64 timeoutMs, std::shared_ptr<std::atomic_bool> timedOut);
    void disarm(quint64 ticket);
    // The socket is about to be closed: its number may soon belong to
    // another file, which must never be shut down.
    void forget(int socket);

private:
    AnswerWatchdog() = default;
    void watch();

    using Clock = std::chrono::steady_clock;
    struct Wait {
        int socket; // -1: findSocket tells it
        std::function<int()> findSocket;
        Clock::time_point deadline;
        std::shared_ptr<std::atomic_bool> timedOut;
    };
    quint64 add(Wait wait);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<quint64, Wait> m_waits;
    quint64 m_lastTicket = 0;
    bool m_stop = false;
    std::thread m_thread;
};
