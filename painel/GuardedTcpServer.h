#pragma once
// The plain listening socket of the service (loopback): each connection
// under a ConnectionGuard from its first byte.
#include <QTcpServer>

class GuardedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr handle) override;
};
