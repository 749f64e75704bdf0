#pragma once
// The TLS listening socket of the service (any other address): each
// connection under a ConnectionGuard from its handshake on, the handshake
// itself bounded in time.
#include <QSslServer>

class GuardedSslServer : public QSslServer {
    Q_OBJECT
public:
    explicit GuardedSslServer(QObject *parent = nullptr);
};
