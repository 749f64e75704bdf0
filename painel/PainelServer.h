#pragma once
// The service's HTTP(S) side on Qt's HTTP server: the paths, the answers to
// bad requests, the access rules. Every answer is formatted from the cache's
// night or the ledger's audit; nothing here reads the database.
#include "PainelOptions.h"

#include <QAbstractHttpServer>
#include <QHttpServerResponder>
#include <QPointer>
#include <QTcpSocket>
#include <QUrlQuery>
#include <memory>

class NightCache;
class UsersFile;
class QSslConfiguration;

class PainelServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    PainelServer(const PainelOptions &options, NightCache &cache, const UsersFile *users, QObject *parent = nullptr);
    // Listens on the options' address and port (TLS when configured); false
    // with the reason when it cannot.
    bool start(const QSslConfiguration *tls, QString &error);

    // What an answer needs of its request once the request itself is gone.
    // The socket may go (the client left) before a read ends: then the
    // answer is not written.
    struct Reply {
        std::shared_ptr<QHttpServerResponder> responder;
        bool head = false;
        QPointer<QTcpSocket> socket;
    };

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    bool authorized(const QHttpServerRequest &request) const;
    void route(const QString &path, const QUrlQuery &query, Reply reply);
    void night(const QUrlQuery &query, Reply reply);
    void audit(const QUrlQuery &query, Reply reply);
    void metrics(Reply reply);
    void health(Reply reply);
    void page(Reply reply);

    PainelOptions m_options;
    NightCache &m_cache;
    const UsersFile *m_users;
};
