-- The Z reductions of the printer chains, in chain order: branch, printer
-- serial, CRZ as a number, day. Each row of the period comes right after the
-- row before it in its chain, wherever that one lies: for each chain the
-- statement reads, through the chain's index, the CRZ range from the CRZ
-- before the period's first (where the first one's previous row lies) to the
-- period's last; the rows of that range outside the period come along and
-- the walk checks none of them. With a register filter the chains are those
-- of the printers that register used in the period. TEMCAT52 tells whether
-- the register has a CAT-52 file with content for the day.
-- A CRZ counter that turned over (after 9999 or 999999) goes on in the next
-- turn of its chain: VOLTA counts the chain's Z reductions of an earlier day
-- with one of those CRZ, and the turns come in their order. A chain that
-- turned over is read whole (a CRZ range means nothing across its turns).
-- The CRZ as a number is its length (TAM) and its text without leading zeros
-- (an empty one is 0): the expressions of IX_REDUCAOZ_CADEIA, written alike.
-- A range of CRZ is read a length at a time (the three parts of z): an index
-- seek takes an equal length and a range of CRZ, not a range over both.
-- Plan kept (EXPLAIN ANALYZE, PostgreSQL 15, three years of a hundred
-- registers, one day): g by a Bitmap Index Scan on ix_reducaoz_dia (100 rows); the CRZ
-- before by an Index Scan Backward on ix_reducaoz_cadeia, one row a chain;
-- the ranges by Nested Loop over c with an Index Scan on ix_reducaoz_cadeia
-- (two rows a chain); arq by a Bitmap Index Scan on ix_arqcat52_dia; a sort
-- of 200 rows. No step reads a chain's history.
WITH g AS MATERIALIZED (
  SELECT CDFILIAL, NRSERIEREDZ AS SERIE, LENGTH(LTRIM(TRIM(COALESCE(NRREDREDZ, '')), '0')) AS TAM,
         MIN(LTRIM(TRIM(COALESCE(NRREDREDZ, '')), '0')) AS CRZMIN, MAX(LTRIM(TRIM(COALESCE(NRREDREDZ, '')), '0')) AS CRZMAX
  FROM REDUCAOZ
  WHERE DTREDUCAOZ >= :de AND DTREDUCAOZ <= :ate AND TRIM(NRSERIEREDZ) <> ''
    AND (:cdfilial = '' OR CDFILIAL = :cdfilial) AND (:cdcaixa = '' OR CDCAIXA = :cdcaixa)
  GROUP BY CDFILIAL, NRSERIEREDZ, LENGTH(LTRIM(TRIM(COALESCE(NRREDREDZ, '')), '0'))),
e AS MATERIALIZED (
  SELECT x.CDFILIAL, x.SERIE, x.TAMMIN, lo.CRZMIN, x.TAMMAX, hi.CRZMAX,
         CASE WHEN EXISTS (SELECT 1 FROM REDUCAOZ t
                           WHERE t.CDFILIAL = x.CDFILIAL AND t.NRSERIEREDZ = x.SERIE
                             AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) IN (4, 6) AND LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') IN ('9999', '999999'))
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
  FROM b),
arq AS MATERIALIZED (
  SELECT DISTINCT CDFILIAL, CDCAIXA, CAST(DTMOVCAT52 AS DATE) AS DIA
  FROM ARQCAT52
  WHERE DTMOVCAT52 >= :de AND DTMOVCAT52 < :depois AND LENGTH(DSARQCAT52) > 0)
SELECT z.CDFILIAL, z.CDCAIXA, z.NRECFREDZ, z.NRSERIEREDZ, z.DTREDUCAOZ, z.NRREDREDZ, z.NRREINIREDZ,
       z.NRPRIMCFREDZ, z.NRULTCFREDZ, z.VRSTRIBREDZ, z.VRISENCREDZ, z.VRNINCIDREDZ, z.VRGTREDZ,
       z.VRVENBRUREDZ, z.VRTOTCANREDZ, z.VRTOTDESREDZ, z.VRVENLIQREDZ, z.VRTOTACRREDZ, z.DSMODMARCAECF,
       CASE WHEN arq.CDFILIAL IS NULL THEN 0 ELSE 1 END AS TEMCAT52
FROM (SELECT r.*, CASE WHEN c.VOLTAS = 0 THEN 0 ELSE
               (SELECT COUNT(*) FROM REDUCAOZ t
                WHERE t.CDFILIAL = r.CDFILIAL AND t.NRSERIEREDZ = r.NRSERIEREDZ
                  AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) IN (4, 6) AND LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') IN ('9999', '999999')
                  AND t.DTREDUCAOZ < r.DTREDUCAOZ) END AS VOLTA
      FROM c JOIN REDUCAOZ r ON r.CDFILIAL = c.CDFILIAL AND r.NRSERIEREDZ = c.SERIE
        AND LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) = c.TAMDE AND LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0') >= c.CRZDE AND LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0') <= c.CRZDEATE
      UNION ALL
      SELECT r.*, CASE WHEN c.VOLTAS = 0 THEN 0 ELSE
               (SELECT COUNT(*) FROM REDUCAOZ t
                WHERE t.CDFILIAL = r.CDFILIAL AND t.NRSERIEREDZ = r.NRSERIEREDZ
                  AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) IN (4, 6) AND LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') IN ('9999', '999999')
                  AND t.DTREDUCAOZ < r.DTREDUCAOZ) END AS VOLTA
      FROM c JOIN REDUCAOZ r ON r.CDFILIAL = c.CDFILIAL AND r.NRSERIEREDZ = c.SERIE
        AND LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) > c.TAMDE AND LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) < c.TAMATE
      UNION ALL
      SELECT r.*, CASE WHEN c.VOLTAS = 0 THEN 0 ELSE
               (SELECT COUNT(*) FROM REDUCAOZ t
                WHERE t.CDFILIAL = r.CDFILIAL AND t.NRSERIEREDZ = r.NRSERIEREDZ
                  AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) IN (4, 6) AND LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') IN ('9999', '999999')
                  AND t.DTREDUCAOZ < r.DTREDUCAOZ) END AS VOLTA
      FROM c JOIN REDUCAOZ r ON r.CDFILIAL = c.CDFILIAL AND r.NRSERIEREDZ = c.SERIE
        AND LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) = c.TAMATE AND c.TAMATE > c.TAMDE AND LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0') <= c.CRZATE
      UNION ALL
      SELECT r.*, 0 AS VOLTA
      FROM REDUCAOZ r
      WHERE r.DTREDUCAOZ >= :de AND r.DTREDUCAOZ <= :ate AND COALESCE(TRIM(r.NRSERIEREDZ), '') = ''
        AND (:cdfilial = '' OR r.CDFILIAL = :cdfilial) AND (:cdcaixa = '' OR r.CDCAIXA = :cdcaixa)) z
LEFT JOIN arq ON arq.CDFILIAL = z.CDFILIAL AND arq.CDCAIXA = z.CDCAIXA AND arq.DIA = z.DTREDUCAOZ
ORDER BY z.CDFILIAL, COALESCE(z.NRSERIEREDZ, ''), z.VOLTA, LENGTH(LTRIM(TRIM(COALESCE(z.NRREDREDZ, '')), '0')),
         LTRIM(TRIM(COALESCE(z.NRREDREDZ, '')), '0'), z.DTREDUCAOZ, z.CDCAIXA, z.NRECFREDZ
