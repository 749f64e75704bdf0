// The service's units fed by hand: the night built from the ledger's
// entries (the four states, findings that name no row, code order), its JSON
// and metrics, the night without a day asked for, the users file and the
// command line's access rules, a user's branches, requests taken off a
// connection's bytes and their answers put back in order.
#include "HttpRequest.h"
#include "NightBuilder.h"
#include "NightJson.h"
#include "NightMetrics.h"
#include "PainelOptions.h"
#include "ReplyQueue.h"
#include "UsersFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {
const QDate Day(2026, 12, 10);

Finding finding(const char *rule, Severity severity, const char *filial, const char *caixa)
{
    Finding f;
    f.rule = QLatin1String(rule);
    f.severity = severity;
    f.cdFilial = QLatin1String(filial);
    f.cdCaixa = QLatin1String(caixa);
    f.day = Day;
    f.message = QStringLiteral("mensagem de ") + f.rule;
    return f;
}

// Entries as the audit hands them, out of code order.
Night sampleNight()
{
    NightBuilder builder;
    auto row = [&](const char *filial, const char *caixa, const char *ecf, qint64 crz, qint64 gross,
                   QList<Finding> findings) {
        Reduction r;
        r.cdFilial = QLatin1String(filial);
        r.cdCaixa = QLatin1String(caixa);
        r.nrEcf = QLatin1String(ecf);
        r.serial = QStringLiteral("SERIE") + r.nrEcf;
        r.day = Day;
        r.crz = crz;
        r.gross = gross;
        AuditEntry e{&r, r.cdFilial, r.cdCaixa, Day, findings};
        builder.entry(e);
    };
    auto day = [&](const char *filial, const char *caixa, QList<Finding> findings) {
        builder.entry(AuditEntry{nullptr, QLatin1String(filial), QLatin1String(caixa), Day, findings});
    };
    row("0002", "001", "001", 7, 12345, {});
    row("0001", "002", "002", 41, 100,
        {finding("COO_SOBREPOSTO", Severity::Erro, "0001", "002"),
         finding("CAT52_AUSENTE", Severity::Aviso, "0001", "002")});
    row("0001", "001", "001", 40, 99999,
        {finding("CRO_ALTERADO", Severity::Aviso, "0001", "001"),
         finding("CAT52_AUSENTE", Severity::Aviso, "0001", "001")});
    row("0001", "004", "014", 3, 0, {});
    row("0001", "004", "004", 2, 0, {finding("PARCIAIS_DIVERGENTES", Severity::Aviso, "0001", "004")});
    day("0001", "003", {finding("DIA_SEM_REDUCAO", Severity::Erro, "0001", "003")});
    // A CAT-52 file that fits none of register 004's printers.
    day("0001", "004", {finding("CAT52_DIVERGENTE", Severity::Erro, "0001", "004")});
    builder.finish({});
    return builder.night(Day);
}
} // namespace

