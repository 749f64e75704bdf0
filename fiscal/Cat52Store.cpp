#include "Cat52Store.h"
#include "AutomationDate.h"
#include "Cat52Check.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "ForwardQuery.h"
#include "LedgerSession.h"
#include "LedgerValues.h"
#include "SharedServicesHost.h"
#include "Srv_kal02700.h"
#include "Win1252.h"

#include <QFile>
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Não foi possível ler o arquivo %1: %2").arg(path, file.errorString()));
    const QByteArray content = file.readAll();
    const QString name = QFileInfo(path).fileName();
    const QString where =
        QStringLiteral("filial %1, caixa %2, dia %3").arg(cdFilial, cdCaixa, LedgerValues::displayDay(day));

    const std::optional<E12Record> e12 = Cat52Record::findE12(content);
    if (!e12)
        throw Exception(QStringLiteral("O arquivo %1 não tem registro E12 legível; nada foi gravado.").arg(name));
    if (e12->movementDay != day)
        throw Exception(QStringLiteral("O arquivo %1 é do movimento de %2, não de %3; nada foi gravado.")
                            .arg(name, LedgerValues::displayDay(e12->movementDay), LedgerValues::displayDay(day)));

    QList<Reduction> reductions;
    QStringList stored;
    m_session.beginSnapshot();
    {
        const ForwardQuery::Parameters parameters{{QStringLiteral("cdfilial"), cdFilial},
                                                  {QStringLiteral("cdcaixa"), cdCaixa},
                                                  {QStringLiteral("dia"), day},
                                                  {QStringLiteral("depois"), day.addDays(1)}};
        ForwardQuery q(m_session, QStringLiteral("reducoes-do-dia"), parameters);
        while (q.next()) {
            Reduction r;
            r.cdFilial = q.text(0);
            r.cdCaixa = q.text(1);
            r.nrEcf = q.text(2);
            r.serial = q.text(3);
            r.day = q.date(4);
            r.crzText = q.text(5);
            r.croText = q.text(6);
            r.lastCouponText = q.text(8);
            r.crz = LedgerValues::counter(r.crzText);
            r.cro = LedgerValues::counter(r.croText);
            r.lastCoupon = LedgerValues::counter(r.lastCouponText);
            r.gross = LedgerValues::cents(q.number(13));
            reductions.append(r);
        }
        ForwardQuery files(m_session, QStringLiteral("arquivos-do-dia"), parameters);
        while (files.next())
            stored << files.text(0);
    }
    // The read ends before the module writes: SQLite lets no one write under
    // an open read in its default journal.
    m_session.endSnapshot();

    if (reductions.isEmpty())
        throw Exception(QStringLiteral("Nenhuma Redução Z gravada para %1; nada foi gravado.").arg(where));
    const Cat52Check check = Cat52Check::of(content, reductions);
    if (!check.ok)
        throw Exception(QStringLiteral("O arquivo %1 não confere com a Redução Z gravada (%2): %3; nada foi gravado.")
                            .arg(name, where, check.describe()));
    if (!stored.isEmpty())
        throw Exception(QStringLiteral("Já há arquivo CAT-52 gravado para %1 (%2); nada foi gravado.")
                            .arg(where, stored.join(QStringLiteral(", "))));

    connectModule(m_connectionString);
    const QVariant result = Srv_kal02700::setArqCat52(
        cdFilial, cdCaixa, QStringLiteral("000"), QStringLiteral("000000000000"),
        FormatSettings::dateToStr(AutomationDate::fromDate(day)), name, Win1252::decodeLines(content));
    if (!result.toString().isEmpty())
        throw EDatabaseError(result.toString());
}
