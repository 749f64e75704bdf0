#pragma once
// The users of an HTTPS service: "USER:pbkdf2-sha256$ITERATIONS$SALT$HASH"
// lines (salt and hash in base64), as --nova-senha prints them. A password
// is only ever held to be derived, never kept or logged.
#include <QByteArray>
#include <QHash>
#include <QString>

class UsersFile {
public:
    static constexpr int DefaultIterations = 100000;

    // Reads the file; false with the reason (line number) when it cannot.
    bool load(const QString &path, QString &error);
    int size() const { return int(m_users.size()); }

    // Right user and password. A user not in the file costs the same
    // derivation as one that is, so the answer's delay tells nothing.
    bool verify(const QString &user, const QByteArray &password) const;

    // The line for the file, with a fresh random salt.
    static QString line(const QString &user, const QByteArray &password, int iterations = DefaultIterations);

private:
    struct Entry {
        int iterations = 0;
        QByteArray salt;
        QByteArray hash;
    };
    static bool parse(const QString &text, QString &user, Entry &entry);
    static QByteArray derive(const QByteArray &password, const QByteArray &salt, int iterations, int length);

    QHash<QString, Entry> m_users;
};
