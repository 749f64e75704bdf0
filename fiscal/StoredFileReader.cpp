#include "StoredFileReader.h"
#include "LedgerValues.h"

namespace {
enum Column {
    CdFilial,
    CdCaixa,
    Dia,
    NmArq,
    Id,
    Conteudo,
    NrEcf,
    NrSerie,
    DtReducao,
    NrRed,
    NrReini,
    NrUltCf,
    VrVenBru
};
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
        if (!q.isNull(NrEcf)) {
            Reduction r;
            r.cdFilial = file.cdFilial;
            r.cdCaixa = file.cdCaixa;
            r.nrEcf = q.text(NrEcf);
            r.serial = q.text(NrSerie);
            r.day = q.date(DtReducao);
            r.crzText = q.text(NrRed);
            r.croText = q.text(NrReini);
            r.lastCouponText = q.text(NrUltCf);
            r.crz = LedgerValues::counter(r.crzText);
            r.cro = LedgerValues::counter(r.croText);
            r.lastCoupon = LedgerValues::counter(r.lastCouponText);
            r.gross = LedgerValues::cents(q.number(VrVenBru));
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
