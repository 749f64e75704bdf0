#include "Cat52FileStore.h"
#include "AdoConnection.h"
#include "AutomationDate.h"
#include "Cat52Record.h"
#include "Exception.h"
#include "ServerSession.h"
#include "Win1252.h"

#include <QFile>
#include <algorithm>
#include <optional>

namespace {
void describe(AdoStatement &statement, std::initializer_list<std::pair<const char *, ParamKind>> kinds)
{
    QFile file(QStringLiteral(":/cat52/") + statement.name());
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Texto do comando %1 ausente").arg(statement.name()));
    statement.setCommandText(QString::fromUtf8(file.readAll()).trimmed());
    for (const auto &[name, kind] : kinds)
        statement.declareParam(QLatin1String(name), kind);
}

// Every day of the table is bound as a date-time at midnight, as the row's
// own is stored.
TDateTime midnight(const QDate &day)
{
    return AutomationDate::fromDate(day);
}

void bindDay(AdoStatement &statement, const QString &cdFilial, const QString &cdCaixa, const QDate &day)
{
    statement.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(cdFilial);
    statement.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(cdCaixa);
    statement.paramByName(QStringLiteral("P_DTMOVCAT52")).setAsDateTime(midnight(day));
}
} // namespace

Cat52FileStore::Cat52FileStore(AdoConnection &connection)
    : adqArqCat52Gravado(QStringLiteral("adqArqCat52Gravado"), &connection),
      adqArqCat52DoDia(QStringLiteral("adqArqCat52DoDia"), &connection),
      acmTravaRedZ(QStringLiteral("acmTravaRedZ"), &connection),
      acmInsArqCat52(QStringLiteral("acmInsArqCat52"), &connection),
      acmUpdArqCat52(QStringLiteral("acmUpdArqCat52"), &connection), m_connection(connection)
{
    using K = ParamKind;
    describe(
        adqArqCat52Gravado,
        {{"P_CDFILIAL", K::Text}, {"P_CDCAIXA", K::Text}, {"P_DTMOVCAT52", K::DateTime}, {"P_NMARQCAT52", K::Text}});
    describe(adqArqCat52DoDia, {{"P_CDFILIAL", K::Text},
                                {"P_CDCAIXA", K::Text},
                                {"P_DTMOVCAT52", K::DateTime},
                                {"P_DTMOVSEGUINTE", K::DateTime}});
    describe(acmTravaRedZ, {{"P_CDFILIAL", K::Text}, {"P_CDCAIXA", K::Text}, {"P_DTREDUCAOZ", K::Date}});
    describe(acmInsArqCat52, {{"P_CDFILIAL", K::Text},
                              {"P_CDCAIXA", K::Text},
                              {"P_CDLOJA", K::Text},
                              {"P_CDOPERADOR", K::Text},
                              {"P_DTGERACAT52", K::DateTime},
                              {"P_DTMOVCAT52", K::DateTime},
                              {"P_NMARQCAT52", K::Text}});
    describe(acmUpdArqCat52, {{"DSARQCAT52", K::Blob},
                              {"P_CDFILIAL", K::Text},
                              {"P_CDCAIXA", K::Text},
                              {"P_DTMOVCAT52", K::DateTime},
                              {"P_NMARQCAT52", K::Text}});
}

bool Cat52FileStore::ofPrinter(const QString &e12Serial, const QString &storedSerial)
{
    const QString serial = fileSerialOf(storedSerial);
    return !serial.isEmpty() && e12Serial.trimmed() == serial;
}

QString Cat52FileStore::fileSerialOf(const QString &storedSerial)
{
    return Cat52Record::serialOf(storedSerial);
}

