-- The tax lines of the period's Z reductions, in the order of
-- reducoes-cadeia.sql (then by tax code), so that both are read side by side:
-- the same chains, ranges and turns as there, the rows of the period only.
-- Plan kept: that of reducoes-cadeia.sql, then each row's tax lines by
-- IX_IMPOSTOREDZ_REDUCAO ("SEARCH i USING INDEX IX_IMPOSTOREDZ_REDUCAO
-- (CDFILIAL=? AND CDCAIXA=? AND NRECFREDZ=? AND DTREDUCAOZ=?)"; PostgreSQL: a
-- Nested Loop with an Index Scan on ix_impostoredz_reducao).
-- @trecho cadeia-intervalos
SELECT z.CDFILIAL, z.CDCAIXA, z.NRECFREDZ, z.DTREDUCAOZ, i.CDIMPOSTO, i.VRALIQIMPRZ, i.VRBCALCIMPRZ, i.VRIMPOSTORZ
FROM (
      -- @trecho cadeia-volta
      FROM c JOIN REDUCAOZ r ON r.CDFILIAL = c.CDFILIAL AND r.NRSERIEREDZ = c.SERIE
        AND LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) = c.TAMDE AND LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0') >= c.CRZDE AND LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0') <= c.CRZDEATE
        AND r.DTREDUCAOZ >= :de AND r.DTREDUCAOZ <= :ate AND (:cdcaixa = '' OR r.CDCAIXA = :cdcaixa)
      UNION ALL
      -- @trecho cadeia-volta
      FROM c JOIN REDUCAOZ r ON r.CDFILIAL = c.CDFILIAL AND r.NRSERIEREDZ = c.SERIE
        AND LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) > c.TAMDE AND LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) < c.TAMATE
        AND r.DTREDUCAOZ >= :de AND r.DTREDUCAOZ <= :ate AND (:cdcaixa = '' OR r.CDCAIXA = :cdcaixa)
      UNION ALL
      -- @trecho cadeia-volta
      FROM c JOIN REDUCAOZ r ON r.CDFILIAL = c.CDFILIAL AND r.NRSERIEREDZ = c.SERIE
        AND LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) = c.TAMATE AND c.TAMATE > c.TAMDE AND LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0') <= c.CRZATE
        AND r.DTREDUCAOZ >= :de AND r.DTREDUCAOZ <= :ate AND (:cdcaixa = '' OR r.CDCAIXA = :cdcaixa)
      UNION ALL
      SELECT r.*, 0 AS VOLTA
      FROM REDUCAOZ r
      WHERE r.DTREDUCAOZ >= :de AND r.DTREDUCAOZ <= :ate AND COALESCE(TRIM(r.NRSERIEREDZ), '') = ''
        AND (:cdfilial = '' OR r.CDFILIAL = :cdfilial) AND (:cdcaixa = '' OR r.CDCAIXA = :cdcaixa)) z
JOIN IMPOSTOREDZ i ON i.CDFILIAL = z.CDFILIAL AND i.CDCAIXA = z.CDCAIXA AND i.NRECFREDZ = z.NRECFREDZ
                  AND i.DTREDUCAOZ = z.DTREDUCAOZ
ORDER BY z.CDFILIAL, COALESCE(z.NRSERIEREDZ, ''), z.VOLTA, LENGTH(LTRIM(TRIM(COALESCE(z.NRREDREDZ, '')), '0')),
         LTRIM(TRIM(COALESCE(z.NRREDREDZ, '')), '0'), z.DTREDUCAOZ, z.CDCAIXA, z.NRECFREDZ, i.CDIMPOSTO, i.VRALIQIMPRZ
