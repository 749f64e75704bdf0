// The service as a process on the ledger's data set: the night's states and
// findings as the ledger gives them, the cache, the bad requests and the
// dropped connections, requests sent together and connections closed when
// asked, /metrics through promtool, the database going away and coming back
// or going silent, the page in chromium.
#include "FiscalDataSet.h"
#include "PainelProcess.h"
#include "TcpRelay.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>
#include <future>

namespace {

const QDate Dec2(2026, 12, 2);
const QDate Dec10(2026, 12, 10);

QString iso(const QDate &day)
{
    return day.toString(Qt::ISODate);
}

QJsonObject json(const HttpAnswer &a)
{
    return QJsonDocument::fromJson(a.body).object();
}

// The registers of a night by "branch/register/ECF".
QHash<QString, QJsonObject> registers(const QJsonObject &night)
{
    QHash<QString, QJsonObject> out;
    for (const QJsonValue b : night.value("filiais").toArray())
        for (const QJsonValue c : b.toObject().value("caixas").toArray())
            out.insert(b.toObject().value("cdfilial").toString() + '/' + c.toObject().value("cdcaixa").toString() + '/'
                           + c.toObject().value("nrecf").toString(),
                       c.toObject());
    return out;
}

QStringList rules(const QJsonObject &reg)
{
    QStringList out;
    for (const QJsonValue o : reg.value("ocorrencias").toArray())
        out << o.toObject().value("rule").toString();
    return out;
}

// Polls a path until its status is the one wanted (bounded).
bool waitForStatus(const PainelProcess &p, const QString &path, int status)
{
    for (int i = 0; i < 60; ++i) {
        if (p.get(path).status == status)
            return true;
        QThread::msleep(500);
    }
    return false;
}

// The database file behind the data set's connection (SQLite, natively or
// through ODBC).
QString sqlitePath(const QString &connection)
{
    const qsizetype at = connection.indexOf(QLatin1String("Database="));
    return at >= 0 ? connection.mid(at + 9).section(QLatin1Char(';'), 0, 0) : connection.mid(7);
}

// Stops or lets again the service's connections to its database: the file
// away and back on SQLite, connections refused on PostgreSQL (this suite's
// own database on the shared server).
void setDatabaseUp(bool up)
{
    FiscalDataSet &data = FiscalDataSet::instance();
    if (TestDb::isPostgres()) {
        // From the server's own database: a session cannot lock out its own.
        const QString name = data.db().scalar(QStringLiteral("SELECT current_database()")).toString();
        QFile server(qEnvironmentVariable("KAL_PG_STATE") + QStringLiteral("/connection"));
        ASSERT_TRUE(server.open(QIODevice::ReadOnly));
        AdoConnection admin(QStringLiteral("painelswitch"));
        admin.setConnectionString(QString::fromUtf8(server.readAll()).trimmed());
        admin.open();
        admin.execute(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS %2").arg(name, up ? "true" : "false"));
        return;
    }
    const QString path = sqlitePath(data.connectionString());
    const QString away = path + QStringLiteral(".fora");
    ASSERT_TRUE(up ? QFile::rename(away, path) : QFile::rename(path, away));
}

QString chromiumDom(const QString &url, QTemporaryDir &dir)
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        return {};
    QProcess browser;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), dir.path());
    // The browser keeps the machine's clock when the suite runs as if on
    // another day (faketime does not carry it): the page's data come with
    // their own time.
    environment.remove(QStringLiteral("LD_PRELOAD"));
    environment.remove(QStringLiteral("FAKETIME"));
    browser.setProcessEnvironment(environment);
    browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                             "--disable-background-networking", "--disable-component-update", "--disable-sync",
                             "--user-data-dir=" + dir.filePath(QStringLiteral("profile")), "--window-size=390,844",
                             "--virtual-time-budget=5000", "--dump-dom", url});
    browser.closeWriteChannel();
    if (!browser.waitForFinished(120000))
        browser.kill();
    return QString::fromUtf8(browser.readAllStandardOutput());
}

