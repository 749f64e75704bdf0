#include "PainelServer.h"
#include "GuardedSslServer.h"
#include "HistoryCache.h"
#include "HttpConnection.h"
#include "LoginGate.h"
#include "NightCache.h"
#include "NightJson.h"
#include "NightMetrics.h"
#include "StoreCodes.h"
#include "UsersFile.h"

#include <QFile>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

enum class Status {
    Ok = 200,
    BadRequest = 400,
    Unauthorized = 401,
    Forbidden = 403,
    NotFound = 404,
    MethodNotAllowed = 405,
    ServiceUnavailable = 503
};
const QByteArray Json = "application/json; charset=utf-8";
const QByteArray Text = "text/plain; charset=utf-8";
constexpr int MaxDays = 366;

QByteArray reason(Status status)
{
    switch (status) {
    case Status::Ok:
        return "OK";
    case Status::BadRequest:
        return "Bad Request";
    case Status::Unauthorized:
        return "Unauthorized";
    case Status::Forbidden:
        return "Forbidden";
    case Status::NotFound:
        return "Not Found";
    case Status::MethodNotAllowed:
        return "Method Not Allowed";
    case Status::ServiceUnavailable:
        return "Service Unavailable";
    }
    return "Unknown";
}

// One whole answer; HEAD gets the same head without the body.
void send(const PainelServer::Reply &reply, Status status, const QByteArray &mime, const QByteArray &body,
          const QList<QPair<QByteArray, QByteArray>> &extra = {})
{
    if (!reply.connection)
        return;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(int(status)) + ' ' + reason(status) + "\r\n";
    out += "Content-Type: " + mime + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\n";
    for (const auto &header : extra)
        out += header.first + ": " + header.second + "\r\n";
    if (reply.connection->closesAfter(reply.id))
        out += "Connection: close\r\n";
    out += "\r\n";
    if (!reply.head)
        out += body;
    reply.connection->answer(reply.id, out);
}

void badParameter(const PainelServer::Reply &reply, const QString &message)
{
    send(reply, Status::BadRequest, Json, NightJson::error(message));
}

// A branch named in a request that its user may not see.
bool refused(const PainelServer::Reply &reply, const BranchScope &scope, const QString &cdFilial)
{
    if (cdFilial.isEmpty() || scope.allows(cdFilial))
        return false;
    send(reply, Status::Forbidden, Json, NightJson::error(QStringLiteral("filial %1: sem acesso").arg(cdFilial)));
    return true;
}

bool validCode(const QString &value, int width)
{
    return StoreCodes::check(value, width) == StoreCodes::Problem::None;
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

} // namespace

PainelServer::PainelServer(const PainelOptions &options, NightCache &cache, HistoryCache &history,
                           const UsersFile *users, QObject *parent)
    : QObject(parent), m_options(options), m_cache(cache), m_history(history),
      m_gate(users ? new LoginGate(*users, this) : nullptr)
{
}

PainelServer::~PainelServer() = default;

Result<NoValue> PainelServer::start(const QSslConfiguration *tls)
{
    m_server = tls ? new GuardedSslServer(*tls, this) : new QTcpServer(this);
    // Room in the system's queue for a burst of connections.
    m_server->setListenBacklogSize(1024);
    if (!m_server->listen(m_options.endereco, m_options.porta))
        return Result<NoValue>::failure(QStringLiteral("Não foi possível atender em %1 porta %2: %3")
                                            .arg(m_options.endereco.toString())
                                            .arg(m_options.porta)
                                            .arg(m_server->errorString()));
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &PainelServer::takeConnections);
    return Result<NoValue>::of(NoValue{});
}

bool PainelServer::stop(QDeadlineTimer deadline)
{
    if (m_server)
        m_server->close();
    return !m_gate || m_gate->finish(deadline);
}

void PainelServer::takeConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection())
        new HttpConnection(socket, [this](HttpConnection &c, quint64 id, const HttpRequest &r) { handle(c, id, r); });
}

void PainelServer::handle(HttpConnection &connection, quint64 id, const HttpRequest &request)
{
    const bool get = request.method == "GET", head = request.method == "HEAD";
    Reply reply{&connection, id, head};
    if (request.method.isEmpty()) {
        // Not HTTP: answered, and the connection is closed.
        send(reply, Status::BadRequest, Json, NightJson::error(QStringLiteral("pedido HTTP inválido")));
        return;
    }
    if (!get && !head) {
        send(reply, Status::MethodNotAllowed, Json,
             NightJson::error(QStringLiteral("método não aceito: só GET e HEAD")), {{"Allow", "GET, HEAD"}});
        return;
    }
    if (request.hasBody()) {
        // A GET carries nothing: the connection is closed after the answer.
        reply.head = false;
        send(reply, Status::BadRequest, Json, NightJson::error(QStringLiteral("pedido GET com corpo")));
        return;
    }
    const QString path = request.path;
    const QUrlQuery query = request.query;
    if (const Route *known = routeOf(path); !m_gate || (known && known->open))
        return route(path, query, BranchScope(), reply);
    m_gate->check(
        request.value("authorization"), connection.peer(),
        [this, path, query, reply](LoginGate::Verdict v, const BranchScope &scope) {
            if (v == LoginGate::Verdict::Allowed)
                return route(path, query, scope, reply);
            if (v == LoginGate::Verdict::Busy)
                return send(reply, Status::ServiceUnavailable, Json,
                            NightJson::error(QStringLiteral("verificações de senha demais em andamento; tente de novo "
                                                            "em instantes")),
                            {{"Retry-After", "5"}});
            send(reply, Status::Unauthorized, Json, NightJson::error(QStringLiteral("usuário ou senha inválidos")),
                 {{"WWW-Authenticate", "Basic realm=\"kal02700-painel\", charset=\"UTF-8\""}});
        });
}

