#include "HttpConnection.h"

#include <QTcpSocket>

HttpConnection::HttpConnection(QTcpSocket *socket, Handler handler)
    : QObject(socket), m_socket(socket), m_handler(std::move(handler)), m_peer(socket->peerAddress())
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &HttpConnection::drop);
    connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::received);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::bytesWritten, this, [this] {
        if (!m_buffer.isEmpty())
            takeRequests();
    });
    // The first request is bounded as a whole from the connection on.
    m_inRequest = true;
    m_timer.start(RequestMs);
    if (socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &HttpConnection::received, Qt::QueuedConnection);
}

void HttpConnection::received()
{
    if (m_closing) {
        m_socket->skip(m_socket->bytesAvailable());
        return;
    }
    m_buffer += m_socket->read(MaxRequestBytes + 1 - m_buffer.size());
    if (m_buffer.size() > MaxRequestBytes)
        return drop();
    takeRequests();
}

void HttpConnection::takeRequests()
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    while (!m_closing && m_replies.waiting() < MaxWaiting && m_socket->bytesToWrite() < MaxUnsentBytes) {
        HttpRequest request;
        const HttpRequest::Take taken = HttpRequest::take(m_buffer, request);
        if (taken == HttpRequest::Take::Incomplete)
            break;
        m_lastId = m_replies.open();
        m_inRequest = false;
        if (taken == HttpRequest::Take::Bad) {
            // Handed on without a method, to be answered as such.
            m_closing = true;
            request = HttpRequest();
        } else {
            m_closing = !request.keepAlive() || request.hasBody();
        }
        m_handler(*this, m_lastId, request);
        // The handler may have closed the connection.
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return;
    }
    rearm();
}

void HttpConnection::rearm()
{
    if (!m_buffer.isEmpty() && !m_closing) {
        // A request begun: bounded from its first byte on.
        if (!m_inRequest) {
            m_inRequest = true;
            m_timer.start(RequestMs);
        }
        return;
    }
    m_inRequest = false;
    m_timer.start(m_replies.waiting() > 0 ? AnswerMs : IdleMs);
}

void HttpConnection::answer(quint64 id, const QByteArray &bytes)
{
    m_replies.fill(id, bytes, closesAfter(id));
    bool close = false;
    const QByteArray ready = m_replies.takeReady(close);
    if (!ready.isEmpty())
        m_socket->write(ready);
    if (close) {
        m_timer.stop();
        // Written first, then closed.
        m_socket->disconnectFromHost();
        return;
    }
    // Room again for requests that came together.
    if (!ready.isEmpty() && !m_buffer.isEmpty())
        QMetaObject::invokeMethod(this, &HttpConnection::takeRequests, Qt::QueuedConnection);
    else if (!ready.isEmpty())
        rearm();
}

void HttpConnection::drop()
{
    m_timer.stop();
    m_closing = true;
    m_socket->abort();
}
