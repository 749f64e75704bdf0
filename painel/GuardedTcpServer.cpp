#include "GuardedTcpServer.h"
#include "ConnectionGuard.h"

#include <QTcpSocket>

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