TEST(NightModelTest, BuildsTheFourStatesInCodeOrderAndFormatsThem)
{
    Night night = sampleNight();
    ASSERT_EQ(night.filiais.size(), 2);
    const NightBranch &b1 = night.filiais.at(0);
    EXPECT_EQ(b1.cdFilial, QStringLiteral("0001"));
    QStringList seen;
    for (const NightRegister &r : b1.caixas)
        seen << r.cdCaixa + QLatin1Char('/') + r.nrEcf + QLatin1Char('=') + Night::stateName(r.estado);
    EXPECT_EQ(seen.join(QLatin1Char(' ')),
              QStringLiteral("001/001=sem_cat52 002/002=com_erro 003/=pendente 004/004=com_erro 004/014=com_erro"));
    EXPECT_EQ(b1.caixas.at(3).ocorrencias.size(), 2); // its own warning and the day's file
    const StateCounts all = night.totais();
    EXPECT_EQ(all.caixas, 6);
    EXPECT_EQ(all.gravada, 1);
    EXPECT_EQ(all.semCat52, 1);
    EXPECT_EQ(all.comErro, 3);
    EXPECT_EQ(all.pendente, 1);

    night.lidoEm = QDateTime(Day, QTime(22, 15, 30), QTimeZone(-3 * 3600));
    const QJsonObject o =
        QJsonDocument::fromJson(NightJson::night(night, QStringLiteral("indisponível desde 22:16:00"))).object();
    EXPECT_EQ(o.value("dia").toString(), QStringLiteral("2026-12-10"));
    EXPECT_EQ(o.value("lido_em").toString(), QStringLiteral("2026-12-10T22:15:30-03:00"));
    EXPECT_EQ(o.value("banco").toString(), QStringLiteral("indisponível desde 22:16:00"));
    EXPECT_EQ(o.value("totais").toObject().value("com_erro").toInt(), 3);
    const QJsonObject b2 = o.value("filiais").toArray().at(1).toObject();
    const QJsonObject r = b2.value("caixas").toArray().at(0).toObject();
    EXPECT_EQ(r.value("venda_bruta").toDouble(), 123.45);
    EXPECT_EQ(r.value("crz").toInt(), 7);
    EXPECT_EQ(b2.value("totais").toObject().value("gravada").toInt(), 1);
    const QJsonObject pending =
        o.value("filiais").toArray().at(0).toObject().value("caixas").toArray().at(2).toObject();
    EXPECT_TRUE(pending.value("crz").isNull());
    EXPECT_EQ(pending.value("ocorrencias").toArray().at(0).toObject().value("rule").toString(),
              QStringLiteral("DIA_SEM_REDUCAO"));
    EXPECT_FALSE(QJsonDocument::fromJson(NightJson::night(night, {})).object().contains("banco"));
    EXPECT_EQ(night.onlyBranch(QStringLiteral("0002")).totais().caixas, 1);
    EXPECT_EQ(night.onlyBranch(QStringLiteral("9999")).filiais.size(), 0);
    // A user's branches: the others gone, the totals counted again.
    const Night mine = night.within(BranchScope::parse(QStringLiteral("0002,9999")).value());
    ASSERT_EQ(mine.filiais.size(), 1);
    EXPECT_EQ(mine.filiais.at(0).cdFilial, QStringLiteral("0002"));
    EXPECT_EQ(QJsonDocument::fromJson(NightJson::night(mine, {})).object().value("totais").toObject().value("caixas"),
              1);
    EXPECT_EQ(night.within(BranchScope()).totais().caixas, 6);

    const QByteArray metrics = NightMetrics::text(&night, false, 0.25);
    EXPECT_TRUE(metrics.contains("kal02700_caixas{cdfilial=\"0001\",estado=\"com_erro\"} 3\n"));
    EXPECT_TRUE(metrics.contains("kal02700_caixas{cdfilial=\"0002\",estado=\"pendente\"} 0\n"));
    EXPECT_TRUE(
        metrics.contains("kal02700_ocorrencias{cdfilial=\"0001\",regra=\"CAT52_AUSENTE\",severidade=\"aviso\"} 2\n"));
    EXPECT_TRUE(metrics.contains("kal02700_banco_disponivel 0\n"));
    EXPECT_TRUE(metrics.contains("kal02700_leitura_segundos 0.250000\n"));
    EXPECT_EQ(metrics.count("# TYPE "), 4);
}