// The page in a real browser, on a phone's width, after its script ran:
// the branch, its counts, the registers (pending first), the notice; then
// the filter and the search, as a link gives them.
void expectPages(const QString &dom, const QString &pendingOnly)
{
    ASSERT_FALSE(dom.isEmpty()) << "chromium gave no document";
    EXPECT_TRUE(dom.contains(QStringLiteral("data-cdfilial=\"0001\""))) << dom.left(3000).toStdString();
    EXPECT_TRUE(dom.contains(QStringLiteral("1 pendente")));
    EXPECT_TRUE(dom.contains(QStringLiteral("2 caixas")));
    EXPECT_TRUE(dom.contains(QStringLiteral("10/12/2026")));
    EXPECT_TRUE(dom.contains(QStringLiteral("banco indisponível desde")));
    EXPECT_LT(dom.indexOf(QStringLiteral("data-estado=\"pendente\" data-cdcaixa=\"003\"")),
              dom.indexOf(QStringLiteral("data-cdcaixa=\"001\"")));
    EXPECT_GE(dom.indexOf(QStringLiteral("data-estado=\"pendente\" data-cdcaixa=\"003\"")), 0);

    // The filter and the search, as a link gives them: the pending registers
    // of the branch searched for, unfolded, and nothing else.
    static const QRegularExpression drawn(QStringLiteral("class=\"caixa\" data-estado=\"([a-z_0-9]+)\""));
    QStringList states;
    for (const auto &m : drawn.globalMatch(pendingOnly))
        states << m.captured(1);
    EXPECT_EQ(states, QStringList{QStringLiteral("pendente")}) << pendingOnly.left(3000).toStdString();
    EXPECT_TRUE(pendingOnly.contains(QStringLiteral("mostrando: pendente")));
    static const QRegularExpression branches(QStringLiteral("<details class=\"filial\" data-cdfilial=\"([0-9]+)\""));
    for (const auto &m : branches.globalMatch(pendingOnly))
        EXPECT_EQ(m.captured(1), QStringLiteral("0001"));
}

// The squares of a register of a branch drawn in the page: state by night
// ("" for a night without one).
QHash<QString, QString> squares(const QString &dom, const QString &cdfilial, const QString &cdcaixa)
{
    const qsizetype branch = dom.indexOf("data-cdfilial=\"" + cdfilial + '"');
    const qsizetype at = branch < 0 ? -1 : dom.indexOf("data-cdcaixa=\"" + cdcaixa + '"', branch);
    if (at < 0)
        return {};
    qsizetype end = dom.indexOf(QStringLiteral("<li class=\"caixa\""), at);
    end = std::min(end < 0 ? dom.size() : end, dom.indexOf(QStringLiteral("</details>"), at));
    static const QRegularExpression square(
        QStringLiteral("<i data-dia=\"([0-9-]{10})\"(?: data-estado=\"([a-z_0-9]+)\")?></i>"));
    QHash<QString, QString> out;
    for (const auto &m : square.globalMatch(dom.mid(at, end - at)))
        out.insert(m.captured(1), m.captured(2));
    return out;
}

// What /api/historico gives for a register of a branch, night by night: the
// worst state of its entries (one a printer, or none for a movement alone).
QHash<QString, QString> historyOf(const QJsonObject &history, const QString &cdfilial, const QString &cdcaixa)
{
    static const QStringList worstFirst{"pendente", "com_erro", "sem_cat52", "gravada", "sem_movimento"};
    QHash<QString, QString> out;
    for (const QJsonValue b : history.value("filiais").toArray())
        for (const QJsonValue c : b.toObject().value("caixas").toArray())
            if (b.toObject().value("cdfilial").toString() == cdfilial
                && c.toObject().value("cdcaixa").toString() == cdcaixa)
                for (const QJsonValue n : c.toObject().value("noites").toArray()) {
                    const QString day = n.toObject().value("dia").toString();
                    const QString state = n.toObject().value("estado").toString();
                    if (!out.contains(day) || worstFirst.indexOf(state) < worstFirst.indexOf(out.value(day)))
                        out.insert(day, state);
                }
    return out;
}

class PainelServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_painel = new PainelProcess({"--db", FiscalDataSet::instance().connectionString(), "--virada", "00:00"});
    }
    static void TearDownTestSuite()
    {
        delete s_painel;
        s_painel = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_painel->error().isEmpty()) << s_painel->error().toStdString(); }
    static PainelProcess *s_painel;
};
PainelProcess *PainelServiceTest::s_painel = nullptr;

} // namespace

TEST_F(PainelServiceTest, TheNightsStatesAreTheLedgersFindingsAndAreReadOncePerPeriod)
{
    const PainelProcess &p = *s_painel;
    const HttpAnswer a = p.get("/api/noite?dia=" + iso(Dec2));
    ASSERT_EQ(a.status, 200) << a.body.toStdString();
    EXPECT_EQ(a.headers.value("content-type"), "application/json; charset=utf-8");
    const QJsonObject night = json(a);
    EXPECT_EQ(night.value("dia").toString(), iso(Dec2));
    EXPECT_FALSE(night.contains("banco"));
    const auto regs = registers(night);
    EXPECT_EQ(regs.value("0001/001/001").value("estado").toString(), QStringLiteral("com_erro"));
    EXPECT_TRUE(rules(regs.value("0001/001/001")).contains(QStringLiteral("COO_SOBREPOSTO")));
    EXPECT_EQ(regs.value("0001/002/002").value("estado").toString(), QStringLiteral("gravada"));
    EXPECT_EQ(regs.value("0001/002/002").value("venda_bruta").toDouble() > 0, true);
    EXPECT_EQ(regs.value("0004/020/020").value("estado").toString(), QStringLiteral("gravada"));
    EXPECT_EQ(regs.value("0004/020/021").value("estado").toString(), QStringLiteral("sem_cat52"));
    EXPECT_EQ(rules(regs.value("0004/020/021")), QStringList{"CAT52_AUSENTE"});
    // Branches in code order, each with its counts; the whole night's counts are theirs summed.
    QStringList order;
    int sum = 0;
    for (const QJsonValue b : night.value("filiais").toArray()) {
        order << b.toObject().value("cdfilial").toString();
        const QJsonObject t = b.toObject().value("totais").toObject();
        EXPECT_EQ(t.value("caixas").toInt(), t.value("gravada").toInt() + t.value("sem_cat52").toInt()
                                                 + t.value("com_erro").toInt() + t.value("pendente").toInt());
        sum += t.value("caixas").toInt();
    }
    EXPECT_EQ(order, (QStringList{"0001", "0002", "0003", "0004", "0005"}));
    EXPECT_EQ(night.value("totais").toObject().value("caixas").toInt(), sum);
    EXPECT_EQ(sum, regs.size());

    // Each finding the audit gives for that day is on its register.
    const HttpAnswer day = p.get("/api/auditoria?de=" + iso(Dec2) + "&ate=" + iso(Dec2));
    ASSERT_EQ(day.status, 200) << day.body.toStdString();
    const QJsonArray findings = json(day).value("findings").toArray();
    EXPECT_FALSE(findings.isEmpty());
    for (const QJsonValue v : findings) {
        const QJsonObject f = v.toObject();
        const QString key = f.value("cdfilial").toString() + '/' + f.value("cdcaixa").toString() + '/'
                            + f.value("nrecf").toString();
        EXPECT_TRUE(rules(regs.value(key)).contains(f.value("rule").toString())) << key.toStdString();
    }
    // The period's findings are auditar's JSON, as the command writes it.
    ProcessRun ledger = FiscalDataSet::fiscal({"auditar", "--db", FiscalDataSet::instance().connectionString(), "--de",
                                               "01/12/2026", "--ate", "31/12/2026", "--formato", "json"});
    EXPECT_EQ(p.get("/api/auditoria?de=2026-12-01&ate=2026-12-31").body, ledger.out);

    // 10/12: one register without its Z reduction; the other's state is
    // what the ledger finds for that day alone.
    const auto dec10 = registers(json(p.get("/api/noite?dia=" + iso(Dec10) + "&cdfilial=0001")));
    EXPECT_EQ(dec10.size(), 2);
    EXPECT_EQ(dec10.value("0001/003/").value("estado").toString(), QStringLiteral("pendente"));
    EXPECT_TRUE(dec10.value("0001/003/").value("crz").isNull());
    const QJsonObject r001 = dec10.value("0001/001/001");
    EXPECT_TRUE(rules(r001).contains(QStringLiteral("CRO_ALTERADO"))
                && rules(r001).contains(QStringLiteral("CAT52_AUSENTE")));
    const QByteArray alone =
        p.get("/api/auditoria?de=" + iso(Dec10) + "&ate=" + iso(Dec10) + "&cdfilial=0001&cdcaixa=001").body;
    EXPECT_EQ(r001.value("estado").toString(),
              alone.contains("\"severity\": \"erro\"") ? QStringLiteral("com_erro") : QStringLiteral("sem_cat52"))
        << alone.toStdString();

    // Inside the period: the same read. Fifty clients at once on a night not
    // read yet: all answered whole, from one read.
    EXPECT_EQ(json(p.get("/api/noite?dia=" + iso(Dec2))).value("lido_em"), night.value("lido_em"));
    std::vector<std::future<HttpAnswer>> clients;
    for (int i = 0; i < 50; ++i)
        clients.push_back(std::async(std::launch::async, [&p] { return p.get("/api/noite?dia=2026-12-03"); }));
    QSet<QString> readAt;
    for (auto &c : clients) {
        const HttpAnswer answer = c.get();
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.body.size(), answer.headers.value("content-length").toLongLong());
        readAt << json(answer).value("lido_em").toString();
    }
    EXPECT_EQ(readAt.size(), 1);
}

