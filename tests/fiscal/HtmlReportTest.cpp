// The HTML page fed by hand: self-contained, and in a real browser (Debian's
// chromium, headless) it loads without a console error and its rendered
// document holds the chart and the tables.
#include "HtmlAuditWriter.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {
Finding finding(const char *rule, Severity severity, const QDate &day, const char *message)
{
    Finding f;
    f.rule = QLatin1String(rule);
    f.severity = severity;
    f.cdFilial = QStringLiteral("0001");
    f.cdCaixa = QStringLiteral("001");
    f.day = day;
    f.message = QString::fromUtf8(message);
    return f;
}

QByteArray page()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    HtmlAuditWriter writer(buffer);
    writer.begin({QStringLiteral("0001"), QString(), QDate(2026, 12, 1), QDate(2026, 12, 31)});
    writer.beginSection({QStringLiteral("0001"), true, QStringLiteral("BE0101010100000000A1"), QString()});
    Reduction r;
    r.cdFilial = QStringLiteral("0001");
    r.cdCaixa = QStringLiteral("001");
    r.nrEcf = QStringLiteral("001");
    r.serial = QStringLiteral("BE0101010100000000A1");
    r.model = QStringLiteral("FS-700 <MACH>|ACME & CIA");
    // Rows as a chain in CRZ order brings them when a day is out of order.
    for (int d : {1, 2, 5, 3, 4, 6}) {
        if (d == 4) {
            AuditEntry missing;
            missing.cdFilial = r.cdFilial;
            missing.cdCaixa = r.cdCaixa;
            missing.day = QDate(2026, 12, d);
            missing.findings = {finding("DIA_SEM_REDUCAO", Severity::Erro, missing.day, "movimento sem Redução Z")};
            writer.entry(missing);
            continue;
        }
        r.day = QDate(2026, 12, d);
        r.crz = 100 + d;
        r.crzText = QString::number(r.crz);
        r.gross = 100000 + 5000 * d;
        r.net = r.gross;
        AuditEntry entry;
        entry.reduction = &r;
        entry.cdFilial = r.cdFilial;
        entry.cdCaixa = r.cdCaixa;
        entry.day = r.day;
        if (d == 2)
            entry.findings = {finding("GT_DIVERGENTE", Severity::Erro, r.day, "grande total <errado>")};
        if (d == 5)
            entry.findings = {finding("CAT52_AUSENTE", Severity::Aviso, r.day, "sem arquivo")};
        writer.entry(entry);
    }
    writer.endSection();
    writer.beginSection({QStringLiteral("0001"), false, QString(), QStringLiteral("003")});
    AuditEntry alone;
    alone.cdFilial = QStringLiteral("0001");
    alone.cdCaixa = QStringLiteral("003");
    alone.day = QDate(2026, 12, 10);
    alone.findings = {finding("DIA_SEM_REDUCAO", Severity::Erro, alone.day, "movimento sem Redução Z")};
    writer.entry(alone);
    writer.endSection();
    writer.finish({5, 5, 2, 1});
    return buffer.data();
}
} // namespace

TEST(HtmlReportTest, SelfContainedPageWithTheTextsEscaped)
{
    const QByteArray html = page();
    EXPECT_TRUE(html.startsWith("<!DOCTYPE html>"));
    EXPECT_FALSE(html.contains("<script"));
    EXPECT_FALSE(html.contains("<link"));
    EXPECT_FALSE(html.contains(" src="));
    EXPECT_FALSE(html.contains("url("));
    // The only address is the SVG namespace, which is never fetched.
    EXPECT_EQ(html.count("http"), html.count("xmlns=\"http://www.w3.org/2000/svg\""));
    EXPECT_TRUE(html.contains("FS-700 &lt;MACH&gt; (ACME &amp; CIA)"));
    EXPECT_TRUE(html.contains("grande total &lt;errado&gt;"));
    EXPECT_EQ(html.count("<section"), 2);
    EXPECT_TRUE(html.contains("name=\"viewport\""));
    // The rows in day order, as the chart; a COO range kept on one line.
    const qsizetype body = html.indexOf("<tbody>");
    EXPECT_LT(html.indexOf("<td>02/12/2026</td>", body), html.indexOf("<td>03/12/2026</td>", body));
    EXPECT_LT(html.indexOf("<td>03/12/2026</td>", body), html.indexOf("<td>04/12/2026</td>", body));
    EXPECT_LT(html.indexOf("<td>04/12/2026</td>", body), html.indexOf("<td>05/12/2026</td>", body));
    EXPECT_TRUE(html.contains("td.coo { white-space: nowrap; }"));
    EXPECT_EQ(html.count("<td class=\"coo\">"), 5);
    EXPECT_TRUE(html.contains("@media print"));
}

TEST(HtmlReportTest, ChromiumRendersTheChartAndTablesWithoutConsoleErrors)
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    ASSERT_FALSE(chromium.isEmpty()) << "chromium is not installed (scripts/install-deps.sh installs it)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("auditoria.html"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(page());
    file.close();

    QProcess browser;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), dir.path());
    browser.setProcessEnvironment(environment);
    browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                             "--disable-background-networking", "--disable-component-update", "--disable-sync",
                             "--user-data-dir=" + dir.filePath(QStringLiteral("profile")), "--enable-logging=stderr",
                             "--v=0", "--dump-dom", QUrl::fromLocalFile(path).toString()});
    browser.closeWriteChannel();
    ASSERT_TRUE(browser.waitForFinished(120000)) << "chromium did not finish";
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    const QString log = QString::fromUtf8(browser.readAllStandardError());
    EXPECT_EQ(browser.exitCode(), 0) << log.toStdString();

    // The rendered document: a chart for the chain, none for the days
    // without a Z reduction (a table alone), the tables, the marks.
    EXPECT_EQ(dom.count(QStringLiteral("<svg")), 1) << dom.left(2000).toStdString();
    EXPECT_EQ(dom.count(QStringLiteral("<table")), 3);
    EXPECT_EQ(dom.count(QRegularExpression(QStringLiteral("<rect x="))), 5);
    EXPECT_EQ(dom.count(QStringLiteral("class=\"falta erro\"")), 1);
    EXPECT_TRUE(dom.contains(QStringLiteral("<tr class=\"erro\"><td>02/12/2026</td>")));
    EXPECT_TRUE(dom.contains(QStringLiteral("id=\"totais\"")));
    // Nothing said on the console, nothing fetched.
    EXPECT_FALSE(log.contains(QStringLiteral("CONSOLE"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("Uncaught"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("net::ERR"))) << log.toStdString();
}
