#include "AuditarCommand.h"
#include "Auditor.h"
#include "CsvAuditWriter.h"
#include "ExportLines.h"
#include "HtmlAuditWriter.h"
#include "JsonAuditWriter.h"
#include "Progress.h"
#include "TextAuditWriter.h"

#include <memory>

QList<LedgerOption> AuditarCommand::options() const
{
    return {{"db", true},  {"cdfilial", false},      {"cdcaixa", false}, {"de", true},
            {"ate", true}, {"formato", false, true}, {"saida", false}};
}

QStringList AuditarCommand::help() const
{
    return {QStringLiteral("confere cada impressora em ordem de CRZ (CRZ, COO, grande total, vendas,"),
            QStringLiteral("totalizadores parciais, imposto, dias sem Redução Z, arquivos CAT-52) e"),
            QStringLiteral("lista as ocorrências em texto, JSON, CSV (para programas), planilha (\";\","),
            QStringLiteral("vírgula decimal, para abrir numa planilha) ou numa página HTML.")};
}

Result<int> AuditarCommand::run(const FiscalOptions &o) const
{
    const Result<LedgerRun> opened = openLedgerRun(o.db, o.saida);
    if (!opened)
        return Result<int>::failureOf(opened);
    LedgerOutput &out = *opened.value().out;
    std::unique_ptr<AuditWriter> writer;
    if (o.formato == QLatin1String("json"))
        writer = std::make_unique<JsonAuditWriter>(out);
    else if (o.formato == QLatin1String("csv"))
        writer = std::make_unique<CsvAuditWriter>(out);
    else if (o.formato == QLatin1String("planilha"))
        writer = std::make_unique<CsvAuditWriter>(out, CsvAuditWriter::Style::Planilha);
    else if (o.formato == QLatin1String("html"))
        writer = std::make_unique<HtmlAuditWriter>(out);
    else
        writer = std::make_unique<TextAuditWriter>(out);
    Progress progress(QStringLiteral("auditar"));
    Auditor auditor(*opened.value().session, *writer, &progress);
    const Result<AuditTotals> totals = auditor.run({o.cdFilial, o.cdCaixa, o.de, o.ate});
    if (!totals)
        return Result<int>::failureOf(totals);
    if (const Result<NoValue> written = out.commit(); !written)
        return Result<int>::failureOf(written);
    return Result<int>::of(totals.value().errors > 0 ? AuditFoundErrors : Done);
}