TEST(NightModelTest, TheNightTurnsAtTheViradaAndTheUsersFileChecksPasswords)
{
    const QTime virada(12, 0);
    EXPECT_EQ(Night::current(QDateTime(Day, QTime(11, 59, 59)), virada), Day.addDays(-1));
    EXPECT_EQ(Night::current(QDateTime(Day, QTime(12, 0)), virada), Day);
    EXPECT_EQ(Night::current(QDateTime(Day, QTime(0, 30)), QTime(0, 0)), Day);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("usuarios"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QString line = UsersFile::line(QStringLiteral("matriz"), "s3nh@ forte", 1000);
    EXPECT_TRUE(line.startsWith(QStringLiteral("matriz:pbkdf2-sha256$1000$")));
    EXPECT_NE(line, UsersFile::line(QStringLiteral("matriz"), "s3nh@ forte", 1000)); // a salt of its own
    file.write("# usuários do painel\n" + line.toUtf8() + "\n" + UsersFile::line("outro", "x", 1000).toUtf8() + "\n");
    file.close();
    UsersFile users;
    QStringList warnings;
    const Result<NoValue> loaded = users.load(path, warnings);
    ASSERT_TRUE(loaded.ok()) << loaded.error().toStdString();
    EXPECT_EQ(users.size(), 2);
    // Fewer rounds than --nova-senha makes: told, line by line.
    EXPECT_TRUE(warnings.join('\n').contains(QStringLiteral("linha 3: só 1000 iterações")))
        << warnings.join('\n').toStdString();
    const Result<BranchScope> right = users.verify(QStringLiteral("matriz"), "s3nh@ forte");
    ASSERT_TRUE(right.ok());
    EXPECT_TRUE(right.value().everyBranch());
    EXPECT_FALSE(users.verify(QStringLiteral("matriz"), "s3nh@ fort"));
    EXPECT_FALSE(users.verify(QStringLiteral("ninguem"), "s3nh@ forte"));
    EXPECT_FALSE(users.verify(QStringLiteral("outro"), "s3nh@ forte"));

    // A user of some branches: in code order, each once, and given back by its check.
    const QString regional = UsersFile::line("regional", "x", 1000,
                                             BranchScope::parse(QStringLiteral("0002,A1,0002")).value());
    EXPECT_TRUE(regional.endsWith(QStringLiteral(":filiais=0002,A1"))) << regional.toStdString();
    for (const char *bad : {"", "0002,", "0002,00001", "0 1"})
        EXPECT_FALSE(BranchScope::parse(QLatin1String(bad)).ok()) << bad;
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(regional.toUtf8() + "\n" + line.toUtf8() + "\n");
    file.close();
    ASSERT_TRUE(users.load(path, warnings).ok());
    const Result<BranchScope> scoped = users.verify(QStringLiteral("regional"), "x");
    ASSERT_TRUE(scoped.ok());
    EXPECT_EQ(scoped.value().codes(), QStringList({"0002", "A1"}));
    EXPECT_TRUE(scoped.value().allows(QStringLiteral("A1")));
    EXPECT_FALSE(scoped.value().allows(QStringLiteral("0001")));

    for (const QString &wrong : {QStringLiteral("matriz:md5$abc"), regional + QStringLiteral(",00001"),
                                 QString(regional).replace(QStringLiteral(":filiais="), QStringLiteral(":lojas="))}) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(line.toUtf8() + "\n" + wrong.toUtf8() + "\n");
        file.close();
        const Result<NoValue> refused = users.load(path, warnings);
        EXPECT_FALSE(refused.ok()) << wrong.toStdString();
        EXPECT_TRUE(refused.error().contains(QStringLiteral("linha 2"))) << refused.error().toStdString();
    }
}

