// Who may read the night: loopback open; any other address refused without
// HTTPS and a users file; with them HTTPS only and Basic authentication on
// every path but /saude (a certificate the test makes with openssl, a user
// made by --nova-senha), the users file's flaws told or refused, through a
// port scan and a flood of wrong passwords. SIGTERM ends it cleanly.
#include "FiscalDataSet.h"
#include "PainelProcess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>
#include <atomic>
#include <csignal>
#include <future>

namespace {
QByteArray basic(const QByteArray &user, const QByteArray &password)
{
    return "Basic " + (user + ':' + password).toBase64();
}

// A self-signed certificate for localhost and its key.
void makeCertificate(const QString &cert, const QString &key)
{
    QByteArray out, err;
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    ASSERT_FALSE(openssl.isEmpty()) << "openssl is not installed (scripts/install-deps.sh installs it)";
    ASSERT_EQ(PainelProcess::run(openssl,
                                 {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                                  "-days", "2", "-subj", "/CN=localhost"},
                                 {}, &out, &err),
              0)
        << err.toStdString();
}

// A port scan: connections that close before or during their handshake
// leave the service answering.
void scanPorts(PainelProcess &p)
{
    for (int i = 0; i < 300; ++i) {
        QTcpSocket scan;
        scan.connectToHost(QStringLiteral("127.0.0.1"), p.port());
        // No longer taken: the request below tells.
        if (!scan.waitForConnected(2000))
            break;
        if (i % 3 == 0) {
            scan.write("\x16\x03\x01\x00\x05hello");
            scan.waitForBytesWritten(1000);
        }
        scan.abort();
    }
    EXPECT_EQ(p.get(QStringLiteral("/saude"), {}, 5000).status, 200);
}

// Twenty clients sending wrong passwords: /saude and a header already
// checked answer at their usual pace meanwhile; the wrong ones get 401
// or are told to come back (or wait longer than the client does).
void floodWithWrongPasswords(PainelProcess &p, const QString &night)
{
    std::atomic_bool flooding{true};
    std::vector<std::future<QSet<int>>> flood;
    for (int i = 0; i < 20; ++i)
        flood.push_back(std::async(std::launch::async, [&p, &flooding, &night, i] {
            QSet<int> seen;
            while (flooding)
                seen << p.get(night, basic("matriz", "errada" + QByteArray::number(i)), 3000).status;
            return seen;
        }));
    for (int i = 0; i < 5; ++i) {
        QThread::msleep(400);
        EXPECT_EQ(p.get(QStringLiteral("/saude"), {}, 2000).status, 200);
        EXPECT_EQ(p.get(night, basic("matriz", "Cofre#2026"), 2000).status, 200);
    }
    flooding = false;
    QSet<int> seen;
    for (auto &client : flood)
        seen += client.get();
    EXPECT_TRUE(seen.contains(401));
    EXPECT_TRUE((seen - QSet<int>{0, 401, 503}).isEmpty());
}
} // namespace

