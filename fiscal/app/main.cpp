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

// An error as one line: the ledger's sentence, then the driver's or the
// system's own words after it, never on a line of their own.
QString oneLine(const QString &message)
{
    QStringList parts;
    for (const QString &part : message.split(QLatin1Char('\n')))
        if (!part.trimmed().isEmpty())
            parts << part.trimmed();
    if (parts.size() < 2)
        return parts.value(0);
    QString sentence = parts.takeFirst();
    if (sentence.endsWith(QLatin1Char('.')))
        sentence.chop(1);
    return sentence + QStringLiteral(": ") + parts.join(QLatin1Char(' '));
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
// the order of the statements and hands each to take(reduction, reader);
// answers how many it read.
template <typename Take>
qint64 exportLines(LedgerSession &session, const FiscalOptions &o, const QString &reductions, const QString &taxes,
                   LedgerOutput &out, Take &&take)
{
    Progress progress(o.command == FiscalOptions::Command::Sped ? QStringLiteral("sped") : QStringLiteral("sintegra"));
    qint64 read = 0;
    session.beginSnapshot();
    {
        ReductionReader reader(
            session, reductions, taxes,
            {{QStringLiteral("cdfilial"), o.cdFilial}, {QStringLiteral("de"), o.de}, {QStringLiteral("ate"), o.ate}});
        Reduction r;
        while (reader.next(r)) {
            take(r, reader);
            ++read;
            progress.update(reader.rowsRead(), LedgerValues::displayDay(r.day));
        }
    }
    session.endSnapshot();
    progress.done();
    out.commit();
    return read;
}

// The end of sped and sintegra: an empty period is said, not left silent;
// a Z reduction left out makes the status the audit's.
int exportStatus(const FiscalOptions &o, qint64 read, qint64 leftOut, const char *file)
{
    if (read == 0)
        printLine(stderr, QStringLiteral("kal02700-fiscal: Nenhuma Redução Z da filial %1 de %2 a %3.")
                              .arg(o.cdFilial, LedgerValues::displayDay(o.de), LedgerValues::displayDay(o.ate)));
    if (leftOut == 0)
        return Done;
    printLine(stderr, QStringLiteral("kal02700-fiscal: %1 Redução(ões) Z fora do %2 (veja auditar).")
                          .arg(leftOut)
                          .arg(QLatin1String(file)));
    return AuditFoundErrors;
}

void notice(const QString &text)
{
    printLine(stderr, QStringLiteral("kal02700-fiscal: ") + text);
}

int sped(const FiscalOptions &o)
{
    LedgerSession session(o.db);
    LedgerOutput out(o.saida);
    SpedWriter writer(out, o.cfop, o.cfopSt, notice);
    // NRECFULTIMA: the number of the printer's last Z reduction in the period.
    const qint64 read = exportLines(
        session, o, QStringLiteral("reducoes-ecf"), QStringLiteral("impostos-ecf"), out,
        [&](const Reduction &r, const ReductionReader &reader) { writer.reduction(r, reader.extra(0).toString()); });
    return exportStatus(o, read, writer.leftOut(), "sped");
}

int sintegra(const FiscalOptions &o)
{
    LedgerSession session(o.db);
    LedgerOutput out(o.saida);
    SintegraWriter writer(out, notice);
    const qint64 read = exportLines(session, o, QStringLiteral("reducoes-dia"), QStringLiteral("impostos-dia"), out,
                                    [&](const Reduction &r, const ReductionReader &) { writer.reduction(r); });
    return exportStatus(o, read, writer.leftOut(), "sintegra");
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
        printLine(stderr, QStringLiteral("kal02700-fiscal: ") + oneLine(e.message()));
        return CouldNotFinish;
    }
    return CouldNotFinish;
}