// Every path the service answers: its parameters, its handler, and whether
// it is open without a login. A new path is a row here.
const QList<PainelServer::Route> &PainelServer::routes()
{
    static const QList<Route> table{
        {QStringLiteral("/"), {}, &PainelServer::page, false},
        {QStringLiteral("/api/noite"), {"dia", "cdfilial"}, &PainelServer::night, false},
        {QStringLiteral("/api/historico"), {"de", "ate", "cdfilial"}, &PainelServer::history, false},
        {QStringLiteral("/api/auditoria"), {"de", "ate", "cdfilial", "cdcaixa"}, &PainelServer::audit, false},
        {QStringLiteral("/metrics"), {}, &PainelServer::metrics, false},
        {QStringLiteral("/saude"), {}, &PainelServer::health, true},
    };
    return table;
}

const PainelServer::Route *PainelServer::routeOf(const QString &path)
{
    for (const Route &route : routes())
        if (route.path == path)
            return &route;
    return nullptr;
}

void PainelServer::route(const QString &path, const QUrlQuery &query, const BranchScope &scope, Reply reply)
{
    const Route *known = routeOf(path);
    if (!known) {
        send(reply, Status::NotFound, Json, NightJson::error(QStringLiteral("caminho desconhecido: %1").arg(path)));
        return;
    }
    const QString unknown = unknownParameter(query, known->parameters);
    if (!unknown.isEmpty())
        return badParameter(reply, QStringLiteral("parâmetro desconhecido: %1").arg(unknown));
    (this->*known->handler)(query, scope, reply);
}

void PainelServer::night(const QUrlQuery &query, const BranchScope &scope, Reply reply)
{
    QDate dia = m_cache.currentNight();
    if (query.hasQueryItem(QStringLiteral("dia"))) {
        dia = dayOf(query.queryItemValue(QStringLiteral("dia"), QUrl::FullyDecoded));
        if (!dia.isValid())
            return badParameter(reply, QStringLiteral("dia: data inválida, use aaaa-mm-dd"));
    }
    const QString cdFilial = query.queryItemValue(QStringLiteral("cdfilial"), QUrl::FullyDecoded);
    if (query.hasQueryItem(QStringLiteral("cdfilial")) && !validCode(cdFilial, StoreCodes::BranchWidth))
        return badParameter(reply, QStringLiteral("cdfilial: código inválido, de 1 a 4 letras ou algarismos"));
    if (refused(reply, scope, cdFilial))
        return;
    m_cache.night(dia, [reply, cdFilial, scope](const NightAnswer &answer) {
        if (!answer.night)
            return send(reply, Status::ServiceUnavailable, Json, NightJson::error(answer.error));
        const auto format = [&] {
            const Night night = cdFilial.isEmpty() ? answer.night->within(scope) : answer.night->onlyBranch(cdFilial);
            return NightJson::night(night, answer.banco);
        };
        const QString key = scope.text() + QLatin1Char('|') + cdFilial + QLatin1Char('|') + answer.banco;
        send(reply, Status::Ok, Json, answer.formatted ? answer.formatted->value(key, format) : format());
    });
}

void PainelServer::history(const QUrlQuery &query, const BranchScope &scope, Reply reply)
{
    const auto asked = [&](const char *name) { return query.hasQueryItem(QLatin1String(name)); };
    const QDate ate = asked("ate") ? dayOf(query.queryItemValue(QStringLiteral("ate"), QUrl::FullyDecoded))
                                   : m_cache.currentNight();
    if (!ate.isValid())
        return badParameter(reply, QStringLiteral("ate: data inválida, use aaaa-mm-dd"));
    const QDate de = asked("de") ? dayOf(query.queryItemValue(QStringLiteral("de"), QUrl::FullyDecoded))
                                 : ate.addDays(1 - HistoryCache::DefaultNights);
    if (!de.isValid())
        return badParameter(reply, QStringLiteral("de: data inválida, use aaaa-mm-dd"));
    if (ate < de)
        return badParameter(reply, QStringLiteral("ate: anterior a de"));
    if (de.daysTo(ate) + 1 > HistoryCache::MaxNightsAsked)
        return badParameter(reply, QStringLiteral("ate: período de %1 noites, no máximo %2")
                                       .arg(de.daysTo(ate) + 1)
                                       .arg(HistoryCache::MaxNightsAsked));
    const QString cdFilial = query.queryItemValue(QStringLiteral("cdfilial"), QUrl::FullyDecoded);
    if (asked("cdfilial") && !validCode(cdFilial, StoreCodes::BranchWidth))
        return badParameter(reply, QStringLiteral("cdfilial: código inválido, de 1 a 4 letras ou algarismos"));
    if (refused(reply, scope, cdFilial))
        return;
    const bool queued = m_history.history(de, ate, scope, cdFilial, [reply](const HistoryAnswer &answer) {
        if (answer)
            return send(reply, Status::Ok, Json, answer.value());
        send(reply, Status::ServiceUnavailable, Json, NightJson::error(answer.error()));
    });
    if (!queued)
        send(reply, Status::ServiceUnavailable, Json,
             NightJson::error(QStringLiteral("pedidos de histórico demais em andamento; tente de novo em instantes")),
             {{"Retry-After", "5"}});
}

