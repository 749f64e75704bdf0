#include "GuardedServers.h"
#include "ConnectionGuard.h"

#include <QSslSocket>

void GuardedTcpServer::incomingConnection(qintptr handle)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    ConnectionGuard::watch(socket);
    addPendingConnection(socket);
}

GuardedSslServer::GuardedSslServer(QObject *parent) : QSslServer(parent)
{
    setHandshakeTimeout(ConnectionGuard::RequestMs);
    connect(this, &QSslServer::startedEncryptionHandshake, this,
            [](QSslSocket *socket) { ConnectionGuard::watch(socket); });
}
