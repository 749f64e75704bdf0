#include "PainelProcess.h"

#include <QDeadlineTimer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <csignal>

namespace {
constexpr int StartMs = 20000;
constexpr int CloseMs = 10000;

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

HttpAnswer parse(const QByteArray &data)
{
    HttpAnswer answer;
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (!data.startsWith("HTTP/1.") || end < 0)
        return answer;
    const QList<QByteArray> lines = data.left(end).split('\n');
    answer.status = lines.first().split(' ').value(1).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            answer.headers.insert(lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed());
    }
    answer.body = data.mid(end + 4);
    return answer;
}

// The whole answers at the front of data, taken off it.
QList<HttpAnswer> takeAnswers(QByteArray &data)
{
    QList<HttpAnswer> out;
    for (;;) {
        HttpAnswer answer = parse(data);
        const qsizetype length = answer.headers.value("content-length", "-1").toLongLong();
        if (!answer.status || length < 0 || answer.body.size() < length)
            return out;
        data.remove(0, data.indexOf("\r\n\r\n") + 4 + length);
        answer.body.truncate(length);
        out << answer;
    }
}
} // namespace

PainelProcess::PainelProcess(const QStringList &arguments, bool tls, bool pinned) : m_tls(tls)
{
    m_port = freePort();
    m_process = std::make_unique<QProcess>();
    if (pinned) {
        // The wall clock only: the service's timers keep the machine's.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_PRELOAD"),
                           QStringLiteral("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"));
        environment.insert(QStringLiteral("FAKETIME"), ClockDay.toString(QStringLiteral("'@'yyyy-MM-dd 12:00:00")));
        environment.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
        // Under AddressSanitizer the preloaded clock comes before its runtime.
        const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           (asan.isEmpty() ? QString() : asan + u':') + QStringLiteral("verify_asan_link_order=0"));
        m_process->setProcessEnvironment(environment);
    }
    m_process->start(program(), arguments + QStringList{QStringLiteral("--porta"), QString::number(m_port)});
    m_process->closeWriteChannel();
    QDeadlineTimer deadline(StartMs);
    while (!deadline.hasExpired() && m_process->state() != QProcess::NotRunning) {
        m_process->setReadChannel(QProcess::StandardError);
        m_process->waitForReadyRead(200);
        m_log += m_process->readAllStandardError();
        if (m_log.contains("Painel em"))
            return;
    }
    m_log += m_process->readAllStandardError();
    m_error = QStringLiteral("kal02700-painel did not start: ") + QString::fromUtf8(m_log);
}

PainelProcess::~PainelProcess()
{
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

QString PainelProcess::url(const QString &path) const
{
    return QStringLiteral("%1://127.0.0.1:%2%3").arg(m_tls ? "https" : "http").arg(m_port).arg(path);
}

HttpAnswer PainelProcess::raw(const QByteArray &request, bool plain, int waitMs) const
{
    const bool tls = m_tls && !plain;
    QSslSocket socket;
    socket.setPeerVerifyMode(QSslSocket::VerifyNone);
    if (tls)
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), m_port);
    else
        socket.connectToHost(QStringLiteral("127.0.0.1"), m_port);
    QDeadlineTimer deadline(waitMs);
    if (!(tls ? socket.waitForEncrypted(waitMs) : socket.waitForConnected(waitMs)))
        return {};
    socket.write(request);
    QByteArray data;
    while (!deadline.hasExpired() && socket.state() == QAbstractSocket::ConnectedState) {
        socket.waitForReadyRead(100);
        data += socket.readAll();
        const HttpAnswer answer = parse(data);
        const qsizetype length = answer.headers.value("content-length", "-1").toLongLong();
        if (answer.status && length >= 0 && (answer.body.size() >= length || request.startsWith("HEAD")))
            return answer;
    }
    data += socket.readAll();
    return parse(data);
}

HttpAnswer PainelProcess::get(const QString &path, const QByteArray &authorization, int waitMs) const
{
    QByteArray request = "GET " + path.toUtf8() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!authorization.isEmpty())
        request += "Authorization: " + authorization + "\r\n";
    return raw(request + "\r\n", false, waitMs);
}

QList<HttpAnswer> PainelProcess::exchange(const QByteArray &requests, int count, bool *closed) const
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), m_port);
    if (!socket.waitForConnected(AnswerMs))
        return {};
    socket.write(requests);
    QByteArray data;
    QList<HttpAnswer> answers;
    QDeadlineTimer deadline(AnswerMs);
    while (answers.size() < count && !deadline.hasExpired() && socket.state() == QAbstractSocket::ConnectedState) {
        socket.waitForReadyRead(100);
        data += socket.readAll();
        answers += takeAnswers(data);
    }
    if (closed) {
        deadline.setRemainingTime(CloseMs);
        while (!deadline.hasExpired() && socket.state() == QAbstractSocket::ConnectedState)
            socket.waitForReadyRead(100);
        *closed = socket.state() != QAbstractSocket::ConnectedState;
    }
    data += socket.readAll();
    return answers + takeAnswers(data);
}

int PainelProcess::terminate(int signal)
{
    ::kill(pid_t(m_process->processId()), signal);
    if (!m_process->waitForFinished(30000))
        return -1;
    m_log += m_process->readAllStandardError();
    return m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
}

QString PainelProcess::log() const
{
    m_log += m_process->readAllStandardError();
    return QString::fromUtf8(m_log);
}

int PainelProcess::run(const QString &program, const QStringList &arguments, const QByteArray &input, QByteArray *out,
                       QByteArray *err, int timeoutMs)
{
    QProcess p;
    p.start(program, arguments);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out)
        *out = p.readAllStandardOutput();
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
