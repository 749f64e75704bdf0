// Who may read the night: loopback open; any other address refused without
// HTTPS and a users file; with them HTTPS only and Basic authentication on
// every path but /saude (a certificate the test makes with openssl, a user
// made by --nova-senha), the users file's flaws told or refused, a user of
// some branches seeing only those on every path, through a port scan and a
// flood of wrong passwords. SIGTERM ends it cleanly.
#include "FiscalDataSet.h"
#include "PainelProcess.h"

#include <QJsonArray>
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

QJsonObject json(const HttpAnswer &a)
{
    return QJsonDocument::fromJson(a.body).object();
}

// Each branch's object of a night, or of an audit each finding's "cdfilial/rule/day/cdcaixa".
QStringList listed(const QJsonObject &o, const char *array)
{
    QStringList out;
    for (const QJsonValue v : o.value(QLatin1String(array)).toArray()) {
        const QJsonObject x = v.toObject();
        out << (x.contains("rule") ? QStringList{x.value("cdfilial").toString(), x.value("rule").toString(),
                                                 x.value("day").toString(), x.value("cdcaixa").toString()}
                                         .join('/')
                                   : x.value("cdfilial").toString());
    }
    return out;
}

// regional sees 0001 and 0002 only, matriz every branch.
void checkBranchScopes(const PainelProcess &p, const QString &night)
{
    const QByteArray regional = basic("regional", "Filial#12"), matriz = basic("matriz", "Cofre#2026");
    const QString period = QStringLiteral("de=2026-12-01&ate=2026-12-10");
    const QJsonObject all = json(p.get(night, matriz)), mine = json(p.get(night, regional));
    EXPECT_EQ(listed(mine, "filiais"), QStringList({"0001", "0002"}));
    for (const char *state : {"caixas", "gravada", "sem_cat52", "com_erro", "pendente"}) {
        int expected = 0;
        for (const QJsonValue b : all.value("filiais").toArray())
            if (b.toObject().value("cdfilial").toString() <= QLatin1String("0002"))
                expected += b.toObject().value("totais").toObject().value(QLatin1String(state)).toInt();
        EXPECT_EQ(mine.value("totais").toObject().value(QLatin1String(state)).toInt(), expected) << state;
    }
    EXPECT_LT(mine.value("totais").toObject().value("caixas").toInt(),
              all.value("totais").toObject().value("caixas").toInt());
    // Another branch named: 403 (the header is remembered with its branches).
    const QString history = "/api/historico?" + period;
    EXPECT_EQ(listed(json(p.get(history, regional)), "filiais"), QStringList({"0001", "0002"}));
    EXPECT_GT(listed(json(p.get(history, matriz)), "filiais").size(), 2);
    for (const QString &path :
         {night + "&cdfilial=0003", "/api/auditoria?" + period + "&cdfilial=0003", history + "&cdfilial=0003"}) {
        const HttpAnswer a = p.get(path, regional);
        EXPECT_EQ(a.status, 403) << path.toStdString();
        EXPECT_EQ(json(a).value("erro").toString(), QStringLiteral("filial 0003: sem acesso"));
        EXPECT_EQ(p.get(path, matriz).status, 200) << path.toStdString();
    }
    EXPECT_EQ(listed(json(p.get(night + "&cdfilial=0002", regional)), "filiais"), QStringList({"0002"}));
    // The audit without a branch: the findings and counts of 0001 and 0002 alone.
    const QJsonObject audit = json(p.get("/api/auditoria?" + period, regional));
    QStringList each;
    int reductions = 0;
    for (const char *branch : {"0001", "0002"}) {
        const QJsonObject one = json(p.get("/api/auditoria?" + period + "&cdfilial=" + branch, regional));
        each += listed(one, "findings");
        reductions += one.value("checked").toObject().value("reductions").toInt();
    }
    QStringList told = listed(audit, "findings");
    told.sort();
    each.sort();
    EXPECT_FALSE(each.isEmpty());
    EXPECT_EQ(told, each);
    EXPECT_EQ(audit.value("checked").toObject().value("reductions").toInt(), reductions);
    const QJsonObject everyBranch = json(p.get("/api/auditoria?" + period, matriz));
    EXPECT_GT(listed(everyBranch, "findings").size(), each.size());
    EXPECT_GT(everyBranch.value("checked").toObject().value("reductions").toInt(), reductions);
    // The metrics: the user's branches' series only.
    const QByteArray theirs = p.get(QStringLiteral("/metrics"), regional).body;
    EXPECT_TRUE(theirs.contains("kal02700_caixas{cdfilial=\"0002\",estado=\"pendente\"} ")) << theirs.toStdString();
    EXPECT_FALSE(theirs.contains("cdfilial=\"0003\""));
    EXPECT_TRUE(theirs.contains("kal02700_banco_disponivel 1\n"));
    EXPECT_TRUE(p.get(QStringLiteral("/metrics"), matriz).body.contains("cdfilial=\"0003\""));
}

