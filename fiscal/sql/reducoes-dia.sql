-- The Z reductions of one branch in the period by day, then printer number
-- as a number: the order of the Sintegra registers.
SELECT
       -- @trecho colunas-reducaoz
       , 0 AS TEMCAT52
FROM REDUCAOZ r
WHERE r.CDFILIAL = :cdfilial AND r.DTREDUCAOZ >= :de AND r.DTREDUCAOZ <= :ate
ORDER BY r.DTREDUCAOZ, LENGTH(LTRIM(TRIM(r.NRECFREDZ), '0')), LTRIM(TRIM(r.NRECFREDZ), '0'), r.NRECFREDZ,
         COALESCE(r.NRSERIEREDZ, ''), r.CDCAIXA
