#pragma once
// Reads stored CAT-52 files (ARQCAT52), each with the Z reductions of its
// register and day, from one ordered query that repeats the file on a row
// per reduction.
#include "ForwardQuery.h"
#include "Reduction.h"

#include <QByteArray>
#include <QList>

class LedgerSession;

struct StoredFile {
    QString cdFilial, cdCaixa, name;
    QDate day;
    QByteArray content; // empty: a row without content
    QList<Reduction> candidates;
};

class StoredFileReader {
public:
    // statement: cat52-verificacao (the head of each file) or cat52-exportar
    // (whole files); batchRows bounds how many contents one fetch holds.
    // Fails as the database refuses the statement.
    static Result<StoredFileReader> read(LedgerSession &session, const QString &statement,
                                         const ForwardQuery::Parameters &parameters, int batchRows);
    // Whether a next file was read (false after the last), or why not.
    Result<bool> next(StoredFile &file);
    qint64 rowsRead() const { return m_rowsRead; }

private:
    explicit StoredFileReader(std::unique_ptr<ForwardQuery> query) : m_query(std::move(query)) {}
    bool take(StoredFile &file); // raises Exception

    std::unique_ptr<ForwardQuery> m_query;
    bool m_pending = false; // the query stands on the first row of the next file
    bool m_done = false;
    qint64 m_rowsRead = 0;
};