// Each night of the history against that night as /api/noite gives it
// (the ledger's findings of that day): a register's state night by night,
// its nights without movement, the branch's nights in trouble.
TEST_F(PainelServiceTest, TheHistoryIsEachNightsStatesReadOnce)
{
    const PainelProcess &p = *s_painel;
    const QDate de(2026, 12, 1), ate(2026, 12, 12);
    const QString path = "/api/historico?de=" + iso(de) + "&ate=" + iso(ate);
    const HttpAnswer a = p.get(path);
    ASSERT_EQ(a.status, 200) << a.body.toStdString();
    // Read once: the same answer, read at the same time (each /api/noite
    // below reads its night afresh, which replaces it in the history).
    EXPECT_EQ(p.get(path).body, a.body);
    const QJsonObject history = json(a);
    EXPECT_EQ(history.value("de").toString(), iso(de));
    QHash<QString, QStringList> nights; // "branch/register/ECF": state of each night
    QHash<QString, int> trouble;
    QStringList order;
    for (const QJsonValue b : history.value("filiais").toArray()) {
        const QString branch = b.toObject().value("cdfilial").toString();
        order << branch;
        trouble[branch] = b.toObject().value("noites_com_problema").toInt();
        for (const QJsonValue c : b.toObject().value("caixas").toArray()) {
            QStringList states;
            for (const QJsonValue n : c.toObject().value("noites").toArray())
                states << n.toObject().value("estado").toString();
            EXPECT_EQ(states.size(), de.daysTo(ate) + 1);
            nights.insert(branch + '/' + c.toObject().value("cdcaixa").toString() + '/'
                              + c.toObject().value("nrecf").toString(),
                          states);
        }
    }
    EXPECT_EQ(order, (QStringList{"0001", "0002", "0003", "0004", "0005"}));
    QHash<QString, int> troubleSeen;
    QSet<QString> seen;
    for (int n = 0; n <= de.daysTo(ate); ++n) {
        const auto regs = registers(json(p.get("/api/noite?dia=" + iso(de.addDays(n)))));
        QSet<QString> branchesInTrouble;
        for (auto it = regs.cbegin(); it != regs.cend(); ++it) {
            const QString state = it->value("estado").toString();
            if (state == QLatin1String("pendente") || state == QLatin1String("com_erro"))
                branchesInTrouble << it.key().section('/', 0, 0);
            // A register's night without its Z reduction is on its printers' lines.
            QStringList keys;
            for (auto h = nights.cbegin(); h != nights.cend(); ++h)
                if (h.key() == it.key()
                    || (it.key().endsWith('/') && !nights.contains(it.key()) && h.key().startsWith(it.key())))
                    keys << h.key();
            ASSERT_FALSE(keys.isEmpty()) << it.key().toStdString();
            for (const QString &key : keys) {
                EXPECT_EQ(nights.value(key).value(n), state) << key.toStdString() << " " << n;
                seen << key + '@' + QString::number(n);
            }
        }
        for (const QString &b : branchesInTrouble)
            ++troubleSeen[b];
    }
    int withoutMovement = 0;
    for (auto h = nights.cbegin(); h != nights.cend(); ++h)
        for (int n = 0; n < h->size(); ++n)
            if (!seen.contains(h.key() + '@' + QString::number(n))) {
                EXPECT_EQ(h->at(n), QStringLiteral("sem_movimento")) << h.key().toStdString() << " " << n;
                ++withoutMovement;
            }
    EXPECT_GT(withoutMovement, 0);
    EXPECT_GT(troubleSeen.value("0001"), 0);
    for (const QString &b : order)
        EXPECT_EQ(trouble.value(b), troubleSeen.value(b)) << b.toStdString();
    EXPECT_EQ(json(p.get(path + "&cdfilial=0002")).value("filiais").toArray().size(), 1);
    for (const char *bad : {"de=2026-12-10&ate=2026-12-01", "de=2026-10-01&ate=2026-12-10", "ate=10/12/2026",
                            "cdfilial=00%2F1", "dia=2026-12-01"})
        EXPECT_EQ(p.get(QStringLiteral("/api/historico?") + bad).status, 400) << bad;
}