// The line of a user of branches 0001 and 0002, as --nova-senha prints it.
QByteArray regionalLine()
{
    QByteArray out, err;
    EXPECT_EQ(PainelProcess::run(PainelProcess::program(), {"--nova-senha", "regional", "--filiais", "0002,0001"},
                                 "Filial#12\n", &out, &err),
              0);
    EXPECT_TRUE(out.startsWith("regional:pbkdf2-sha256$100000$")) << out.toStdString();
    EXPECT_TRUE(out.endsWith(":filiais=0001,0002\n")) << out.toStdString();
    return out;
}

// A register with a movement "today" (the service's pinned day) in 0002 and
// in 0003: the metrics are of today's night.
void movementsToday()
{
    for (const char *branch : {"0002", "0003"})
        FiscalDataSet::instance().db().exec(
            QStringLiteral("INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES ('%1', '099', %2)")
                .arg(QLatin1String(branch),
                     FiscalDataSet::timestamp(PainelProcess::ClockDay, QStringLiteral("10:00:00"))));
}

// A users file the service refuses to start with, told in its message.
void refusedUsersFile(const QStringList &arguments, const QString &path, const QByteArray &content, const char *message)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QByteArray out, err;
    EXPECT_EQ(PainelProcess::run(PainelProcess::program(), arguments, {}, &out, &err), 2);
    EXPECT_TRUE(err.contains(message)) << err.toStdString();
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
    const QByteArray regional = regionalLine();
    // Beside them a weaker hash than --nova-senha makes, and the file readable by all.
    const QByteArray weak = QByteArray(out).replace("matriz:", "fraca:").replace("$100000$", "$1000$");
    const QString users = dir.filePath(QStringLiteral("usuarios"));
    QFile file(users);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(out + weak + regional);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // More rounds than a check can afford, a wrong branch code: refused, the line named.
    const QString costly = dir.filePath(QStringLiteral("custosa"));
    const QStringList refusing{"--db",          db,   "--endereco", "0.0.0.0", "--usuarios", costly,
                               "--certificado", cert, "--chave",    key};
    refusedUsersFile(refusing, costly, "# senhas\n" + QByteArray(out).replace("$100000$", "$10000000$"),
                     "linha 2: 10000000 iterações, no máximo 1000000");
    refusedUsersFile(refusing, costly, "# regional\n" + QByteArray(regional).replace(",0002", ";0002"),
                     "linha 2: filiais=: filial 0001;0002: código inválido");

    // An address of no interface of this machine: it cannot listen.
    EXPECT_EQ(PainelProcess::run(
                  PainelProcess::program(),
                  {"--db", db, "--endereco", "192.0.2.1", "--usuarios", users, "--certificado", cert, "--chave", key},
                  {}, &out, &err),
              1);

    movementsToday();
    PainelProcess p({"--db", db, "--endereco", "0.0.0.0", "--usuarios", users, "--certificado", cert, "--chave", key,
                     "--virada", "00:00"},
                    true, true);
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

    checkBranchScopes(p, QStringLiteral("/api/noite?dia=2026-12-02"));
    // A port scan, then a flood of wrong passwords.
    scanPorts(p);
    floodWithWrongPasswords(p, night);

    // An operator's Ctrl+C ends it as SIGTERM does.
    EXPECT_EQ(p.terminate(SIGINT), 0);
    EXPECT_TRUE(p.log().contains(QStringLiteral("Painel encerrado."))) << p.log().toStdString();
    EXPECT_FALSE(p.log().contains(QStringLiteral("Cofre#2026")));
}
