-- The tax lines of the period's Z reductions, in the order of
-- reducoes-cadeia.sql (then by tax code), so that both are read side by side.
-- Of a chain's range that statement reads, only the rows of the period carry
-- tax lines here; and every row of the period (with the branch and register
-- filters) lies in the range of its chain, or among the rows without a
-- serial. So this statement takes the period's rows themselves (z) without
-- computing the chains' ranges again, and gives each its place in the chain
-- order: VOLTA as cadeia-volta.sql counts it (the part cadeia-voltas-antes),
-- for the chains that turned over (v, the test of cadeia-intervalos.sql, the
-- part cadeia-virou, once a chain); 0 for any other and for a row without a
-- serial. The keys of the
-- order are a row's (w), worked out once for the row, not once for each of
-- its tax lines.
-- Plan kept on PostgreSQL (EXPLAIN ANALYZE, PostgreSQL 15, 500 branches of ten
-- registers, one year, one day): z by an Index Scan on ix_reducaoz_dia; v by two
-- Index Scans on ix_reducaoz_cadeia a chain, a CRZ each (Limit, never a hashed
-- scan of the table); w by a Merge Left Join; the tax lines by a Nested Loop
-- over w with an Index Scan on ix_impostoredz_reducao; one sort (0.2 to 0.3 s,
-- where reading the chains' ranges again took 17 s).
-- Plan kept on SQLite (EXPLAIN QUERY PLAN, SQLite 3.40, the same data): z "SEARCH
-- r USING INDEX IX_REDUCAOZ_DIA (DTREDUCAOZ>? AND DTREDUCAOZ<?)"; v "SEARCH t
-- USING INDEX IX_REDUCAOZ_CADEIA (CDFILIAL=? AND NRSERIEREDZ=? AND <expr>=? AND
-- <expr>=?)", twice; w "SEARCH v USING AUTOMATIC COVERING INDEX"; the tax lines
-- "SEARCH i USING INDEX IX_IMPOSTOREDZ_REDUCAO (CDFILIAL=? AND CDCAIXA=? AND
-- NRECFREDZ=? AND DTREDUCAOZ=?)" (w is materialized: no range of days reaches
-- i); a temporary B-tree for the order.
WITH z AS MATERIALIZED (
  SELECT r.CDFILIAL, r.CDCAIXA, r.NRECFREDZ, r.NRSERIEREDZ, r.DTREDUCAOZ,
         LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) AS TAM, LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0') AS CRZ
  FROM REDUCAOZ r
  WHERE r.DTREDUCAOZ >= :de AND r.DTREDUCAOZ <= :ate
    AND (:cdfilial = '' OR r.CDFILIAL = :cdfilial) AND (:cdcaixa = '' OR r.CDCAIXA = :cdcaixa)
    AND (:filiaisde = '' OR r.CDFILIAL >= :filiaisde) AND (:filiaisantes = '' OR r.CDFILIAL < :filiaisantes)),
v AS MATERIALIZED (
  SELECT x.CDFILIAL, x.SERIE
  FROM (SELECT DISTINCT CDFILIAL, NRSERIEREDZ AS SERIE FROM z WHERE TRIM(NRSERIEREDZ) <> '') x
  WHERE
        -- @trecho cadeia-virou
  ),
w AS MATERIALIZED (
  SELECT r.CDFILIAL, r.CDCAIXA, r.NRECFREDZ, r.DTREDUCAOZ, COALESCE(r.NRSERIEREDZ, '') AS SERIE, r.TAM, r.CRZ,
         CASE WHEN v.CDFILIAL IS NULL THEN 0 ELSE
               -- @trecho cadeia-voltas-antes
               END AS VOLTA
  FROM z r LEFT JOIN v ON v.CDFILIAL = r.CDFILIAL AND v.SERIE = r.NRSERIEREDZ)
SELECT w.CDFILIAL, w.CDCAIXA, w.NRECFREDZ, w.DTREDUCAOZ, i.CDIMPOSTO, i.VRALIQIMPRZ, i.VRBCALCIMPRZ, i.VRIMPOSTORZ
FROM w
JOIN IMPOSTOREDZ i ON i.CDFILIAL = w.CDFILIAL AND i.CDCAIXA = w.CDCAIXA AND i.NRECFREDZ = w.NRECFREDZ
                  AND i.DTREDUCAOZ = w.DTREDUCAOZ
ORDER BY w.CDFILIAL, w.SERIE, w.VOLTA, w.TAM, w.CRZ, w.DTREDUCAOZ, w.CDCAIXA, w.NRECFREDZ, i.CDIMPOSTO, i.VRALIQIMPRZ
