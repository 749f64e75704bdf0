#include "PainelServer.h"
#include "ConnectionGuard.h"
#include "GuardedSslServer.h"
#include "GuardedTcpServer.h"
#include "NightCache.h"
#include "NightJson.h"
#include "NightMetrics.h"
#include "UsersFile.h"

#include <QFile>
#include <QHash>
#include <QHttpServerRequest>
#include <QSslConfiguration>
#include <QTcpSocket>

namespace {

using Status = QHttpServerResponder::StatusCode;
const QByteArray Json = "application/json; charset=utf-8";
const QByteArray Text = "text/plain; charset=utf-8";
constexpr int MaxDays = 366;

// One whole answer; HEAD gets the same head without the body.
void send(const PainelServer::Reply &reply, Status status, const QByteArray &mime, const QByteArray &body,
          const QList<QPair<QByteArray, QByteArray>> &extra = {})
{
    if (!reply.socket)
        return;
    QHttpServerResponder &r = *reply.responder;
    r.writeStatusLine(status);
    r.writeHeader("Content-Type", mime);
    r.writeHeader("Content-Length", QByteArray::number(body.size()));
    r.writeHeader("Cache-Control", "no-store");
    for (const auto &header : extra)
        r.writeHeader(header.first, header.second);
    // The responder ends the head when the body is written: HEAD writes an
    // empty one.
    r.writeBody(reply.head ? QByteArray() : body);
}

void badParameter(const PainelServer::Reply &reply, const QString &message)
{
    send(reply, Status::BadRequest, Json, NightJson::error(message));
}

bool validCode(const QString &value, int width)
{
    if (value.isEmpty() || value.size() > width)
        return false;
    for (const QChar c : value)
        if (!c.isLetterOrNumber() || c.unicode() > 127)
            return false;
    return true;
}

// yyyy-MM-dd exactly.
QDate dayOf(const QString &text)
{
    return text.size() == 10 ? QDate::fromString(text, QStringLiteral("yyyy-MM-dd")) : QDate();
}

// The parameters a path takes; the first other one named.
QString unknownParameter(const QUrlQuery &query, const QStringList &known)
{
    for (const auto &item : query.queryItems(QUrl::FullyDecoded))
        if (!known.contains(item.first))
            return item.first;
    return {};
}

bool hasBody(const QHttpServerRequest &request)
{
    const QByteArray length = request.value("content-length").trimmed();
    return !request.body().isEmpty() || (!length.isEmpty() && length != "0")
           || !request.value("transfer-encoding").isEmpty();
}

} // namespace

PainelServer::PainelServer(const PainelOptions &options, NightCache &cache, const UsersFile *users, QObject *parent)
    : QAbstractHttpServer(parent), m_options(options), m_cache(cache), m_users(users)
{
}

bool PainelServer::start(const QSslConfiguration *tls, QString &error)
{
    QTcpServer *server = nullptr;
    if (tls) {
        auto *ssl = new GuardedSslServer(this);
        ssl->setSslConfiguration(*tls);
        server = ssl;
    } else {
        server = new GuardedTcpServer(this);
    }
    if (!server->listen(m_options.endereco, m_options.porta)) {
        error = QStringLiteral("Não foi possível atender em %1 porta %2: %3")
                    .arg(m_options.endereco.toString())
                    .arg(m_options.porta)
                    .arg(server->errorString());
        return false;
    }
    bind(server);
    return true;
}

bool PainelServer::authorized(const QHttpServerRequest &request) const
{
    if (!m_users)
        return true;
    const QByteArray header = request.value("authorization").trimmed();
    if (!header.startsWith("Basic "))
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(header.mid(6).trimmed(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    const qsizetype colon = decoded.decoded.indexOf(':');
    if (colon < 0)
        return false;
    return m_users->verify(QString::fromUtf8(decoded.decoded.left(colon)), decoded.decoded.mid(colon + 1));
}

bool PainelServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    ConnectionGuard::requestTaken(socket);
    const auto method = request.method();
    Reply reply{std::make_shared<QHttpServerResponder>(makeResponder(request, socket)),
                method == QHttpServerRequest::Method::Head, socket};
    if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Head) {
        send(reply, Status::MethodNotAllowed, Json,
             NightJson::error(QStringLiteral("método não aceito: só GET e HEAD")), {{"Allow", "GET, HEAD"}});
        return true;
    }
    if (hasBody(request)) {
        // A GET carries nothing: the connection is not trusted further.
        reply.head = false;
        send(reply, Status::BadRequest, Json, NightJson::error(QStringLiteral("pedido GET com corpo")),
             {{"Connection", "close"}});
        socket->disconnectFromHost();
        return true;
    }
    const QString path = request.url().path();
    if (m_users && path != QLatin1String("/saude") && !authorized(request)) {
        send(reply, Status::Unauthorized, Json, NightJson::error(QStringLiteral("usuário ou senha inválidos")),
             {{"WWW-Authenticate", "Basic realm=\"kal02700-painel\", charset=\"UTF-8\""}});
        return true;
    }
    route(path, request.query(), reply);
    return true;
}

void PainelServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    Q_UNUSED(request)
    Q_UNUSED(socket)
}

