#pragma once
// The CAT-52 files of the back office's database (ARQCAT52), for whoever
// stores or looks for one: the module's setArqCat52 and CAT-52 stage and the
// ledger's cat52-guardar. A file is its row and its content, stored in one
// transaction; a printer has one file a day, the one whose E12 carries its
// serial. Statement texts are this unit's own resources.
//
//   Cat52FileStore files(connection);
//   if (!files.printerFileStored(filial, caixa, day, serial)) ...
//   const Cat52FileStore::Outcome outcome = files.store(file, serial, wording);
#include "AdoCommand.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class AdoConnection;
class Exception;

class Cat52FileStore {
public:
    explicit Cat52FileStore(AdoConnection &connection);
    Cat52FileStore(const Cat52FileStore &) = delete;
    Cat52FileStore &operator=(const Cat52FileStore &) = delete;

    // The serial rule: a stored file is the printer's when its E12 carries
    // the printer's stored serial as an E12 holds one (trimmed, its first 20
    // characters). A printer without a serial has no file.
    static bool ofPrinter(const QString &e12Serial, const QString &storedSerial);
    // The serial the E12 of the printer's file carries, for a printer's
    // stored serial; empty for a printer without one. For whoever gathers
    // the serials of a day's files and then asks after each printer.
    static QString fileSerialOf(const QString &storedSerial);

    // A file of the day stored with its content: its name and the serial of
    // its E12 (empty when it has no readable E12).
    struct StoredFile {
        QString name;
        QString serial;
    };
    // The files with content stored for the branch, register and day, by
    // name. Raises EDatabaseError.
    QList<StoredFile> filesOfDay(const QString &cdFilial, const QString &cdCaixa, const QDate &day);
    // Whether one of them is the printer's (ofPrinter). Raises EDatabaseError.
    bool printerFileStored(const QString &cdFilial, const QString &cdCaixa, const QDate &day,
                           const QString &storedSerial);
    // Whether the file of that name is stored with its content for the
    // branch, register and day. Raises EDatabaseError.
    bool fileStored(const QString &cdFilial, const QString &cdCaixa, const QDate &day, const QString &name);

    // The content a file's lines are stored as: each line in windows-1252
    // followed by CR LF, the last one included; no line, no content.
    static QByteArray contentOf(const QStringList &lines);

    // A file to store; the codes and the name as the database takes them.
    struct File {
        QString cdFilial, cdCaixa, cdLoja, cdOperador;
        QDate day;
        QString name;
        QByteArray content;
    };
    struct Outcome {
        // Stored; not stored because the printer's file of the day was
        // there; not stored (message); the commit's answer lost and no new
        // session able to tell (message).
        enum Kind { Stored, PrinterHadOne, Failed, Uncertain } kind = Failed;
        QString message;
        bool stored() const { return kind == Stored; }
    };
    // Stores the file's row and content in one transaction. With the
    // printer's stored serial, the day's Z reductions are locked first and
    // the file is stored only when none of that printer is (two runs
    // finishing one day store it once); without one, always. A failure is
    // worded by `wording` while the connection still says what happened,
    // then undone. A commit whose answer is lost is settled by what a new
    // session finds.
    Outcome store(const File &file, const QString &printerSerial,
                  const std::function<QString(const Exception &)> &wording);

    // The statements, under the names the module's data module gives them.
    AdoQuery adqArqCat52Gravado;
    AdoQuery adqArqCat52DoDia;
    AdoCommand acmTravaRedZ;
    AdoCommand acmInsArqCat52;
    AdoCommand acmUpdArqCat52;

private:
    bool storeInTransaction(const File &file, const QString &printerSerial);

    AdoConnection &m_connection;
};