void PainelServer::audit(const QUrlQuery &query, const BranchScope &scope, Reply reply)
{
    AuditScope asked;
    asked.de = dayOf(query.queryItemValue(QStringLiteral("de"), QUrl::FullyDecoded));
    asked.ate = dayOf(query.queryItemValue(QStringLiteral("ate"), QUrl::FullyDecoded));
    asked.cdFilial = query.queryItemValue(QStringLiteral("cdfilial"), QUrl::FullyDecoded);
    asked.cdCaixa = query.queryItemValue(QStringLiteral("cdcaixa"), QUrl::FullyDecoded);
    if (!asked.de.isValid())
        return badParameter(reply, QStringLiteral("de: data inválida ou ausente, use aaaa-mm-dd"));
    if (!asked.ate.isValid())
        return badParameter(reply, QStringLiteral("ate: data inválida ou ausente, use aaaa-mm-dd"));
    if (asked.ate < asked.de)
        return badParameter(reply, QStringLiteral("ate: anterior a de"));
    if (asked.de.daysTo(asked.ate) + 1 > MaxDays)
        return badParameter(
            reply,
            QStringLiteral("ate: período de %1 dias, no máximo %2").arg(asked.de.daysTo(asked.ate) + 1).arg(MaxDays));
    if (query.hasQueryItem(QStringLiteral("cdfilial")) && !validCode(asked.cdFilial, StoreCodes::BranchWidth))
        return badParameter(reply, QStringLiteral("cdfilial: código inválido, de 1 a 4 letras ou algarismos"));
    if (query.hasQueryItem(QStringLiteral("cdcaixa")) && !validCode(asked.cdCaixa, StoreCodes::RegisterWidth))
        return badParameter(reply, QStringLiteral("cdcaixa: código inválido, de 1 a 3 letras ou algarismos"));
    if (refused(reply, scope, asked.cdFilial))
        return;
    // A user of one branch: the ledger reads that branch alone.
    if (asked.cdFilial.isEmpty() && scope.codes().size() == 1)
        asked.cdFilial = scope.codes().constFirst();
    const BranchScope within = asked.cdFilial.isEmpty() ? scope : BranchScope();
    const bool queued = m_cache.audit(asked, within, [reply](const AuditRead &read) {
        if (read)
            return send(reply, Status::Ok, Json, read.value());
        send(reply, Status::ServiceUnavailable, Json,
             NightJson::error(QStringLiteral("banco indisponível: ") + read.error()));
    });
    if (!queued)
        send(reply, Status::ServiceUnavailable, Json,
             NightJson::error(QStringLiteral("auditorias demais em andamento; tente de novo em instantes")),
             {{"Retry-After", "5"}});
}

void PainelServer::metrics(const QUrlQuery &, const BranchScope &scope, Reply reply)
{
    NightCache &cache = m_cache;
    m_cache.night(m_cache.currentNight(), [reply, scope, &cache](const NightAnswer &answer) {
        const std::optional<Night> night = answer.night ? std::optional(answer.night->within(scope)) : std::nullopt;
        send(reply, Status::Ok, NightMetrics::MediaType,
             NightMetrics::text(night ? &*night : nullptr, cache.available(), cache.lastReadSeconds()));
    });
}

void PainelServer::health(const QUrlQuery &, const BranchScope &, Reply reply)
{
    NightCache &cache = m_cache;
    m_cache.night(m_cache.currentNight(), [reply, &cache](const NightAnswer &answer) {
        if (cache.available())
            return send(reply, Status::Ok, Text, "ok\n");
        send(reply, Status::ServiceUnavailable, Text, (answer.error + QLatin1Char('\n')).toUtf8());
    });
}

// The page asks /api/noite: what it shows is the user's branches.
void PainelServer::page(const QUrlQuery &, const BranchScope &, Reply reply)
{
    QFile file(QStringLiteral(":/painel/painel.html"));
    file.open(QIODevice::ReadOnly);
    QByteArray html = file.readAll();
    // The page asks for the night as often as it is read.
    html.replace("@ATUALIZAR@", QByteArray::number(m_options.atualizar));
    send(reply, Status::Ok, "text/html; charset=utf-8", html);
}