void PainelServer::route(const QString &path, const QUrlQuery &query, Reply reply)
{
    static const QHash<QString, QStringList> parameters{
        {QStringLiteral("/"), {}},
        {QStringLiteral("/api/noite"), {"dia", "cdfilial"}},
        {QStringLiteral("/api/auditoria"), {"de", "ate", "cdfilial", "cdcaixa"}},
        {QStringLiteral("/metrics"), {}},
        {QStringLiteral("/saude"), {}}};
    const auto known = parameters.constFind(path);
    if (known == parameters.cend()) {
        send(reply, Status::NotFound, Json, NightJson::error(QStringLiteral("caminho desconhecido: %1").arg(path)));
        return;
    }
    const QString unknown = unknownParameter(query, *known);
    if (!unknown.isEmpty())
        return badParameter(reply, QStringLiteral("parâmetro desconhecido: %1").arg(unknown));
    if (path == QLatin1String("/api/noite"))
        night(query, reply);
    else if (path == QLatin1String("/api/auditoria"))
        audit(query, reply);
    else if (path == QLatin1String("/metrics"))
        metrics(reply);
    else if (path == QLatin1String("/saude"))
        health(reply);
    else
        page(reply);
}

void PainelServer::night(const QUrlQuery &query, Reply reply)
{
    QDate dia = m_cache.currentNight();
    if (query.hasQueryItem(QStringLiteral("dia"))) {
        dia = dayOf(query.queryItemValue(QStringLiteral("dia"), QUrl::FullyDecoded));
        if (!dia.isValid())
            return badParameter(reply, QStringLiteral("dia: data inválida, use aaaa-mm-dd"));
    }
    const QString cdFilial = query.queryItemValue(QStringLiteral("cdfilial"), QUrl::FullyDecoded);
    if (query.hasQueryItem(QStringLiteral("cdfilial")) && !validCode(cdFilial, 4))
        return badParameter(reply, QStringLiteral("cdfilial: código inválido, de 1 a 4 letras ou algarismos"));
    m_cache.night(dia, [reply, cdFilial](const NightAnswer &answer) {
        if (!answer.night)
            return send(reply, Status::ServiceUnavailable, Json, NightJson::error(answer.error));
        const Night night = cdFilial.isEmpty() ? *answer.night : answer.night->onlyBranch(cdFilial);
        send(reply, Status::Ok, Json, NightJson::night(night, answer.banco));
    });
}

void PainelServer::audit(const QUrlQuery &query, Reply reply)
{
    AuditScope scope;
    scope.de = dayOf(query.queryItemValue(QStringLiteral("de"), QUrl::FullyDecoded));
    scope.ate = dayOf(query.queryItemValue(QStringLiteral("ate"), QUrl::FullyDecoded));
    scope.cdFilial = query.queryItemValue(QStringLiteral("cdfilial"), QUrl::FullyDecoded);
    scope.cdCaixa = query.queryItemValue(QStringLiteral("cdcaixa"), QUrl::FullyDecoded);
    if (!scope.de.isValid())
        return badParameter(reply, QStringLiteral("de: data inválida ou ausente, use aaaa-mm-dd"));
    if (!scope.ate.isValid())
        return badParameter(reply, QStringLiteral("ate: data inválida ou ausente, use aaaa-mm-dd"));
    if (scope.ate < scope.de)
        return badParameter(reply, QStringLiteral("ate: anterior a de"));
    if (scope.de.daysTo(scope.ate) + 1 > MaxDays)
        return badParameter(
            reply,
            QStringLiteral("ate: período de %1 dias, no máximo %2").arg(scope.de.daysTo(scope.ate) + 1).arg(MaxDays));
    if (query.hasQueryItem(QStringLiteral("cdfilial")) && !validCode(scope.cdFilial, 4))
        return badParameter(reply, QStringLiteral("cdfilial: código inválido, de 1 a 4 letras ou algarismos"));
    if (query.hasQueryItem(QStringLiteral("cdcaixa")) && !validCode(scope.cdCaixa, 3))
        return badParameter(reply, QStringLiteral("cdcaixa: código inválido, de 1 a 3 letras ou algarismos"));
    const bool queued = m_cache.audit(scope, [reply](const AuditRead &read) {
        if (read.ok)
            return send(reply, Status::Ok, Json, read.json);
        send(reply, Status::ServiceUnavailable, Json,
             NightJson::error(QStringLiteral("banco indisponível: ") + read.error));
    });
    if (!queued)
        send(reply, Status::ServiceUnavailable, Json,
             NightJson::error(QStringLiteral("auditorias demais em andamento; tente de novo em instantes")),
             {{"Retry-After", "5"}});
}

void PainelServer::metrics(Reply reply)
{
    NightCache &cache = m_cache;
    m_cache.night(m_cache.currentNight(), [reply, &cache](const NightAnswer &answer) {
        send(reply, Status::Ok, NightMetrics::MediaType,
             NightMetrics::text(answer.night ? &*answer.night : nullptr, cache.available(), cache.lastReadSeconds()));
    });
}

void PainelServer::health(Reply reply)
{
    NightCache &cache = m_cache;
    m_cache.night(m_cache.currentNight(), [reply, &cache](const NightAnswer &answer) {
        if (cache.available())
            return send(reply, Status::Ok, Text, "ok\n");
        send(reply, Status::ServiceUnavailable, Text, (answer.error + QLatin1Char('\n')).toUtf8());
    });
}

void PainelServer::page(Reply reply)
{
    QFile file(QStringLiteral(":/painel/painel.html"));
    file.open(QIODevice::ReadOnly);
    QByteArray html = file.readAll();
    // The page asks for the night as often as it is read.
    html.replace("@ATUALIZAR@", QByteArray::number(m_options.atualizar));
    send(reply, Status::Ok, "text/html; charset=utf-8", html);
}