// The page on 10/12 with its history: a strip for every branch of the
// period (those silent that night too), one element while folded; the
// unfolded branch's registers with a square a night, in the history's states.
TEST_F(PainelServiceTest, ThePageDrawsTheLastThirtyNightsOfEachBranchAndRegister)
{
    const PainelProcess &p = *s_painel;
    const HttpAnswer answer = p.get("/api/historico?de=" + iso(Dec10.addDays(-29)) + "&ate=" + iso(Dec10));
    ASSERT_EQ(answer.status, 200) << answer.body.toStdString();
    const QJsonObject history = json(answer);
    // The strips come with the page's second request, made once the night is
    // drawn: on a loaded machine chromium may give the document before its
    // answer is in (its virtual time ran out between the two). Asked again
    // then, at most three times.
    QString dom;
    for (int attempt = 0; attempt < 3 && !dom.contains(QStringLiteral("--f: linear-gradient")); ++attempt) {
        QTemporaryDir browserDir;
        dom = chromiumDom(p.url("/#dia=" + iso(Dec10)), browserDir);
    }
    ASSERT_FALSE(dom.isEmpty()) << "chromium gave no document";
    const qsizetype nota = dom.indexOf(QStringLiteral("id=\"nota\""));
    SCOPED_TRACE(dom.mid(nota, 200).toStdString());

    QStringList striped;
    for (const QString &branch : dom.split(QStringLiteral("<details class=\"filial\" data-cdfilial=\"")).mid(1)) {
        // 0001's worst on its last night: the pending register.
        if (branch.startsWith(QStringLiteral("0001"))) {
            EXPECT_TRUE(branch.contains(QStringLiteral("var(--p) 0 100%)"))) << branch.left(2000).toStdString();
        }
        if (branch.contains(QStringLiteral("class=\"faixa\""))
            && branch.contains(QStringLiteral("--f: linear-gradient")))
            striped << branch.left(4);
        if (!branch.contains(QStringLiteral("<ul class=\"caixas\""))) {
            EXPECT_FALSE(branch.contains(QStringLiteral("<i data-dia"))) << branch.left(4).toStdString();
        }
    }
    // 0001 first (a pending register that night), then the branches silent
    // that night by their nights with a problem, then their codes.
    QList<QPair<int, QString>> silent;
    for (const QJsonValue b : history.value("filiais").toArray())
        if (b.toObject().value("cdfilial").toString() != QLatin1String("0001"))
            silent.append(
                {-b.toObject().value("noites_com_problema").toInt(), b.toObject().value("cdfilial").toString()});
    std::sort(silent.begin(), silent.end());
    QStringList order{"0001"};
    for (const auto &b : silent)
        order << b.second;
    EXPECT_EQ(order.size(), 5);
    EXPECT_EQ(striped, order) << dom.left(4000).toStdString();

    // Branch 0001 opens by itself (a pending register): each register's
    // squares are the history's nights; the data set's own nights among them.
    const QHash<QString, QString> r003 = squares(dom, "0001", "003");
    const QHash<QString, QString> r001 = squares(dom, "0001", "001");
    EXPECT_EQ(r003.size(), 30);
    EXPECT_EQ(r003, historyOf(history, "0001", "003"));
    EXPECT_EQ(r001, historyOf(history, "0001", "001"));
    EXPECT_EQ(r003.value(iso(Dec10)), QStringLiteral("pendente"));
    EXPECT_EQ(r003.value(iso(Dec10.addDays(-1))), QStringLiteral("sem_movimento"));
    EXPECT_EQ(r001.value(iso(Dec2)), QStringLiteral("com_erro"));
    EXPECT_EQ(r001.value("2026-12-05"), QStringLiteral("pendente"));
    EXPECT_EQ(r001.value("2026-12-06"), QStringLiteral("sem_movimento"));
    EXPECT_TRUE(dom.contains(QStringLiteral("<span id=\"nota\"></span>")));
}

