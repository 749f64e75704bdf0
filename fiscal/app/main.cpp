// kal02700-fiscal: the back office's fiscal ledger. Audits the stored Z
// reductions, writes their SPED and Sintegra lines, delivers the stored
// CAT-52 files and stores the file of a day whose CAT-52 stage failed.
#include "Auditor.h"
#include "Cat52Exporter.h"
#include "Cat52Store.h"
#include "CsvAuditWriter.h"
#include "DatabaseFiles.h"
#include "Exception.h"
#include "FiscalCommandLine.h"
#include "HtmlAuditWriter.h"
#include "JsonAuditWriter.h"
#include "LedgerOutput.h"
#include "LedgerSession.h"
#include "LedgerValues.h"
#include "Progress.h"
#include "ReductionReader.h"
#include "SintegraWriter.h"
#include "SpedWriter.h"
#include "TextAuditWriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <memory>

namespace {

// AuditFoundErrors also for sped leaving a Z reduction out and cat52-exportar
// delivering a file that differs from its day.
enum ExitStatus { Done = 0, CouldNotFinish = 1, BadArguments = 2, AuditFoundErrors = 3 };

void printLine(std::FILE *out, const QString &text)
{
    std::fputs(text.toUtf8().constData(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

int auditar(const FiscalOptions &o)
{
    LedgerSession session(o.db);
    LedgerOutput out(o.saida);
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
    Auditor auditor(session, *writer, &progress);
    const AuditTotals totals = auditor.run({o.cdFilial, o.cdCaixa, o.de, o.ate});
    out.commit();
    return totals.errors > 0 ? AuditFoundErrors : Done;
}

// Reads the branch's Z reductions of the period with their tax lines in
// the order of the statements and hands each to take(reduction, reader).
template <typename Take>
void exportLines(LedgerSession &session, const FiscalOptions &o, const QString &reductions, const QString &taxes,
                 LedgerOutput &out, Take &&take)
{
    Progress progress(o.command == FiscalOptions::Command::Sped ? QStringLiteral("sped") : QStringLiteral("sintegra"));
    session.beginSnapshot();
    {
        ReductionReader reader(
            session, reductions, taxes,
            {{QStringLiteral("cdfilial"), o.cdFilial}, {QStringLiteral("de"), o.de}, {QStringLiteral("ate"), o.ate}});
        Reduction r;
        while (reader.next(r)) {
            take(r, reader);
            progress.update(reader.rowsRead(), LedgerValues::displayDay(r.day));
        }
    }
    session.endSnapshot();
    progress.done();
    out.commit();
}

int sped(const FiscalOptions &o)
{
    LedgerSession session(o.db);
    LedgerOutput out(o.saida);
    SpedWriter writer(out, o.cfop, o.cfopSt,
                      [](const QString &notice) { printLine(stderr, QStringLiteral("kal02700-fiscal: ") + notice); });
    // NRECFULTIMA: the number of the printer's last Z reduction in the period.
    exportLines(
        session, o, QStringLiteral("reducoes-ecf"), QStringLiteral("impostos-ecf"), out,
        [&](const Reduction &r, const ReductionReader &reader) { writer.reduction(r, reader.extra(0).toString()); });
    if (writer.leftOut() == 0)
        return Done;
    printLine(stderr,
              QStringLiteral("kal02700-fiscal: %1 Redução(ões) Z fora do sped (veja auditar).").arg(writer.leftOut()));
    return AuditFoundErrors;
}

int sintegra(const FiscalOptions &o)
{
    LedgerSession session(o.db);
    LedgerOutput out(o.saida);
    SintegraWriter writer(out);
    exportLines(session, o, QStringLiteral("reducoes-dia"), QStringLiteral("impostos-dia"), out,
                [&](const Reduction &r, const ReductionReader &) { writer.reduction(r); });
    return Done;
}

int cat52Exportar(const FiscalOptions &o)
{
    LedgerSession session(o.db);
    LedgerOutput report{QString()};
    Progress progress(QStringLiteral("cat52-exportar"));
    Cat52Exporter exporter(session, report, &progress);
    const bool complete = exporter.run(o.cdFilial, o.de, o.ate, o.pasta);
    report.commit();
    if (!complete)
        return CouldNotFinish;
    return exporter.divergent() > 0 ? AuditFoundErrors : Done;
}

int cat52Guardar(const FiscalOptions &o)
{
    LedgerSession session(o.db);
    Cat52Store store(session, o.db);
    store.store(o.cdFilial, o.cdCaixa, o.dtReducao, o.arquivo);
    printLine(stdout,
              QStringLiteral("Arquivo CAT-52 %1 guardado para a filial %2, caixa %3, dia %4.")
                  .arg(QFileInfo(o.arquivo).fileName(), o.cdFilial, o.cdCaixa, LedgerValues::displayDay(o.dtReducao)));
    return Done;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString error;
    const std::optional<FiscalOptions> options = FiscalCommandLine::parse(app.arguments().mid(1), error);
    if (!options) {
        printLine(stderr, QStringLiteral("kal02700-fiscal: ") + error);
        std::fputs(FiscalCommandLine::usage().toUtf8().constData(), stderr);
        return BadArguments;
    }
    // The output never lands on the database it is made from.
    if (const QString clash = DatabaseFiles::clash(options->saida, options->db); !clash.isEmpty()) {
        printLine(stderr, QStringLiteral("kal02700-fiscal: --saida: ") + clash);
        return BadArguments;
    }
    try {
        switch (options->command) {
        case FiscalOptions::Command::Help:
            std::fputs(FiscalCommandLine::help().toUtf8().constData(), stdout);
            return Done;
        case FiscalOptions::Command::Auditar:
            return auditar(*options);
        case FiscalOptions::Command::Sped:
            return sped(*options);
        case FiscalOptions::Command::Sintegra:
            return sintegra(*options);
        case FiscalOptions::Command::Cat52Exportar:
            return cat52Exportar(*options);
        case FiscalOptions::Command::Cat52Guardar:
            return cat52Guardar(*options);
        }
    } catch (const Exception &e) {
        printLine(stderr, QStringLiteral("kal02700-fiscal: ") + e.message());
        return CouldNotFinish;
    }
    return CouldNotFinish;
}