TEST(NightModelTest, CommandLineDefaultsAndAccessRules)
{
    const Result<PainelOptions> parsed = PainelOptions::parse({"--db", "sqlite:/tmp/x.db"});
    ASSERT_TRUE(parsed.ok()) << parsed.error().toStdString();
    const PainelOptions &d = parsed.value();
    EXPECT_EQ(d.endereco, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(d.porta, 8052);
    EXPECT_EQ(d.atualizar, 30);
    EXPECT_EQ(d.virada, QTime(12, 0));
    const Result<PainelOptions> ipv6 = PainelOptions::parse({"--db", "sqlite:x", "--endereco", "::1"});
    ASSERT_TRUE(ipv6.ok()) << ipv6.error().toStdString();
    EXPECT_TRUE(ipv6.value().endereco.isLoopback());

    const struct {
        QStringList arguments;
        const char *named;
    } bad[] = {
        {{"--endereco", "127.0.0.1"}, "--db"},
        {{"--db", "mysql://x"}, "--db"},
        {{"--db", "sqlite:x", "--porta", "70000"}, "--porta"},
        {{"--db", "sqlite:x", "--atualizar", "0"}, "--atualizar"},
        {{"--db", "sqlite:x", "--virada", "25:00"}, "--virada"},
        {{"--db", "sqlite:x", "--endereco", "0.0.0.0"}, "HTTPS"},
        {{"--db", "sqlite:x", "--endereco", "10.0.0.5", "--usuarios", "u"}, "HTTPS"},
        {{"--db", "sqlite:x", "--certificado", "c.pem"}, "--chave"},
        {{"--db", "sqlite:x", "--certificado", "c.pem", "--chave", "k.pem"}, "--usuarios"},
        {{"--db", "sqlite:x", "--db", "sqlite:y"}, "--db"},
        {{"--db", "sqlite:x", "--senha", "y"}, "--senha"},
        {{"--nova-senha", "a:b"}, "--nova-senha"},
        {{"--nova-senha", "a", "--filiais", "0001,,0002"}, "--filiais: filial vazia"},
        {{"--db", "sqlite:x", "--filiais", "0001"}, "vai com --nova-senha"},
    };
    for (const auto &b : bad) {
        const Result<PainelOptions> refused = PainelOptions::parse(b.arguments);
        EXPECT_FALSE(refused.ok()) << b.arguments.join(' ').toStdString();
        EXPECT_TRUE(refused.error().contains(QLatin1String(b.named)))
            << b.arguments.join(' ').toStdString() << ": " << refused.error().toStdString();
    }
    const Result<PainelOptions> secured = PainelOptions::parse(
        {"--db", "sqlite:x", "--endereco", "0.0.0.0", "--usuarios", "u", "--certificado", "c", "--chave", "k"});
    ASSERT_TRUE(secured.ok()) << secured.error().toStdString();
    EXPECT_TRUE(secured.value().secured());
    const Result<PainelOptions> regional = PainelOptions::parse({"--nova-senha", "r", "--filiais", "0002,0001"});
    ASSERT_TRUE(regional.ok()) << regional.error().toStdString();
    EXPECT_EQ(regional.value().filiais.text(), QStringLiteral("0001,0002"));
}

TEST(NightModelTest, RequestsAreTakenOneByOneAndAnswersKeepTheirOrder)
{
    QByteArray bytes = "GET /api/noite?dia=2026-12-10&cdfilial=0001 HTTP/1.1\r\nHost: x\r\nX-A: 1\r\nx-a: 2\r\n\r\n"
                       "HEAD /sa%C3%BAde HTTP/1.0\r\n\r\nGET / HTTP/1.1\r\nConnection: keep-alive, Close\r\nContent-Le";
    HttpRequest r;
    ASSERT_EQ(HttpRequest::take(bytes, r), HttpRequest::Take::Done);
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.path, QStringLiteral("/api/noite"));
    EXPECT_EQ(r.query.queryItemValue(QStringLiteral("cdfilial")), QStringLiteral("0001"));
    EXPECT_EQ(r.value("x-a"), "1, 2");
    EXPECT_TRUE(r.keepAlive());
    ASSERT_EQ(HttpRequest::take(bytes, r), HttpRequest::Take::Done);
    EXPECT_EQ(r.path, QStringLiteral("/saúde"));
    EXPECT_FALSE(r.keepAlive());
    EXPECT_EQ(HttpRequest::take(bytes, r), HttpRequest::Take::Incomplete);
    bytes += "ngth: 3\r\n\r\nabc";
    ASSERT_EQ(HttpRequest::take(bytes, r), HttpRequest::Take::Done);
    EXPECT_FALSE(r.keepAlive());
    EXPECT_TRUE(r.hasBody());
    for (QByteArray bad : {QByteArray("GET / HTTP/2.0\r\n\r\n"), QByteArray("GET http://x/ HTTP/1.1\r\n\r\n"),
                           QByteArray("GET / HTTP/1.1\r\nsem dois pontos\r\n\r\n")})
        EXPECT_EQ(HttpRequest::take(bad, r), HttpRequest::Take::Bad) << bad.toStdString();

    // The second answer comes first: it waits for the first; nothing after
    // one that closes.
    ReplyQueue queue;
    const quint64 a = queue.open(), b = queue.open(), c = queue.open();
    bool close = true;
    queue.fill(b, "B", false);
    EXPECT_TRUE(queue.takeReady(close).isEmpty());
    queue.fill(a, "A", true);
    queue.fill(c, "C", false);
    EXPECT_EQ(queue.takeReady(close), "A");
    EXPECT_TRUE(close);
    EXPECT_EQ(queue.waiting(), 0);
}
