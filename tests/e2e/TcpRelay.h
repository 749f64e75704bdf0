#pragma once
// A TCP relay between the host and the PostgreSQL server, inside the test:
// it forwards both ways until the client sends a given text (a statement of
// the save), then forwards nothing more and keeps every socket open, as a
// network that stops carrying packets in the middle of a session. Options:
// the packet with the text still reaches the server (a COMMIT sent whose
// answer is lost), the stop comes at the text's n-th time in a session, and
// only that one session stops (the server reachable again for new ones).
#include <QByteArray>
#include <QString>
#include <atomic>
#include <utility>
#include <thread>

class TcpRelay {
public:
    struct Stall {
        bool forwardText = false; // the packet holding the text is forwarded
        int occurrence = 1;       // stop at the text's n-th time in a session
        bool everyone = true;     // every session stops, new ones are not served
    };
    TcpRelay(quint16 serverPort, QByteArray stallAt) : TcpRelay(serverPort, std::move(stallAt), Stall{}) {}
    TcpRelay(quint16 serverPort, QByteArray stallAt, Stall stall);
    ~TcpRelay();
    TcpRelay(const TcpRelay &) = delete;
    TcpRelay &operator=(const TcpRelay &) = delete;

    quint16 port() const { return m_port; }
    // Whether the text went by and a session stopped.
    bool stalled() const { return m_stoppedOnce; }

private:
    void relay();

    quint16 m_serverPort;
    QByteArray m_stallAt;
    Stall m_stall;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    quint16 m_port = 0;
    std::atomic_bool m_stalled{false}; // every session stopped
    std::atomic_bool m_stoppedOnce{false};
    std::thread m_thread;
};
