#pragma once
// The listening sockets of the service, each connection under a
// ConnectionGuard from its first byte: plain TCP on loopback, TLS elsewhere
// (the handshake itself bounded in time).
#include <QSslServer>
#include <QTcpServer>

class GuardedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr handle) override;
};

class GuardedSslServer : public QSslServer {
    Q_OBJECT
public:
    explicit GuardedSslServer(QObject *parent = nullptr);
};
