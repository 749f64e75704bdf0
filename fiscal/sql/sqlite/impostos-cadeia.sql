-- The tax lines of the Z reductions of the period, in the order of
-- reducoes-cadeia.sql (then by tax code), so that both are read side by side:
-- the turns of a chain are counted as there (sqlite/reducoes-cadeia.sql).
WITH v AS MATERIALIZED (
  SELECT CDFILIAL, COALESCE(NRSERIEREDZ, '') AS SERIE, DTREDUCAOZ FROM REDUCAOZ
  WHERE LTRIM(TRIM(NRREDREDZ), '0') IN ('9999', '999999') AND (:cdfilial = '' OR CDFILIAL = :cdfilial))
SELECT z.CDFILIAL, z.CDCAIXA, z.NRECFREDZ, z.DTREDUCAOZ, i.CDIMPOSTO, i.VRALIQIMPRZ, i.VRBCALCIMPRZ, i.VRIMPOSTORZ
FROM (SELECT r.CDFILIAL, r.CDCAIXA, r.NRECFREDZ, r.NRSERIEREDZ, r.DTREDUCAOZ, r.NRREDREDZ,
             (SELECT COUNT(*) FROM v
              WHERE v.CDFILIAL = r.CDFILIAL AND v.SERIE = COALESCE(r.NRSERIEREDZ, '')
                AND v.DTREDUCAOZ < r.DTREDUCAOZ) AS VOLTA
      FROM REDUCAOZ r
      LEFT JOIN (SELECT CDFILIAL, COALESCE(NRSERIEREDZ, '') AS SERIE, MAX(DTREDUCAOZ) AS DTANTERIOR
                 FROM REDUCAOZ
                 WHERE DTREDUCAOZ < :de AND (:cdfilial = '' OR CDFILIAL = :cdfilial)
                 GROUP BY CDFILIAL, COALESCE(NRSERIEREDZ, '')) ant
             ON ant.CDFILIAL = r.CDFILIAL AND ant.SERIE = COALESCE(r.NRSERIEREDZ, '')
      WHERE r.DTREDUCAOZ >= COALESCE(ant.DTANTERIOR, :de) AND r.DTREDUCAOZ <= :ate
        AND (:cdfilial = '' OR r.CDFILIAL = :cdfilial)
        AND (:cdcaixa = '' OR (r.CDFILIAL, COALESCE(r.NRSERIEREDZ, '')) IN (
               SELECT c.CDFILIAL, COALESCE(c.NRSERIEREDZ, '') FROM REDUCAOZ c
               WHERE c.CDCAIXA = :cdcaixa AND c.DTREDUCAOZ >= :de AND c.DTREDUCAOZ <= :ate))) z
JOIN IMPOSTOREDZ i ON i.CDFILIAL = z.CDFILIAL AND i.CDCAIXA = z.CDCAIXA AND i.NRECFREDZ = z.NRECFREDZ
                  AND i.DTREDUCAOZ = z.DTREDUCAOZ
WHERE z.DTREDUCAOZ >= :de AND (:cdcaixa = '' OR z.CDCAIXA = :cdcaixa)
ORDER BY z.CDFILIAL, COALESCE(z.NRSERIEREDZ, ''), z.VOLTA, LENGTH(LTRIM(TRIM(z.NRREDREDZ), '0')),
         LTRIM(TRIM(z.NRREDREDZ), '0'), z.DTREDUCAOZ, z.CDCAIXA, z.NRECFREDZ, i.CDIMPOSTO, i.VRALIQIMPRZ
