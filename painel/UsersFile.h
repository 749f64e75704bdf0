#pragma once
// The users of an HTTPS service: "USER:pbkdf2-sha256$ITERATIONS$SALT$HASH"
// lines (salt and hash in base64), as --nova-senha prints them, each maybe
// ending with ":filiais=0001,0002", the only branches its user sees. A
// password is only ever held to be derived, never kept or logged.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include "BranchScope.h"
#include "Result.h"

class UsersFile {
public:
    static constexpr int DefaultIterations = 100000;
    // A check runs on a worker for each request that is not remembered: a
    // line asking more rounds (about 2.5 s of a core each) is refused.
    static constexpr int MaxIterations = 1000000;

    // Reads the file: done, or the reason (line number) it cannot.
    // warnings: what the operator should fix that does not stop the service
    // (a file others may read, a hash weaker than --nova-senha makes).
    Result<NoValue> load(const QString &path, QStringList &warnings);
    int size() const { return int(m_users.size()); }

    // Right user and password: the branches the user sees; else the
    // failure. A user not in the file costs the same derivation as one
    // that is, so the answer's delay tells nothing.
    Result<BranchScope> verify(const QString &user, const QByteArray &password) const;

    // The line for the file, with a fresh random salt (and the branches
    // unless the scope is every branch).
    static QString line(const QString &user, const QByteArray &password, int iterations = DefaultIterations,
                        const BranchScope &scope = {});

private:
    struct Entry {
        int iterations = 0;
        QByteArray salt;
        QByteArray hash;
        BranchScope scope;
    };
    // The line read into user and entry, or what is wrong with it.
    static Result<NoValue> parse(const QString &text, QString &user, Entry &entry);
    static QByteArray derive(const QByteArray &password, const QByteArray &salt, int iterations, int length);

    QHash<QString, Entry> m_users;
};
