#include "Cat52Store.h"
#include "AutomationDate.h"
#include "Cat52Check.h"
#include "Cat52Record.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "ForwardQuery.h"
#include "InputLimits.h"
#include "LedgerSession.h"
#include "LedgerValues.h"
#include "ReductionColumns.h"
#include "SharedServicesHost.h"
#include "Srv_kal02700.h"
#include "Win1252.h"

#include <QFileInfo>

namespace {
// The module's data module, connected as the entry screen's set-up connects it.
void connectModule(const QString &connectionString)
{
    SharedServicesHost::setConnectionString(connectionString);
    if (!Srv_kal02700::rdmCadRedz)
        Srv_kal02700::rdmCadRedz = new Srv_kal02700::TrdmCadRedz();
    Srv_kal02700::rdmCadRedz->adcCadRedz.setConnected(true);
}
} // namespace

void Cat52Store::store(const QString &cdFilial, const QString &cdCaixa, const QDate &day, const QString &path)
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

    const RegisterDay stored = read(cdFilial, cdCaixa, day);
    if (stored.reductions.isEmpty())
        throw Exception(QStringLiteral("Nenhuma Redução Z gravada para %1; nada foi gravado.").arg(where));
    const bool ofPrinter = std::any_of(stored.reductions.cbegin(), stored.reductions.cend(), [&](const Reduction &r) {
        return !e12->serial.isEmpty() && Cat52Record::serialOf(r.serial) == e12->serial;
    });
    if (!ofPrinter)
        throw Exception(QStringLiteral("Nenhuma Redução Z do ECF de série %1 gravada para %2; nada foi gravado.")
                            .arg(e12->serial, where));
    const Cat52Check check = Cat52Check::of(content, stored.reductions);
    if (!check.ok)
        throw Exception(QStringLiteral("O arquivo %1 não confere com a Redução Z gravada (%2): %3; nada foi gravado.")
                            .arg(name, where, check.describe()));
    for (const auto &[storedName, storedSerial] : stored.files) {
        if (storedSerial == e12->serial)
            throw Exception(QStringLiteral("Já há arquivo CAT-52 do ECF de série %1 gravado para %2 (%3); nada foi "
                                           "gravado.")
                                .arg(e12->serial, where, storedName));
        // The module's store writes a content into every row of the day with
        // that name: the other printer's file would be lost.
        if (storedName == name)
            throw Exception(QStringLiteral("Já há outro arquivo CAT-52 com o nome %1 gravado para %2; nada foi "
                                           "gravado.")
                                .arg(name, where));
    }

    connectModule(m_connectionString);
    const QVariant result = Srv_kal02700::setArqCat52(
        cdFilial, cdCaixa, QStringLiteral("000"), QStringLiteral("000000000000"),
        FormatSettings::dateToStr(AutomationDate::fromDate(day)), name, Win1252::decodeLines(content));
    if (!result.toString().isEmpty())
        throw EDatabaseError(result.toString());
}

Cat52Store::RegisterDay Cat52Store::read(const QString &cdFilial, const QString &cdCaixa, const QDate &day)
{
    RegisterDay out;
    m_session.beginSnapshot();
    {
        const ForwardQuery::Parameters parameters{{QStringLiteral("cdfilial"), cdFilial},
                                                  {QStringLiteral("cdcaixa"), cdCaixa},
                                                  {QStringLiteral("dia"), day},
                                                  {QStringLiteral("depois"), day.addDays(1)}};
        ForwardQuery q(m_session, QStringLiteral("reducoes-do-dia"), parameters);
        while (q.next()) {
            Reduction r;
            ReductionColumns::read(q, 0, r);
            out.reductions.append(r);
        }
        ForwardQuery files(m_session, QStringLiteral("arquivos-do-dia"), parameters);
        while (files.next()) {
            const std::optional<E12Record> e12 = Cat52Record::findE12(files.bytes(1));
            out.files.append({files.text(0), e12 ? e12->serial : QString()});
        }
    }
    // The read ends before the module writes: SQLite lets no one write under
    // an open read in its default journal.
    m_session.endSnapshot();
    return out;
}
