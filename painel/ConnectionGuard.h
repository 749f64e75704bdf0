#pragma once
// The limits Qt 6.4's HTTP server does not set, on each of its connections:
// a request (line, headers and any body) of at most 8 KB, whole within 10 s
// of its first byte, and at most 30 s of silence between requests. A
// connection past a limit is dropped; the service goes on. It watches the
// socket before the server reads it (its slot is connected first) and is
// told by the server when a request has been taken.
#include <QObject>
#include <QTimer>

class QTcpSocket;

class ConnectionGuard : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 MaxRequestBytes = 8 * 1024;
    static constexpr int RequestMs = 10000;
    static constexpr int IdleMs = 30000;

    // Watches the socket (and dies with it).
    static void watch(QTcpSocket *socket);
    // The server took a whole request of this socket.
    static void requestTaken(QTcpSocket *socket);

private:
    explicit ConnectionGuard(QTcpSocket *socket);
    void received();
    void drop(const char *why);

    QTcpSocket *m_socket;
    QTimer m_timer;
    qint64 m_bytes = 0;
    bool m_inRequest = false;
};
