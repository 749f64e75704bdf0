#pragma once
// One client's connection, plain or TLS: its requests taken one by one
// (several may come at once), its answers written in their order, and the
// limits a client cannot push: a request head of at most 8 KB, whole within
// 10 s of its first byte, at most 30 s of silence between requests, at most
// 8 requests waiting for their answers, at most 1 MB of answers it has not
// read. A connection past a limit is
// dropped without an answer; one whose request asks it (HTTP/1.0,
// "Connection: close", a body the service does not read) is closed after
// its answer.
#include "HttpRequest.h"
#include "ReplyQueue.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>

class QTcpSocket;

class HttpConnection : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 MaxRequestBytes = 8 * 1024;
    static constexpr int RequestMs = 10000;
    static constexpr int IdleMs = 30000;
    // An answer waits for a read of the database, whose own limit is shorter.
    static constexpr int AnswerMs = 60000;
    static constexpr int MaxWaiting = 8;
    // Answers the client has not read yet: no more requests are taken past it.
    static constexpr qint64 MaxUnsentBytes = 1024 * 1024;

    // The request and its place among the answers; it is answered by
    // answer(id, ...), at once or later. A request that is not HTTP comes
    // without a method.
    using Handler = std::function<void(HttpConnection &, quint64 id, const HttpRequest &)>;

    // Takes the socket's requests (and dies with it).
    HttpConnection(QTcpSocket *socket, Handler handler);

    QHostAddress peer() const { return m_peer; }
    // Whether the answer of this request ends the connection.
    bool closesAfter(quint64 id) const { return id == m_lastId && m_closing; }
    void answer(quint64 id, const QByteArray &bytes);

private:
    void received();
    void takeRequests();
    void rearm();
    void drop();

    QTcpSocket *m_socket;
    Handler m_handler;
    QHostAddress m_peer;
    QByteArray m_buffer;
    ReplyQueue m_replies;
    QTimer m_timer;
    quint64 m_lastId = 0;
    bool m_inRequest = false;
    bool m_closing = false; // a request ended the connection: nothing more is read
};