QByteArray Cat52FileStore::contentOf(const QStringList &lines)
{
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 2;
    QByteArray bytes;
    bytes.reserve(size);
    for (const QString &line : lines) {
        bytes += Win1252::encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

QList<Cat52FileStore::StoredFile> Cat52FileStore::filesOfDay(const QString &cdFilial, const QString &cdCaixa,
                                                             const QDate &day)
{
    AdoQuery &q = adqArqCat52DoDia;
    q.close();
    bindDay(q, cdFilial, cdCaixa, day);
    // A row written with a time of day is still the day's.
    q.paramByName(QStringLiteral("P_DTMOVSEGUINTE")).setAsDateTime(midnight(day.addDays(1)));
    q.open();
    QList<StoredFile> files;
    for (q.first(); !q.eof(); q.next()) {
        const std::optional<E12Record> e12 = Cat52Record::findE12(q.value(QStringLiteral("DSARQCAT52")).toByteArray());
        files.append({q.asString(QStringLiteral("NMARQCAT52")), e12 ? e12->serial : QString()});
    }
    q.close();
    return files;
}

bool Cat52FileStore::printerFileStored(const QString &cdFilial, const QString &cdCaixa, const QDate &day,
                                       const QString &storedSerial)
{
    const QList<StoredFile> files = filesOfDay(cdFilial, cdCaixa, day);
    return std::any_of(files.cbegin(), files.cend(),
                       [&](const StoredFile &file) { return ofPrinter(file.serial, storedSerial); });
}

bool Cat52FileStore::fileStored(const QString &cdFilial, const QString &cdCaixa, const QDate &day, const QString &name)
{
    AdoQuery &q = adqArqCat52Gravado;
    q.close();
    bindDay(q, cdFilial, cdCaixa, day);
    q.paramByName(QStringLiteral("P_NMARQCAT52")).setAsString(name);
    q.open();
    const bool stored = !q.isEmpty();
    q.close();
    return stored;
}

bool Cat52FileStore::storeInTransaction(const File &file, const QString &printerSerial)
{
    if (!m_connection.inTransaction())
        m_connection.beginTrans();
    if (!printerSerial.isEmpty()) {
        acmTravaRedZ.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(file.cdFilial);
        acmTravaRedZ.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(file.cdCaixa);
        acmTravaRedZ.paramByName(QStringLiteral("P_DTREDUCAOZ")).setAsDateTime(midnight(file.day));
        acmTravaRedZ.execute();
        if (printerFileStored(file.cdFilial, file.cdCaixa, file.day, printerSerial)) {
            m_connection.rollbackTrans();
            return false;
        }
    }
    AdoCommand &ins = acmInsArqCat52;
    bindDay(ins, file.cdFilial, file.cdCaixa, file.day);
    ins.paramByName(QStringLiteral("P_CDLOJA")).setAsString(file.cdLoja);
    ins.paramByName(QStringLiteral("P_CDOPERADOR")).setAsString(file.cdOperador);
    ins.paramByName(QStringLiteral("P_DTGERACAT52")).setAsDateTime(AutomationDate::now());
    ins.paramByName(QStringLiteral("P_NMARQCAT52")).setAsString(file.name);
    ins.execute();

    AdoCommand &upd = acmUpdArqCat52;
    upd.paramByName(QStringLiteral("DSARQCAT52")).setAsBytes(file.content);
    bindDay(upd, file.cdFilial, file.cdCaixa, file.day);
    upd.paramByName(QStringLiteral("P_NMARQCAT52")).setAsString(file.name);
    upd.execute();
    // The content is not kept by the command once stored.
    upd.paramByName(QStringLiteral("DSARQCAT52")).clear();
    m_connection.commitTrans();
    return true;
}

Cat52FileStore::Outcome Cat52FileStore::store(const File &file, const QString &printerSerial,
                                              const std::function<QString(const Exception &)> &wording)
{
    try {
        return {storeInTransaction(file, printerSerial) ? Outcome::Stored : Outcome::PrinterHadOne, QString()};
    } catch (const ECommitUnanswered &e) {
        acmUpdArqCat52.paramByName(QStringLiteral("DSARQCAT52")).clear();
        const QString message = wording(e);
        switch (ServerSession::afterLostCommit(
            m_connection, [&] { return fileStored(file.cdFilial, file.cdCaixa, file.day, file.name); })) {
        case ServerSession::LostCommit::Stored:
            return {Outcome::Stored, QString()};
        case ServerSession::LostCommit::NotStored:
            return {Outcome::Failed, message};
        case ServerSession::LostCommit::Unknown:
            break;
        }
        return {Outcome::Uncertain,
                QStringLiteral("não foi possível saber se o arquivo Cat-52 %1 foi gravado: confira antes de guardá-lo "
                               "com kal02700-fiscal cat52-guardar.")
                    .arg(file.name)};
    } catch (const Exception &e) {
        acmUpdArqCat52.paramByName(QStringLiteral("DSARQCAT52")).clear();
        const QString message = wording(e);
        // A rollback that fails too (a lost connection) leaves nothing to
        // undo on our side.
        try {
            if (m_connection.inTransaction())
                m_connection.rollbackTrans();
        } catch (const Exception &) {
        }
        return {Outcome::Failed, message};
    }
}
