#pragma once
// The service's command line. Parsing never exits: it gives the options or
// the Portuguese text of what is wrong (exit status 2 for the caller).
#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QTime>

#include "BranchScope.h"
#include "Result.h"

struct PainelOptions {
    QString db;
    QHostAddress endereco{QHostAddress::LocalHost};
    quint16 porta = 8052;
    int atualizar = 30; // seconds between two reads of one night
    QTime virada{12, 0};
    QString usuarios;
    QString certificado;
    QString chave;
    QString novaSenha;   // --nova-senha USER: print a users-file line and exit
    BranchScope filiais; // --filiais with it: the only branches that user sees

    // Anyone on this machine may read a loopback address; any other needs
    // HTTPS and a users file.
    bool secured() const { return !certificado.isEmpty(); }

    // Parses the arguments (without the program name): the options, or the
    // message of what is wrong.
    static Result<PainelOptions> parse(const QStringList &arguments);
    static QString usage();
};
