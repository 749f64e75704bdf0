#include "Cat52Store.h"
#include "AdoConnection.h"
#include "Cat52Check.h"
#include "Cat52FileStore.h"
#include "Cat52Record.h"
#include "DatabaseDialect.h"
#include "Exception.h"
#include "ForwardQuery.h"
#include "Guarded.h"
#include "InputLimits.h"
#include "LedgerSession.h"
#include "LedgerValues.h"
#include "ReductionColumns.h"
#include "Win1252.h"

#include <QFileInfo>
#include <algorithm>

namespace {
// A session that writes, prepared as the module prepares its own.
void openForWriting(AdoConnection &connection, const QString &connectionString)
{
    connection.setConnectionString(connectionString);
    connection.afterConnect = [](AdoConnection &sender) {
        sender.dialect().prepareSession(sender, DatabaseDialect::SessionUse::ReadWrite);
    };
    connection.open();
}
} // namespace

Result<NoValue> Cat52Store::store(const QString &cdFilial, const QString &cdCaixa, const QDate &day,
                                  const QString &path)
{
    return Guarded::run([&] { storeFile(cdFilial, cdCaixa, day, path); });
}

void Cat52Store::storeFile(const QString &cdFilial, const QString &cdCaixa, const QDate &day, const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    // cat52-exportar could never deliver it under its name.
    if (LedgerValues::hasControl(name))
        throw Exception(QStringLiteral("O nome do arquivo %1 tem um caractere de controle (quebra de linha, "
                                       "tabulação...); renomeie o arquivo; nada foi gravado.")
                            .arg(InputLimits::excerpt(name)));
    // Only a regular file of a CAT-52 file's size: a FIFO or a device
    // would hold the ledger or fill its memory.
    QString refusal;
    const std::optional<QByteArray> bytes = InputLimits::readSmallFile(path, refusal, Cat52Record::MaxFileBytes);
    if (!bytes)
        throw Exception(QStringLiteral("Arquivo CAT-52 recusado: %1 Nada foi gravado.").arg(refusal));
    const QByteArray &content = *bytes;
    const QString where =
        QStringLiteral("filial %1, caixa %2, dia %3").arg(cdFilial, cdCaixa, LedgerValues::displayDay(day));

    const std::optional<E12Record> e12 = Cat52Record::findE12(content);
    if (!e12)
        throw Exception(QStringLiteral("O arquivo %1 não tem registro E12 legível; nada foi gravado.").arg(name));
    if (e12->movementDay != day)
        throw Exception(QStringLiteral("O arquivo %1 é do movimento de %2, não de %3; nada foi gravado.")
                            .arg(name, LedgerValues::displayDay(e12->movementDay), LedgerValues::displayDay(day)));

    const QList<Reduction> reductions = reductionsOfDay(cdFilial, cdCaixa, day);
    if (reductions.isEmpty())
        throw Exception(QStringLiteral("Nenhuma Redução Z gravada para %1; nada foi gravado.").arg(where));
    const auto printer = std::find_if(reductions.cbegin(), reductions.cend(), [&](const Reduction &r) {
        return Cat52FileStore::ofPrinter(e12->serial, r.serial);
    });
    if (printer == reductions.cend())
        throw Exception(QStringLiteral("Nenhuma Redução Z do ECF de série %1 gravada para %2; nada foi gravado.")
                            .arg(e12->serial, where));
    const Cat52Check check = Cat52Check::of(content, reductions);
    if (!check.ok)
        throw Exception(QStringLiteral("O arquivo %1 não confere com a Redução Z gravada (%2): %3; nada foi gravado.")
                            .arg(name, where, check.describe()));

    AdoConnection writer(QStringLiteral("fiscal-cat52"));
    openForWriting(writer, m_connectionString);
    Cat52FileStore files(writer);
    const QString already = QStringLiteral("Já há arquivo CAT-52 do ECF de série %1 gravado para %2 (%3); nada foi "
                                           "gravado.");
    for (const Cat52FileStore::StoredFile &stored : files.filesOfDay(cdFilial, cdCaixa, day)) {
        if (Cat52FileStore::ofPrinter(stored.serial, printer->serial))
            throw Exception(already.arg(e12->serial, where, stored.name));
        // The store writes a content into every row of the day with that
        // name: the other printer's file would be lost.
        if (stored.name == name)
            throw Exception(QStringLiteral("Já há outro arquivo CAT-52 com o nome %1 gravado para %2; nada foi "
                                           "gravado.")
                                .arg(name, where));
    }
    const Cat52FileStore::Outcome outcome = files.store(
        {cdFilial, cdCaixa, QStringLiteral("000"), QStringLiteral("000000000000"), day, name,
         Cat52FileStore::contentOf(Win1252::decodeLines(content))},
        printer->serial, [&writer](const Exception &e) { return DatabaseDialect::message(e, writer); });
    // Another run stored the printer's file since the check above.
    if (outcome.kind == Cat52FileStore::Outcome::PrinterHadOne)
        throw Exception(QStringLiteral("Já há arquivo CAT-52 do ECF de série %1 gravado para %2; nada foi gravado.")
                            .arg(e12->serial, where));
    if (!outcome.stored())
        throw EDatabaseError(outcome.message);
}

QList<Reduction> Cat52Store::reductionsOfDay(const QString &cdFilial, const QString &cdCaixa, const QDate &day)
{
    QList<Reduction> reductions;
    Guarded::take(m_session.beginSnapshot());
    {
        const ForwardQuery::Parameters parameters{
            {QStringLiteral("cdfilial"), cdFilial}, {QStringLiteral("cdcaixa"), cdCaixa}, {QStringLiteral("dia"), day}};
        const std::unique_ptr<ForwardQuery> q = Guarded::take(
            ForwardQuery::run(m_session, QStringLiteral("reducoes-do-dia"), parameters));
        while (Guarded::take(q->next())) {
            Reduction r;
            ReductionColumns::read(*q, 0, r);
            reductions.append(r);
        }
    }
    // The read ends before the store writes: SQLite lets no one write under
    // an open read in its default journal.
    Guarded::take(m_session.endSnapshot());
    return reductions;
}
