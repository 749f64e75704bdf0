#include "GuardedSslServer.h"

#include <QSslSocket>
#include <QTimer>
#include <unistd.h>

namespace {
const char *const Handshaking = "kal_handshaking";
const QString HandshakeTimer = QStringLiteral("kal_handshake");
} // namespace

GuardedSslServer::GuardedSslServer(const QSslConfiguration &tls, QObject *parent) : QTcpServer(parent), m_tls(tls) {}

void GuardedSslServer::incomingConnection(qintptr handle)
{
    // Qt accepts every connection waiting in one go: past the bound, the
    // extra ones are closed, and no more are taken until a place is free.
    if (m_handshakes >= MaxHandshakes) {
        ::close(int(handle));
        pauseAccepting();
        return;
    }
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    ++m_handshakes;
    if (m_handshakes >= MaxHandshakes)
        pauseAccepting();
    socket->setProperty(Handshaking, true);
    socket->setSslConfiguration(m_tls);
    auto *timer = new QTimer(socket);
    timer->setObjectName(HandshakeTimer);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, socket] { failed(socket); });
    connect(socket, &QSslSocket::encrypted, this, [this, socket] { encrypted(socket); });
    connect(socket, &QSslSocket::disconnected, this, [this, socket] { failed(socket); });
    connect(socket, &QSslSocket::errorOccurred, this, [this, socket] { failed(socket); });
    connect(socket, &QSslSocket::sslErrors, this, [this, socket] { failed(socket); });
    timer->start(HandshakeMs);
    socket->startServerEncryption();
}

void GuardedSslServer::forget(QSslSocket *socket)
{
    if (!socket->property(Handshaking).toBool())
        return;
    socket->setProperty(Handshaking, false);
    disconnect(socket, nullptr, this, nullptr);
    delete socket->findChild<QTimer *>(HandshakeTimer, Qt::FindDirectChildrenOnly);
    if (m_handshakes-- >= MaxHandshakes)
        resumeAccepting();
}

void GuardedSslServer::encrypted(QSslSocket *socket)
{
    forget(socket);
    // The service takes it from here.
    addPendingConnection(socket);
}

void GuardedSslServer::failed(QSslSocket *socket)
{
    if (!socket->property(Handshaking).toBool())
        return;
    forget(socket);
    socket->abort();
    socket->deleteLater();
}