TEST_F(PainelServiceTest, BadRequestsAreAnsweredAndBadConnectionsDroppedWhileItKeepsServing)
{
    const PainelProcess &p = *s_painel;
    const struct {
        QByteArray request;
        int status;
        const char *names;
    } cases[] = {
        {"GET /api/noite?dia=2026-02-30", 400, "dia"},
        {"GET /api/noite?dia=10/12/2026", 400, "dia"},
        {"GET /api/noite?cdfilial=00001", 400, "cdfilial"},
        {"GET /api/noite?cdfilial=0%27%3B--", 400, "cdfilial"},
        {"GET /api/noite?turno=1", 400, "turno"},
        {"GET /api/auditoria?de=2026-01-01&ate=2027-01-02", 400, "366"},
        {"GET /api/auditoria?ate=2026-12-01", 400, "de"},
        {"GET /api/auditoria?de=2026-12-02&ate=2026-12-01", 400, "ate"},
        {"GET /api/auditoria?de=2026-12-01&ate=2026-12-01&cdcaixa=1234", 400, "cdcaixa"},
        {"GET /api/nada", 404, "/api/nada"},
        {"POST /api/noite", 405, "GET"},
        {"DELETE /", 405, "GET"},
    };
    const QString connection = FiscalDataSet::instance().connectionString();
    for (const auto &c : cases) {
        const HttpAnswer a = p.raw(c.request + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n");
        EXPECT_EQ(a.status, c.status) << c.request.toStdString();
        EXPECT_TRUE(json(a).value("erro").toString().contains(QLatin1String(c.names)))
            << c.request.toStdString() << ": " << a.body.toStdString();
        EXPECT_FALSE(a.body.contains(connection.toUtf8()));
    }
    EXPECT_EQ(p.raw("PUT / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n").headers.value("allow"), "GET, HEAD");

    // The page, and its head alone.
    const HttpAnswer page = p.get("/");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.headers.value("content-type"), "text/html; charset=utf-8");
    EXPECT_TRUE(page.body.contains("<script>") && !page.body.contains("src=") && !page.body.contains("://"));
    const HttpAnswer head = p.raw("HEAD / HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.headers.value("content-length").toLongLong(), page.body.size());
    EXPECT_TRUE(head.body.isEmpty());

    // Over 8 KB in a line or in many: dropped without an answer. A body on a GET: refused.
    EXPECT_EQ(p.raw("GET /saude?" + QByteArray(9000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n").status, 0);
    QByteArray many = "GET /saude HTTP/1.1\r\n";
    for (int i = 0; i < 100; ++i)
        many += "X-" + QByteArray::number(i) + ": " + QByteArray(100, 'b') + "\r\n";
    EXPECT_EQ(p.raw(many + "\r\n").status, 0);
    EXPECT_EQ(p.raw("GET /saude HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello").status, 400);

    // A client that sends a byte a second is let go.
    QTcpSocket slow;
    slow.connectToHost(QStringLiteral("127.0.0.1"), p.port());
    ASSERT_TRUE(slow.waitForConnected(10000));
    const QByteArray request = "GET /saude HTTP/1.1\r\nHost: " + QByteArray(60, 'x') + "\r\n\r\n";
    qsizetype sent = 0;
    while (sent < request.size() && slow.state() == QAbstractSocket::ConnectedState) {
        slow.write(request.mid(sent++, 1));
        slow.waitForBytesWritten(1000);
        slow.waitForDisconnected(1000);
    }
    EXPECT_LT(sent, request.size()) << "the slow request was taken whole";
    EXPECT_TRUE(slow.readAll().isEmpty());

    EXPECT_EQ(p.get("/saude").body, "ok\n");
}

TEST_F(PainelServiceTest, MetricsPassPromtoolAndTheDatabaseGoingAwayIsToldAndRecovered)
{
    // A register with a movement today and no Z reduction: the night's metrics
    // have it. The service's today is pinned, away from the data set's days.
    const QDate today = PainelProcess::ClockDay;
    FiscalDataSet::instance().db().exec(QStringLiteral("INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES "
                                                       "('0009', '001', %1)")
                                            .arg(FiscalDataSet::timestamp(today, QStringLiteral("10:00:00"))));
    PainelProcess p({"--db", FiscalDataSet::instance().connectionString(), "--virada", "00:00", "--atualizar", "1"},
                    false, true);
    ASSERT_TRUE(p.error().isEmpty()) << p.error().toStdString();
    const QJsonObject now = json(p.get("/api/noite"));
    // The night asked without a day is today's (from 00:00 on).
    EXPECT_EQ(now.value("dia").toString(), iso(today));

    const HttpAnswer metrics = p.get("/metrics");
    ASSERT_EQ(metrics.status, 200);
    EXPECT_EQ(metrics.headers.value("content-type"), "text/plain; version=0.0.4; charset=utf-8");
    EXPECT_TRUE(metrics.body.contains("kal02700_caixas{cdfilial=\"0009\",estado=\"pendente\"} 1\n"))
        << metrics.body.toStdString();
    EXPECT_TRUE(metrics.body.contains(
        "kal02700_ocorrencias{cdfilial=\"0009\",regra=\"DIA_SEM_REDUCAO\",severidade=\"erro\"} 1\n"));
    EXPECT_TRUE(metrics.body.contains("kal02700_banco_disponivel 1\n"));
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    ASSERT_FALSE(promtool.isEmpty()) << "promtool is not installed (scripts/install-deps.sh installs prometheus)";
    QByteArray out, err;
    EXPECT_EQ(PainelProcess::run(promtool, {"check", "metrics"}, metrics.body, &out, &err), 0)
        << out.toStdString() << err.toStdString();

    const QString path = "/api/noite?dia=" + iso(Dec10);
    const QJsonObject before = json(p.get(path));
    ASSERT_EQ(before.value("totais").toObject().value("pendente").toInt(), 1);

    setDatabaseUp(false);
    const bool down = waitForStatus(p, "/saude", 503);
    const HttpAnswer health = p.get("/saude");
    const QJsonObject stale = json(p.get(path));
    const HttpAnswer downMetrics = p.get("/metrics");
    QTemporaryDir browserDir;
    const QString dom = chromiumDom(p.url("/#" + iso(Dec10)), browserDir);
    const QString pendingOnly = chromiumDom(p.url("/#dia=" + iso(Dec10) + "&filtro=pendente&busca=0001"), browserDir);
    setDatabaseUp(true);
    ASSERT_TRUE(down) << p.log().toStdString();
    EXPECT_TRUE(health.body.startsWith("banco indisponível desde ")) << health.body.toStdString();
    EXPECT_FALSE(health.body.contains(FiscalDataSet::instance().connectionString().toUtf8()));
    // The last night read, told as such.
    EXPECT_TRUE(stale.value("banco").toString().startsWith(QStringLiteral("indisponível desde ")));
    EXPECT_EQ(stale.value("lido_em"), before.value("lido_em"));
    EXPECT_EQ(stale.value("totais"), before.value("totais"));
    EXPECT_TRUE(downMetrics.body.contains("kal02700_banco_disponivel 0\n"));

    expectPages(dom, pendingOnly);

    // Back by itself.
    EXPECT_TRUE(waitForStatus(p, "/saude", 200));
    bool fresh = false;
    for (int i = 0; i < 20 && !fresh; ++i) {
        const QJsonObject again = json(p.get(path));
        fresh = !again.contains("banco") && again.value("lido_em") != before.value("lido_em");
        if (!fresh)
            QThread::msleep(500);
    }
    EXPECT_TRUE(fresh);
    EXPECT_EQ(p.terminate(), 0) << p.log().toStdString();
}

TEST_F(PainelServiceTest, AnswersKeepTheOrderOfTheRequestsAndTheConnectionClosesWhenAsked)
{
    const PainelProcess &p = *s_painel;
    // Three at once, the first a night not read yet (answered when its read
    // ends), the others at hand: they come back in the order asked.
    const QList<HttpAnswer> three = p.exchange("GET /api/noite?dia=2026-12-05 HTTP/1.1\r\nHost: x\r\n\r\n"
                                               "GET /saude HTTP/1.1\r\nHost: x\r\n\r\n"
                                               "GET / HTTP/1.1\r\nHost: x\r\n\r\n",
                                               3);
    ASSERT_EQ(three.size(), 3);
    EXPECT_EQ(json(three.at(0)).value("dia").toString(), QStringLiteral("2026-12-05"))
        << three.at(0).body.toStdString();
    EXPECT_EQ(three.at(1).body, "ok\n");
    EXPECT_TRUE(three.at(2).body.contains("<script>"));

    // HTTP/1.0, "Connection: close" (what follows it unanswered), a body:
    // the answer, then the end of the connection.
    for (const QByteArray &request :
         {QByteArray("GET /saude HTTP/1.0\r\n\r\n"),
          QByteArray("GET /saude HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\nGET / HTTP/1.1\r\nHost: x\r\n\r\n"),
          QByteArray("GET /saude HTTP/1.1\r\nHost: x\r\nContent-Length: 2\r\n\r\n{}GET / HTTP/1.1\r\n\r\n")}) {
        bool closed = false;
        const QList<HttpAnswer> answers = p.exchange(request, 1, &closed);
        ASSERT_EQ(answers.size(), 1) << request.toStdString();
        EXPECT_EQ(answers.at(0).headers.value("connection"), "close");
        EXPECT_TRUE(closed) << request.toStdString();
    }
}

TEST_F(PainelServiceTest, AReadHungOnASilentServerIsToldAndDoesNotHoldSigterm)
{
    if (!TestDb::isPostgres() || TestDb::isOdbc())
        GTEST_SKIP() << "a relay in between is one of the native PostgreSQL connection";
    QUrl url(FiscalDataSet::instance().connectionString());
    // The relay stops forwarding once the night's read asks for the movements.
    TcpRelay relay(quint16(url.port()), "MOVCAIXA");
    ASSERT_NE(relay.port(), 0);
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(relay.port());
    PainelProcess p({"--db", url.toString(), "--virada", "00:00", "--atualizar", "1"});
    ASSERT_TRUE(p.error().isEmpty()) << p.error().toStdString();
    // Answered once the read is past its limit, as a database that does not answer.
    const HttpAnswer health = p.get("/saude");
    EXPECT_TRUE(relay.stalled());
    EXPECT_EQ(health.status, 503);
    EXPECT_TRUE(health.body.startsWith("banco indisponível desde ")) << health.body.toStdString();
    EXPECT_EQ(p.get("/api/noite").status, 503);
    EXPECT_TRUE(p.get("/metrics").body.contains("kal02700_banco_disponivel 0\n"));
    // The hung read is not waited for.
    EXPECT_EQ(p.terminate(), 0) << p.log().toStdString();
    if (!url.password().isEmpty()) {
        EXPECT_FALSE(p.log().contains(url.password()));
    }
}
