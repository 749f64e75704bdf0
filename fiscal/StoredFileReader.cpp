#include "StoredFileReader.h"
#include "Guarded.h"
#include "ReductionColumns.h"

namespace {
// The file's columns, then those of one reduction of its register and day
// (null when it has none).
enum Column { CdFilial, CdCaixa, Dia, NmArq, Id, Conteudo };
const int FirstReductionColumn = Conteudo + 1;
} // namespace

Result<StoredFileReader> StoredFileReader::read(LedgerSession &session, const QString &statement,
                                                const ForwardQuery::Parameters &parameters, int batchRows)
{
    Result<std::unique_ptr<ForwardQuery>> query = ForwardQuery::run(session, statement, parameters, batchRows);
    if (!query)
        return Result<StoredFileReader>::failureOf(query);
    return Result<StoredFileReader>::of(StoredFileReader(std::move(query.value())));
}

Result<bool> StoredFileReader::next(StoredFile &file)
{
    return Guarded::run([&] { return take(file); });
}

bool StoredFileReader::take(StoredFile &file)
{
    ForwardQuery &q = *m_query;
    if (m_done)
        return false;
    if (!m_pending) {
        if (!Guarded::take(q.next())) {
            m_done = true;
            return false;
        }
        ++m_rowsRead;
    }
    m_pending = false;
    file.cdFilial = q.text(CdFilial);
    file.cdCaixa = q.text(CdCaixa);
    file.day = q.date(Dia);
    file.name = q.text(NmArq);
    file.content = q.bytes(Conteudo);
    file.candidates.clear();
    const QVariant id = q.value(Id);
    for (;;) {
        if (!q.isNull(FirstReductionColumn + ReductionColumns::NrEcf)) {
            Reduction r;
            ReductionColumns::read(q, FirstReductionColumn, r);
            file.candidates.append(r);
        }
        if (!Guarded::take(q.next())) {
            m_done = true;
            break;
        }
        ++m_rowsRead;
        // The stored row's own identity tells where the next file begins.
        if (q.value(Id) != id || q.text(CdCaixa) != file.cdCaixa || q.text(CdFilial) != file.cdFilial) {
            m_pending = true;
            break;
        }
    }
    return true;
}
