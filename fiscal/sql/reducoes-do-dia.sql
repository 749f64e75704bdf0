-- The Z reductions of one register on one day.
SELECT
       -- @trecho colunas-reducaoz
       , 0 AS TEMCAT52
FROM REDUCAOZ r
WHERE r.CDFILIAL = :cdfilial AND r.CDCAIXA = :cdcaixa AND r.DTREDUCAOZ = :dia
ORDER BY COALESCE(r.NRSERIEREDZ, ''), r.NRECFREDZ
