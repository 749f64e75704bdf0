#include "HttpRequest.h"

#include <QUrl>

namespace {
bool token(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text)
        if (uchar(c) <= 32 || uchar(c) >= 127 || c == ':')
            return false;
    return true;
}
} // namespace

HttpRequest::Take HttpRequest::take(QByteArray &buffer, HttpRequest &out)
{
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return Take::Incomplete;
    // Each line with its CR; the last LF ends the list.
    QList<QByteArray> lines = buffer.left(end + 2).split('\n');
    lines.removeLast();
    buffer.remove(0, end + 4);
    out = HttpRequest();
    const QList<QByteArray> first = lines.first().trimmed().split(' ');
    if (first.size() != 3 || !token(first.at(0)) || !first.at(1).startsWith('/'))
        return Take::Bad;
    if (first.at(2) == "HTTP/1.0")
        out.http10 = true;
    else if (first.at(2) != "HTTP/1.1")
        return Take::Bad;
    out.method = first.at(0);
    const QByteArray target = first.at(1);
    const qsizetype question = target.indexOf('?');
    out.path = QUrl::fromPercentEncoding(question < 0 ? target : target.left(question));
    if (question >= 0)
        out.query = QUrlQuery(QString::fromLatin1(target.mid(question + 1)));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (!line.endsWith('\r') || colon <= 0 || !token(line.left(colon)))
            return Take::Bad;
        const QByteArray name = line.left(colon).toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        // A repeated header is joined as the protocol allows.
        out.headers[name] = out.headers.contains(name) ? out.headers.value(name) + ", " + value : value;
    }
    return Take::Done;
}

bool HttpRequest::keepAlive() const
{
    if (http10)
        return false;
    for (const QByteArray &option : value("connection").split(','))
        if (option.trimmed().compare("close", Qt::CaseInsensitive) == 0)
            return false;
    return true;
}

bool HttpRequest::hasBody() const
{
    const QByteArray length = value("content-length").trimmed();
    return (!length.isEmpty() && length != "0") || headers.contains("transfer-encoding");
}
