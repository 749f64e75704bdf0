#pragma once
// A TCP relay between the host and the PostgreSQL server, inside the test:
// it forwards both ways until the client sends a given text (a statement of
// the save), then forwards nothing more and keeps every socket open, as a
// network that stops carrying packets in the middle of a session.
#include <QByteArray>
#include <QString>
#include <atomic>
#include <thread>

class TcpRelay {
public:
    TcpRelay(quint16 serverPort, QByteArray stallAt);
    ~TcpRelay();
    TcpRelay(const TcpRelay &) = delete;
    TcpRelay &operator=(const TcpRelay &) = delete;

    quint16 port() const { return m_port; }
    bool stalled() const { return m_stalled; }

private:
    void relay();

    quint16 m_serverPort;
    QByteArray m_stallAt;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    quint16 m_port = 0;
    std::atomic_bool m_stalled{false};
    std::thread m_thread;
};
