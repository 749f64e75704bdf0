#include "ConnectionGuard.h"

#include <QTcpSocket>

ConnectionGuard::ConnectionGuard(QTcpSocket *socket) : QObject(socket), m_socket(socket)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { drop(m_inRequest ? "pedido lento" : "conexão parada"); });
    connect(socket, &QTcpSocket::readyRead, this, &ConnectionGuard::received);
    m_timer.start(RequestMs);
}

void ConnectionGuard::watch(QTcpSocket *socket)
{
    new ConnectionGuard(socket);
}

void ConnectionGuard::requestTaken(QTcpSocket *socket)
{
    if (auto *guard = socket->findChild<ConnectionGuard *>(QString(), Qt::FindDirectChildrenOnly)) {
        guard->m_inRequest = false;
        guard->m_bytes = 0;
        guard->m_timer.start(IdleMs);
    }
}

void ConnectionGuard::received()
{
    if (!m_inRequest) {
        m_inRequest = true;
        m_timer.start(RequestMs);
    }
    // What is waiting to be read: the new bytes, and at most the part of a
    // line the server has not taken yet (counted again: the bound errs on
    // the safe side).
    m_bytes += m_socket->bytesAvailable();
    if (m_bytes > MaxRequestBytes)
        drop("pedido maior que 8 KB");
}

void ConnectionGuard::drop(const char *why)
{
    Q_UNUSED(why)
    m_timer.stop();
    // The server's own slot is not called for what came: nothing of it is
    // read, nothing answered.
    QObject::disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
    m_socket->abort();
}
