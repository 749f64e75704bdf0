#include "GuardedSslServer.h"
#include "ConnectionGuard.h"

#include <QSslSocket>

GuardedSslServer::GuardedSslServer(QObject *parent) : QSslServer(parent)
{
    setHandshakeTimeout(ConnectionGuard::RequestMs);
    connect(this, &QSslServer::startedEncryptionHandshake, this,
            [](QSslSocket *socket) { ConnectionGuard::watch(socket); });
}
