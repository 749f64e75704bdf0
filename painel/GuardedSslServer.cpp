#include "GuardedSslServer.h"

#include <QSslSocket>
#include <QTimer>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const char *const Handshaking = "kal_handshaking";
const QString HandshakeTimer = QStringLiteral("kal_handshake");
} // namespace

GuardedSslServer::GuardedSslServer(const QSslConfiguration &tls, QObject *parent) : QTcpServer(parent), m_tls(tls) {}

GuardedSslServer::~GuardedSslServer()
{
    for (const qintptr handle : m_waiting)
        ::close(int(handle));
}

namespace {
// Whether the client already closed the connection (a port scan, a health
// check): then it is let go before any TLS work, which costs milliseconds.
bool closedByClient(qintptr handle)
{
    char first = 0;
    const ssize_t peeked = ::recv(int(handle), &first, 1, MSG_PEEK | MSG_DONTWAIT);
    return peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}
} // namespace

void GuardedSslServer::incomingConnection(qintptr handle)
{
    if (closedByClient(handle)) {
        ::close(int(handle));
        return;
    }
    if (m_handshakes < MaxHandshakes)
        return handshake(handle);
    // Qt takes every connection the system holds in one go: the ones past
    // the bound wait their turn here, and past this queue in the system's.
    m_waiting.push_back(handle);
    if (m_waiting.size() >= MaxWaiting)
        pauseAccepting();
}

void GuardedSslServer::handshake(qintptr handle)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        ::close(int(handle));
        return;
    }
    ++m_handshakes;
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

void GuardedSslServer::nextWaiting()
{
    while (m_handshakes < MaxHandshakes && !m_waiting.empty()) {
        const qintptr handle = m_waiting.front();
        m_waiting.pop_front();
        if (closedByClient(handle))
            ::close(int(handle));
        else
            handshake(handle);
    }
    if (m_waiting.size() < MaxWaiting)
        resumeAccepting();
}

void GuardedSslServer::forget(QSslSocket *socket)
{
    if (!socket->property(Handshaking).toBool())
        return;
    socket->setProperty(Handshaking, false);
    disconnect(socket, nullptr, this, nullptr);
    delete socket->findChild<QTimer *>(HandshakeTimer, Qt::FindDirectChildrenOnly);
    --m_handshakes;
    // Its place goes to the next waiting (not from inside its own signal).
    QMetaObject::invokeMethod(this, &GuardedSslServer::nextWaiting, Qt::QueuedConnection);
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
