#pragma once
// One HTTP/1.x request as a client sent it: the request line and the
// headers, taken off the front of what a connection received. The service
// only answers GET and HEAD, so a body is never read: a request announcing
// one is answered and its connection closed.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrlQuery>

class HttpRequest {
public:
    enum class Take {
        Incomplete, // the head has not all arrived
        Done,       // one request taken off the front of the buffer
        Bad         // not an HTTP/1.0 or 1.1 request
    };
    // Takes the first whole request head off the buffer.
    static Take take(QByteArray &buffer, HttpRequest &out);

    QByteArray method;
    QString path; // decoded
    QUrlQuery query;
    bool http10 = false;
    QHash<QByteArray, QByteArray> headers; // names in lower case

    QByteArray value(const QByteArray &name) const { return headers.value(name); }
    // Whether the client keeps the connection after this answer: HTTP/1.1
    // without "Connection: close".
    bool keepAlive() const;
    // A body follows the head (a length other than 0, or chunks).
    bool hasBody() const;
};