TEST(PainelAccessTest, OffLoopbackItSpeaksHttpsAndAsksForAUser)
{
    const QString db = FiscalDataSet::instance().connectionString();
    QByteArray out, err;
    // Refused: another address without HTTPS and users, bad options.
    EXPECT_EQ(PainelProcess::run(PainelProcess::program(), {"--db", db, "--endereco", "0.0.0.0"}, {}, &out, &err), 2);
    EXPECT_TRUE(QString::fromUtf8(err).contains(QStringLiteral("HTTPS"))) << err.toStdString();
    EXPECT_EQ(PainelProcess::run(PainelProcess::program(), {"--db", db, "--virada", "24:00"}, {}, &out, &err), 2);
    EXPECT_EQ(PainelProcess::run(PainelProcess::program(), {"--db", "postgresql://u:segredo@h"}, {}, &out, &err), 2);
    EXPECT_FALSE(err.contains("segredo")) << err.toStdString();

    QTemporaryDir dir;
    const QString cert = dir.filePath(QStringLiteral("cert.pem")), key = dir.filePath(QStringLiteral("key.pem"));
    ASSERT_NO_FATAL_FAILURE(makeCertificate(cert, key));
    ASSERT_EQ(PainelProcess::run(PainelProcess::program(), {"--nova-senha", "matriz"}, "Cofre#2026\n", &out, &err), 0);
    EXPECT_TRUE(out.startsWith("matriz:pbkdf2-sha256$")) << out.toStdString();
    EXPECT_FALSE(out.contains("Cofre#2026"));
    // Beside it a weaker hash than --nova-senha makes, and the file readable by all.
    const QByteArray weak = QByteArray(out).replace("matriz:", "fraca:").replace("$100000$", "$1000$");
    const QString users = dir.filePath(QStringLiteral("usuarios"));
    QFile file(users);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(out + weak);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // More rounds than a check can afford: refused, the line named.
    const QString costly = dir.filePath(QStringLiteral("custosa"));
    QFile costlyFile(costly);
    ASSERT_TRUE(costlyFile.open(QIODevice::WriteOnly));
    costlyFile.write("# senhas\n" + QByteArray(out).replace("$100000$", "$10000000$"));
    costlyFile.close();
    EXPECT_EQ(PainelProcess::run(
                  PainelProcess::program(),
                  {"--db", db, "--endereco", "0.0.0.0", "--usuarios", costly, "--certificado", cert, "--chave", key},
                  {}, &out, &err),
              2);
    EXPECT_TRUE(err.contains("linha 2: 10000000 iterações, no máximo 1000000")) << err.toStdString();

    // An address of no interface of this machine: it cannot listen.
    EXPECT_EQ(PainelProcess::run(
                  PainelProcess::program(),
                  {"--db", db, "--endereco", "192.0.2.1", "--usuarios", users, "--certificado", cert, "--chave", key},
                  {}, &out, &err),
              1);

    PainelProcess p({"--db", db, "--endereco", "0.0.0.0", "--usuarios", users, "--certificado", cert, "--chave", key},
                    true);
    ASSERT_TRUE(p.error().isEmpty()) << p.error().toStdString();
    EXPECT_TRUE(p.log().contains("kal02700-painel: o arquivo de usuários " + users + " pode ser lido"))
        << p.log().toStdString();
    EXPECT_TRUE(p.log().contains(
        QStringLiteral("kal02700-painel: arquivo de usuários %1, linha 2: só 1000 iterações").arg(users)));
    const QString night = QStringLiteral("/api/noite?dia=2026-12-10");
    const HttpAnswer right = p.get(night, basic("matriz", "Cofre#2026"));
    EXPECT_EQ(right.status, 200) << right.body.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(right.body).object().value("dia").toString(), QStringLiteral("2026-12-10"));
    for (const QByteArray &wrong :
         {basic("matriz", "cofre#2026"), basic("filial", "Cofre#2026"), QByteArray("Basic !!"), QByteArray()}) {
        const HttpAnswer a = p.get(night, wrong);
        EXPECT_EQ(a.status, 401) << wrong.toStdString();
        EXPECT_TRUE(a.headers.value("www-authenticate").startsWith("Basic ")) << wrong.toStdString();
    }
    EXPECT_EQ(p.get(QStringLiteral("/metrics")).status, 401);
    EXPECT_EQ(p.get(QStringLiteral("/")).status, 401);
    EXPECT_EQ(p.get(QStringLiteral("/saude")).status, 200);
    // HTTPS only: a plain request gets no HTTP answer.
    EXPECT_EQ(p.raw("GET /saude HTTP/1.1\r\nHost: x\r\n\r\n", true).status, 0);

    // A port scan, then a flood of wrong passwords.
    scanPorts(p);
    floodWithWrongPasswords(p, night);

    // An operator's Ctrl+C ends it as SIGTERM does.
    EXPECT_EQ(p.terminate(SIGINT), 0);
    EXPECT_TRUE(p.log().contains(QStringLiteral("Painel encerrado."))) << p.log().toStdString();
    EXPECT_FALSE(p.log().contains(QStringLiteral("Cofre#2026")));
}
