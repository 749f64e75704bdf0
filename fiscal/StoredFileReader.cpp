#include "StoredFileReader.h"
#include "ReductionColumns.h"

namespace {
// The file's columns, then those of one reduction of its register and day
// (null when it has none).
enum Column { CdFilial, CdCaixa, Dia, NmArq, Id, Conteudo };
const int FirstReductionColumn = Conteudo + 1;
} // namespace

StoredFileReader::StoredFileReader(LedgerSession &session, const QString &statement,
                                   const ForwardQuery::Parameters &parameters, int batchRows)
    : m_query(session, statement, parameters, batchRows)
{
}

bool StoredFileReader::next(StoredFile &file)
{
    ForwardQuery &q = m_query;
    if (m_done)
        return false;
    if (!m_pending) {
        if (!q.next()) {
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
        if (!q.next()) {
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
