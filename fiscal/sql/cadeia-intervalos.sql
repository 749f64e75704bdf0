-- The ranges of the printer chains that the period touches, as the chain
-- statement reads them (reducoes-cadeia.sql takes it in where it says
-- "-- @trecho cadeia-intervalos"): for each branch and serial
-- (c) the CRZ range to read, a length at a time, from the CRZ before the
-- period's first to the period's last, and whether the chain turned over.
WITH g AS MATERIALIZED (
  SELECT CDFILIAL, NRSERIEREDZ AS SERIE, LENGTH(LTRIM(TRIM(COALESCE(NRREDREDZ, '')), '0')) AS TAM,
         MIN(LTRIM(TRIM(COALESCE(NRREDREDZ, '')), '0')) AS CRZMIN, MAX(LTRIM(TRIM(COALESCE(NRREDREDZ, '')), '0')) AS CRZMAX
  FROM REDUCAOZ
  WHERE DTREDUCAOZ >= :de AND DTREDUCAOZ <= :ate AND TRIM(NRSERIEREDZ) <> ''
    AND (:cdfilial = '' OR CDFILIAL = :cdfilial) AND (:cdcaixa = '' OR CDCAIXA = :cdcaixa)
    AND (:filiaisde = '' OR CDFILIAL >= :filiaisde) AND (:filiaisantes = '' OR CDFILIAL < :filiaisantes)
  GROUP BY CDFILIAL, NRSERIEREDZ, LENGTH(LTRIM(TRIM(COALESCE(NRREDREDZ, '')), '0'))),
e AS MATERIALIZED (
  SELECT x.CDFILIAL, x.SERIE, x.TAMMIN, lo.CRZMIN, x.TAMMAX, hi.CRZMAX,
         -- Turned over (x: the chain).
         CASE WHEN
              -- @trecho cadeia-virou
              THEN 1 ELSE 0 END AS VOLTAS,
         (SELECT LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') FROM REDUCAOZ t
          WHERE t.CDFILIAL = x.CDFILIAL AND t.NRSERIEREDZ = x.SERIE AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) = x.TAMMIN
            AND LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') < lo.CRZMIN
          ORDER BY LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') DESC LIMIT 1) AS CRZANTES
  FROM (SELECT CDFILIAL, SERIE, MIN(TAM) AS TAMMIN, MAX(TAM) AS TAMMAX FROM g GROUP BY CDFILIAL, SERIE) x
  JOIN g lo ON lo.CDFILIAL = x.CDFILIAL AND lo.SERIE = x.SERIE AND lo.TAM = x.TAMMIN
  JOIN g hi ON hi.CDFILIAL = x.CDFILIAL AND hi.SERIE = x.SERIE AND hi.TAM = x.TAMMAX),
a AS MATERIALIZED (
  -- The CRZ before the period's first: of the same length, or the highest of a shorter one.
  SELECT e.*,
         CASE WHEN e.CRZANTES IS NOT NULL THEN e.TAMMIN ELSE
           (SELECT LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) FROM REDUCAOZ t
            WHERE t.CDFILIAL = e.CDFILIAL AND t.NRSERIEREDZ = e.SERIE AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) < e.TAMMIN
            ORDER BY LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) DESC, LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') DESC LIMIT 1) END AS TAMANT,
         CASE WHEN e.CRZANTES IS NOT NULL THEN e.CRZANTES ELSE
           (SELECT LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') FROM REDUCAOZ t
            WHERE t.CDFILIAL = e.CDFILIAL AND t.NRSERIEREDZ = e.SERIE AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) < e.TAMMIN
            ORDER BY LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) DESC, LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') DESC LIMIT 1) END AS CRZANT
  FROM e),
b AS MATERIALIZED (
  SELECT CDFILIAL, SERIE, VOLTAS,
         CASE WHEN VOLTAS = 1 THEN -1 ELSE COALESCE(TAMANT, TAMMIN) END AS TAMDE,
         CASE WHEN VOLTAS = 1 THEN '' ELSE COALESCE(CRZANT, CRZMIN) END AS CRZDE,
         CASE WHEN VOLTAS = 1 THEN 99 ELSE TAMMAX END AS TAMATE, CRZMAX AS CRZATE
  FROM a),
c AS MATERIALIZED (
  -- The highest CRZ of the first length, when the range goes on to longer ones.
  SELECT b.*,
         CASE WHEN b.TAMDE = b.TAMATE THEN b.CRZATE ELSE
           (SELECT LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') FROM REDUCAOZ t
            WHERE t.CDFILIAL = b.CDFILIAL AND t.NRSERIEREDZ = b.SERIE AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) = b.TAMDE
            ORDER BY LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') DESC LIMIT 1) END AS CRZDEATE
  FROM b)
