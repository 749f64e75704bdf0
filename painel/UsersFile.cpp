#include "UsersFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QPasswordDigestor>
#include <QRandomGenerator>

namespace {
const QString Scheme = QStringLiteral("pbkdf2-sha256");
const QString BranchesField = QStringLiteral("filiais=");
// Above the bound, still read as a number, to be named.
constexpr qint64 ReadableIterations = 1000000000;

// Compares every byte whatever the first difference.
bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= uchar(a.at(i)) ^ uchar(b.at(i));
    return diff == 0;
}
} // namespace

QByteArray UsersFile::derive(const QByteArray &password, const QByteArray &salt, int iterations, int length)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password, salt, iterations, quint64(length));
}

Result<NoValue> UsersFile::parse(const QString &text, QString &user, Entry &entry)
{
    const Result<NoValue> malformed = Result<NoValue>::failure(
        QStringLiteral("esperado USUARIO:pbkdf2-sha256$ITERACOES$SAL$HASH (gere com --nova-senha)."));
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return malformed;
    user = text.left(colon);
    // The hash has no colon (base64): what follows one is the branches.
    QString hashPart = text.mid(colon + 1);
    if (const qsizetype second = hashPart.indexOf(QLatin1Char(':')); second >= 0) {
        const QString tail = hashPart.mid(second + 1);
        if (!tail.startsWith(BranchesField))
            return Result<NoValue>::failure(QStringLiteral("depois do hash só cabe :filiais=0001,0002."));
        const Result<BranchScope> scope = BranchScope::parse(tail.mid(BranchesField.size()));
        if (!scope)
            return Result<NoValue>::failure(QStringLiteral("filiais=: %1.").arg(scope.error()));
        entry.scope = scope.value();
        hashPart.truncate(second);
    }
    const QStringList parts = hashPart.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts.at(0) != Scheme)
        return malformed;
    bool ok = false;
    entry.iterations = parts.at(1).toInt(&ok);
    const auto salt = QByteArray::fromBase64Encoding(parts.at(2).toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    const auto hash = QByteArray::fromBase64Encoding(parts.at(3).toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!ok || entry.iterations < 1 || entry.iterations > ReadableIterations || !salt || !hash || salt.decoded.isEmpty()
        || hash.decoded.size() < 16 || hash.decoded.size() > 64)
        return malformed;
    entry.salt = salt.decoded;
    entry.hash = hash.decoded;
    return Result<NoValue>::of(NoValue{});
}

Result<NoValue> UsersFile::load(const QString &path, QStringList &warnings)
{
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                                            | QFileDevice::WriteOther;
    if (QFile::permissions(path) & others)
        warnings << QStringLiteral("kal02700-painel: o arquivo de usuários %1 pode ser lido por outros usuários desta "
                                   "máquina; deixe-o só para o dono (chmod 600 %1).")
                        .arg(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Result<NoValue>::failure(
            QStringLiteral("Não foi possível ler o arquivo de usuários %1: %2").arg(path, file.errorString()));
    }
    m_users.clear();
    int number = 0;
    while (!file.atEnd()) {
        const QString text = QString::fromUtf8(file.readLine()).trimmed();
        ++number;
        if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
            continue;
        QString user;
        Entry entry;
        if (const Result<NoValue> read = parse(text, user, entry); !read) {
            return Result<NoValue>::failure(
                QStringLiteral("Arquivo de usuários %1, linha %2: %3").arg(path).arg(number).arg(read.error()));
        }
        if (entry.iterations > MaxIterations) {
            return Result<NoValue>::failure(
                QStringLiteral("Arquivo de usuários %1, linha %2: %3 iterações, no máximo %4 (cada verificação de "
                               "senha levaria tempo demais).")
                    .arg(path)
                    .arg(number)
                    .arg(entry.iterations)
                    .arg(MaxIterations));
        }
        if (entry.iterations < DefaultIterations)
            warnings << QStringLiteral("kal02700-painel: arquivo de usuários %1, linha %2: só %3 iterações, menos que "
                                       "as %4 de --nova-senha; gere essa senha de novo com --nova-senha.")
                            .arg(path)
                            .arg(number)
                            .arg(entry.iterations)
                            .arg(DefaultIterations);
        m_users.insert(user, entry);
    }
    if (m_users.isEmpty())
        return Result<NoValue>::failure(QStringLiteral("Arquivo de usuários %1 sem nenhum usuário.").arg(path));
    return Result<NoValue>::of(NoValue{});
}

Result<BranchScope> UsersFile::verify(const QString &user, const QByteArray &password) const
{
    const auto wrong = Result<BranchScope>::failure(QStringLiteral("usuário ou senha inválidos"));
    const auto it = m_users.constFind(user);
    if (it == m_users.cend()) {
        // The same work as a known user, its result thrown away.
        const Entry &any = m_users.cbegin().value();
        derive(password, any.salt, any.iterations, int(any.hash.size()));
        return wrong;
    }
    if (!sameBytes(derive(password, it->salt, it->iterations, int(it->hash.size())), it->hash))
        return wrong;
    return Result<BranchScope>::of(it->scope);
}

QString UsersFile::line(const QString &user, const QByteArray &password, int iterations, const BranchScope &scope)
{
    QByteArray salt(16, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(salt.data()), salt.size() / 4);
    const QByteArray hash = derive(password, salt, iterations, 32);
    const QString line = QStringLiteral("%1:%2$%3$%4$%5")
                             .arg(user, Scheme, QString::number(iterations), QString::fromLatin1(salt.toBase64()),
                                  QString::fromLatin1(hash.toBase64()));
    return scope.everyBranch() ? line : line + QLatin1Char(':') + BranchesField + scope.text();
}
