#pragma once
// The service's HTTP(S) side: the paths, the answers to bad requests, the
// access rules. Every answer is formatted from the cache's night or the
// ledger's audit; nothing here reads the database. Connections are taken
// by HttpConnection (requests in order, limits), TLS handshakes by
// GuardedSslServer, passwords by LoginGate.
#include "BranchScope.h"
#include "PainelOptions.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QUrlQuery>

class HistoryCache;
class HttpConnection;
class HttpRequest;
class LoginGate;
class NightCache;
class QSslConfiguration;
class QTcpServer;
class UsersFile;

class PainelServer : public QObject {
    Q_OBJECT
public:
    PainelServer(const PainelOptions &options, NightCache &cache, HistoryCache &history, const UsersFile *users,
                 QObject *parent = nullptr);
    ~PainelServer() override;
    // Listens on the options' address and port (TLS when configured): done,
    // or the reason it cannot.
    Result<NoValue> start(const QSslConfiguration *tls);
    // Stops listening and waits for the password checks under way, at most
    // until deadline (at shutdown).
    bool stop(QDeadlineTimer deadline);

    // What an answer needs of its request once the request itself is gone.
    // The connection may go (the client left) before a read ends: then the
    // answer is not written.
    struct Reply {
        QPointer<HttpConnection> connection;
        quint64 id = 0;
        bool head = false;
    };

private:
    void takeConnections();
    void handle(HttpConnection &connection, quint64 id, const HttpRequest &request);
    // A path the service answers: the parameters it takes, who answers it,
    // and whether it is answered without a login. A handler answers only
    // of the branches in scope (every branch without a users file).
    struct Route {
        QString path;
        QStringList parameters;
        void (PainelServer::*handler)(const QUrlQuery &query, const BranchScope &scope, Reply reply);
        bool open;
    };
    static const QList<Route> &routes();
    static const Route *routeOf(const QString &path);

    void route(const QString &path, const QUrlQuery &query, const BranchScope &scope, Reply reply);
    void night(const QUrlQuery &query, const BranchScope &scope, Reply reply);
    void history(const QUrlQuery &query, const BranchScope &scope, Reply reply);
    void audit(const QUrlQuery &query, const BranchScope &scope, Reply reply);
    void metrics(const QUrlQuery &query, const BranchScope &scope, Reply reply);
    void health(const QUrlQuery &query, const BranchScope &scope, Reply reply);
    void page(const QUrlQuery &query, const BranchScope &scope, Reply reply);

    PainelOptions m_options;
    NightCache &m_cache;
    HistoryCache &m_history;
    LoginGate *m_gate = nullptr;
    QTcpServer *m_server = nullptr;
};
