#pragma once
// The TLS listening socket of the service (any other address). Each
// connection's handshake is run here, bounded in time, and only a connection
// whose handshake ended is handed on. One that closes, fails or times out
// before or during its handshake (a port scan, a health check of a load
// balancer) is forgotten at once, so it never holds a place; at most
// MaxHandshakes run at a time, MaxWaiting more wait their turn (their
// descriptors only), the others in the system's queue.
#include <QSslConfiguration>
#include <QTcpServer>
#include <deque>

class QSslSocket;

class GuardedSslServer : public QTcpServer {
    Q_OBJECT
public:
    static constexpr int MaxHandshakes = 128;
    static constexpr std::size_t MaxWaiting = 1024;
    static constexpr int HandshakeMs = 10000;

    GuardedSslServer(const QSslConfiguration &tls, QObject *parent = nullptr);
    ~GuardedSslServer() override;

protected:
    void incomingConnection(qintptr handle) override;

private:
    void handshake(qintptr handle);
    void nextWaiting();
    void encrypted(QSslSocket *socket);
    void failed(QSslSocket *socket);
    void forget(QSslSocket *socket);

    QSslConfiguration m_tls;
    int m_handshakes = 0;
    std::deque<qintptr> m_waiting;
};
