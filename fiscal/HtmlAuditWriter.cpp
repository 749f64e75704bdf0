#include "FormatSettings.h"
#include "HtmlAuditWriter.h"
#include "LedgerValues.h"

#include <QIODevice>
#include <QMap>
#include <QStringList>

#include <algorithm>

using FormatSettings::displayMoney;
using LedgerValues::displayDay;

namespace {
QString esc(const QString &text)
{
    return text.toHtmlEscaped();
}

const char *const Style = R"(
:root { --erro: #b3261e; --aviso: #a15c00; --ok: #2f5f98; --falta: #8a8a8a; }
* { box-sizing: border-box; }
body { font: 15px/1.45 "Liberation Sans", Arial, Helvetica, sans-serif; color: #1d1d1d; margin: 0 auto;
       max-width: 1100px; padding: 12px; background: #fff; }
h1 { font-size: 1.45em; margin: .2em 0; }
h2 { font-size: 1.15em; margin: 1.4em 0 .2em; border-bottom: 2px solid #d0d7e2; padding-bottom: .2em; }
p { margin: .25em 0; }
.meta, .resumo { color: #444; }
.erro { color: var(--erro); }
.aviso { color: var(--aviso); }
figure { margin: .6em 0; }
svg { width: 100%; height: auto; max-height: 240px; display: block; background: #fafbfd; border: 1px solid #e2e6ee; }
figcaption { font-size: .85em; color: #555; }
.chave { display: inline-block; width: .8em; height: .8em; margin: 0 .25em 0 .8em; vertical-align: -.05em; }
.tabela { overflow-x: auto; -webkit-overflow-scrolling: touch; }
table { border-collapse: collapse; width: 100%; font-size: .92em; }
th, td { border-bottom: 1px solid #e3e3e3; padding: .3em .45em; text-align: left; vertical-align: top; }
th { background: #f1f4f9; }
td.n, th.n { text-align: right; white-space: nowrap; }
td.coo { white-space: nowrap; }
tr.erro td { background: #fdeceb; }
tr.aviso td { background: #fff5e0; }
tr.falta td { background: #f4f4f4; font-style: italic; }
td ul { margin: 0; padding-left: 1.1em; }
td li b { font-weight: 600; }
tfoot th { background: #e8edf5; }
@media (max-width: 600px) { body { font-size: 14px; padding: 6px; } th, td { padding: .25em .3em; } }
@media print {
  body { max-width: none; font-size: 10pt; padding: 0; }
  .tabela { overflow: visible; }
  svg { max-height: 160px; }
  tr { break-inside: avoid; }
  h2 { break-after: avoid; }
}
)";
QString count(qint64 n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
}
} // namespace

void HtmlAuditWriter::write(const QString &html)
{
    m_out.write(html.toUtf8());
}

void HtmlAuditWriter::begin(const AuditScope &scope)
{
    const QString period = displayDay(scope.de) + QStringLiteral(" a ") + displayDay(scope.ate);
    write(QStringLiteral("<!DOCTYPE html>\n<html lang=\"pt-BR\">\n<head>\n<meta charset=\"utf-8\">\n"
                         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                         "<title>Auditoria das Reduções Z: %1</title>\n<style>%2</style>\n</head>\n<body>\n"
                         "<header>\n<h1>Auditoria das Reduções Z</h1>\n"
                         "<p class=\"meta\">Período %1 · filial %3 · caixa %4</p>\n</header>\n<main>\n")
              .arg(esc(period), QString::fromLatin1(Style),
                   scope.cdFilial.isEmpty() ? QStringLiteral("todas") : esc(scope.cdFilial),
                   scope.cdCaixa.isEmpty() ? QStringLiteral("todos") : esc(scope.cdCaixa)));
}

void HtmlAuditWriter::beginSection(const AuditSection &section)
{
    m_section = section;
    m_model.clear();
    m_days.clear();
}

void HtmlAuditWriter::entry(const AuditEntry &entry)
{
    Day d;
    d.day = entry.day;
    d.cdCaixa = entry.cdCaixa;
    d.findings = entry.findings;
    if (const Reduction *r = entry.reduction) {
        d.stored = true;
        d.nrEcf = r->nrEcf;
        // Counters as numbers where they are; as stored where they are not.
        auto counter = [](qint64 value, const QString &text) { return value >= 0 ? QString::number(value) : text; };
        d.crz = counter(r->crz, r->crzText);
        d.coupons = counter(r->firstCoupon, r->firstCouponText) + QStringLiteral("–")
                    + counter(r->lastCoupon, r->lastCouponText);
        d.gross = r->gross;
        d.net = r->net;
        if (m_model.isEmpty())
            m_model = r->model;
    }
    m_days.append(d);
}

namespace {
// The chart's frame in the SVG's own units.
const double ChartLeft = 64, ChartRight = 792, ChartBaseline = 170, ChartHeight = 150;

int levelOf(const QList<Finding> &findings)
{
    int level = 0; // 0 none, 1 aviso, 2 erro
    for (const Finding &f : findings)
        level = std::max(level, f.severity == Severity::Erro ? 2 : 1);
    return level;
}

QString axes(const QDate &first, const QDate &last, qint64 top)
{
    QString svg = QStringLiteral("<figure>\n<svg viewBox=\"0 0 800 200\" role=\"img\" "
                                 "aria-label=\"Venda bruta diária de %1 a %2\" xmlns=\"http://www.w3.org/2000/svg\">\n")
                      .arg(displayDay(first), displayDay(last));
    svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#777\" stroke-width=\"1\"/>\n")
               .arg(ChartLeft)
               .arg(ChartBaseline)
               .arg(ChartRight);
    svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" stroke=\"#bbb\" stroke-width=\"1\"/>\n")
               .arg(ChartLeft)
               .arg(ChartBaseline - ChartHeight)
               .arg(ChartBaseline);
    svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\" text-anchor=\"end\" fill=\"#555\">%3</text>\n")
               .arg(ChartLeft - 4)
               .arg(ChartBaseline - ChartHeight + 4)
               .arg(esc(displayMoney(top)));
    svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\" text-anchor=\"end\" fill=\"#555\">0</text>\n")
               .arg(ChartLeft - 4)
               .arg(ChartBaseline + 4);
    svg += QStringLiteral("<text x=\"%1\" y=\"190\" font-size=\"11\" fill=\"#555\">%2</text>\n")
               .arg(ChartLeft)
               .arg(displayDay(first));
    svg += QStringLiteral("<text x=\"%1\" y=\"190\" font-size=\"11\" text-anchor=\"end\" fill=\"#555\">%2</text>\n")
               .arg(ChartRight)
               .arg(displayDay(last));
    return svg;
}

const char *const ChartCaption = "</svg>\n<figcaption>Venda bruta diária"
                                 "<span class=\"chave\" style=\"background:#2f5f98\"></span>sem ocorrência"
                                 "<span class=\"chave\" style=\"background:#d08a00\"></span>aviso"
                                 "<span class=\"chave\" style=\"background:#b3261e\"></span>erro"
                                 "<span class=\"chave\" style=\"background:#8a8a8a\"></span>dia sem Redução Z"
                                 "</figcaption>\n</figure>\n";
} // namespace

QMap<QDate, HtmlAuditWriter::Mark> HtmlAuditWriter::marks() const
{
    QMap<QDate, Mark> marks;
    for (const Day &d : m_days) {
        Mark &m = marks[d.day];
        m.gross += d.stored ? d.gross : 0;
        m.stored = m.stored || d.stored;
        m.level = std::max(m.level, levelOf(d.findings));
    }
    return marks;
}

QString HtmlAuditWriter::bar(const QDate &day, const Mark *mark, double x, double width, qint64 top)
{
    if (!mark || !mark->stored) {
        // A day without a Z reduction: grey below the axis, red when a rule
        // says it should have one.
        const bool error = mark && mark->level == 2;
        return QStringLiteral("<rect class=\"%1\" x=\"%2\" y=\"%3\" width=\"%4\" height=\"8\" fill=\"%5\">"
                              "<title>%6: sem Redução Z</title></rect>\n")
            .arg(error ? QStringLiteral("falta erro") : QStringLiteral("falta"))
            .arg(x, 0, 'f', 2)
            .arg(ChartBaseline + 2)
            .arg(width, 0, 'f', 2)
            .arg(error ? QStringLiteral("#b3261e") : QStringLiteral("#8a8a8a"))
            .arg(displayDay(day));
    }
    const double h = std::max(1.0, ChartHeight * double(std::max<qint64>(mark->gross, 0)) / double(top));
    const QString colour = mark->level == 2   ? QStringLiteral("#b3261e")
                           : mark->level == 1 ? QStringLiteral("#d08a00")
                                              : QStringLiteral("#2f5f98");
    return QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\">"
                          "<title>%6: %7</title></rect>\n")
        .arg(x, 0, 'f', 2)
        .arg(ChartBaseline - h, 0, 'f', 2)
        .arg(width, 0, 'f', 2)
        .arg(h, 0, 'f', 2)
        .arg(colour, displayDay(day), esc(displayMoney(mark->gross)));
}

QString HtmlAuditWriter::chart() const
{
    // Per day: the gross sales stored and the worst finding.
    const QMap<QDate, Mark> days = marks();
    if (days.isEmpty())
        return {};
    const QDate first = days.firstKey(), last = days.lastKey();
    qint64 top = 0;
    for (const Mark &m : days)
        top = std::max(top, m.gross);
    if (top <= 0)
        top = 100;
    const qint64 span = first.daysTo(last) + 1;
    const double step = (ChartRight - ChartLeft) / double(span);
    const double width = std::max(step * 0.8, 0.3);
    QString svg = axes(first, last, top);
    for (qint64 i = 0; i < span; ++i) {
        const QDate day = first.addDays(i);
        const auto it = days.constFind(day);
        svg += bar(day, it == days.cend() ? nullptr : &*it, ChartLeft + step * double(i) + (step - width) / 2, width,
                   top);
    }
    return svg + QString::fromUtf8(ChartCaption);
}

QString HtmlAuditWriter::sectionHead(const Totals &t) const
{
    QStringList caixas, ecfs;
    for (const Day &d : m_days) {
        if (!caixas.contains(d.cdCaixa))
            caixas << d.cdCaixa;
        if (!d.nrEcf.isEmpty() && !ecfs.contains(d.nrEcf))
            ecfs << d.nrEcf;
    }
    QString title = QStringLiteral("Filial ") + esc(m_section.cdFilial) + QStringLiteral(" · ")
                    + (caixas.size() > 1 ? QStringLiteral("Caixas ") : QStringLiteral("Caixa "))
                    + esc(caixas.join(QStringLiteral(", ")));
    if (!ecfs.isEmpty())
        title += QStringLiteral(" · ECF ") + esc(ecfs.join(QStringLiteral(", ")));
    QString html = QStringLiteral("<section id=\"s%1\">\n<h2>%2</h2>\n").arg(m_sections).arg(title);
    if (m_section.chain) {
        QString model = m_model.section(QLatin1Char('|'), 0, 0).trimmed();
        const QString brand = m_model.section(QLatin1Char('|'), 1).trimmed();
        if (!brand.isEmpty())
            model += QStringLiteral(" (") + brand + QLatin1Char(')');
        html += QStringLiteral("<p class=\"meta\">Série %1%2</p>\n")
                    .arg(esc(m_section.serial.trimmed().isEmpty() ? QStringLiteral("não informada") : m_section.serial),
                         model.isEmpty() ? QString() : QStringLiteral(" · ") + esc(model));
    } else {
        html += QStringLiteral("<p class=\"meta\">Dias com ocorrência e sem Redução Z gravada</p>\n");
    }
    html += QStringLiteral("<p class=\"resumo\">%1 · venda bruta R$ %2 · "
                           "<span class=\"erro\">%3</span> · <span class=\"aviso\">%4</span></p>\n")
                .arg(count(t.reductions, "Redução Z", "Reduções Z"), esc(displayMoney(t.gross)),
                     count(t.errors, "erro", "erros"), count(t.warnings, "aviso", "avisos"));
    return html;
}

QString HtmlAuditWriter::row(const Day &d)
{
    const int level = levelOf(d.findings);
    const QString rowClass = level == 2   ? QStringLiteral("erro")
                             : level == 1 ? QStringLiteral("aviso")
                             : !d.stored  ? QStringLiteral("falta")
                                          : QString();
    QString row = rowClass.isEmpty() ? QStringLiteral("<tr>") : QStringLiteral("<tr class=\"%1\">").arg(rowClass);
    row += QStringLiteral("<td>%1</td><td>%2</td>").arg(displayDay(d.day), esc(d.cdCaixa));
    if (d.stored)
        row += QStringLiteral("<td>%1</td><td class=\"coo\">%2</td><td class=\"n\">%3</td><td class=\"n\">%4</td>")
                   .arg(esc(d.crz), esc(d.coupons), esc(displayMoney(d.gross)), esc(displayMoney(d.net)));
    else
        row += QStringLiteral("<td colspan=\"4\">sem Redução Z</td>");
    row += QStringLiteral("<td>");
    if (!d.findings.isEmpty()) {
        row += QStringLiteral("<ul>");
        for (const Finding &f : d.findings)
            row +=
                QStringLiteral("<li class=\"%1\"><b>%2</b> %3</li>").arg(f.severityText(), esc(f.rule), esc(f.message));
        row += QStringLiteral("</ul>");
    }
    return row + QStringLiteral("</td></tr>\n");
}

void HtmlAuditWriter::endSection()
{
    ++m_sections;
    // The rows in day order, as the chart draws them (a chain comes in CRZ
    // order, which differs where a day is out of order).
    std::stable_sort(m_days.begin(), m_days.end(), [](const Day &a, const Day &b) { return a.day < b.day; });
    Totals t;
    for (const Day &d : m_days) {
        if (d.stored) {
            ++t.reductions;
            t.gross += d.gross;
            t.net += d.net;
        }
        for (const Finding &f : d.findings)
            ++(f.severity == Severity::Erro ? t.errors : t.warnings);
    }
    m_gross += t.gross;
    QString html = sectionHead(t);
    // The days without a Z reduction read better as a list than as a chart.
    if (m_section.chain)
        html += chart();
    html += QStringLiteral("<div class=\"tabela\"><table>\n<thead><tr><th>Dia</th><th>Caixa</th><th>CRZ</th>"
                           "<th>COO</th><th class=\"n\">Venda bruta</th><th class=\"n\">Venda líquida</th>"
                           "<th>Ocorrências</th></tr></thead>\n<tbody>\n");
    write(html);
    for (const Day &d : m_days)
        write(row(d));
    write(QStringLiteral("</tbody>\n<tfoot><tr><th colspan=\"4\">Total: %1</th><th class=\"n\">%2</th>"
                         "<th class=\"n\">%3</th><th>%4, %5</th></tr></tfoot>\n</table></div>\n"
                         "</section>\n")
              .arg(count(t.reductions, "Redução Z", "Reduções Z"), esc(displayMoney(t.gross)), esc(displayMoney(t.net)),
                   count(t.errors, "erro", "erros"), count(t.warnings, "aviso", "avisos")));
    m_days.clear();
}

void HtmlAuditWriter::finish(const AuditTotals &totals)
{
    if (m_sections == 0)
        write(QStringLiteral("<p>Nenhuma Redução Z no período.</p>\n"));
    write(QStringLiteral("</main>\n<footer>\n<h2>Totais</h2>\n<div class=\"tabela\"><table id=\"totais\">\n"
                         "<tr><th>Reduções Z verificadas</th><td class=\"n\">%1</td></tr>\n"
                         "<tr><th>Dias com Redução Z</th><td class=\"n\">%2</td></tr>\n"
                         "<tr><th>Venda bruta</th><td class=\"n\">R$ %3</td></tr>\n"
                         "<tr><th>Erros</th><td class=\"n erro\">%4</td></tr>\n"
                         "<tr><th>Avisos</th><td class=\"n aviso\">%5</td></tr>\n"
                         "</table></div>\n</footer>\n</body>\n</html>\n")
              .arg(totals.reductions)
              .arg(totals.days)
              .arg(esc(displayMoney(m_gross)))
              .arg(totals.errors)
              .arg(totals.warnings));
}
