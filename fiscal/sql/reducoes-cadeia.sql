-- The Z reductions of the printer chains, in chain order: branch, printer
-- serial, CRZ as a number, day. Each row of the period comes right after the
-- row before it in its chain, wherever that one lies: for each chain the
-- statement reads, through the chain's index, the CRZ range from the CRZ
-- before the period's first (where the first one's previous row lies) to the
-- period's last; the rows of that range outside the period come along and
-- the walk checks none of them. With a register filter the chains are those
-- of the printers that register used in the period; with a range of branch
-- codes (:filiaisde, :filiaisantes), those of its branches. TEMCAT52 tells whether
-- the register has a CAT-52 file with content for the day.
-- A CRZ counter that turned over (after 9999 or 999999) goes on in the next
-- turn of its chain: VOLTA counts the chain's Z reductions of an earlier day
-- with one of those CRZ, and the turns come in their order. A chain that
-- turned over is read whole (a CRZ range means nothing across its turns).
-- The CRZ as a number is its length (TAM) and its text without leading zeros
-- (an empty one is 0): the expressions of IX_REDUCAOZ_CADEIA, written alike.
-- A range of CRZ is read a length at a time (the three parts of the union): an index
-- seek takes an equal length and a range of CRZ, not a range over both.
-- Plan kept on PostgreSQL (EXPLAIN ANALYZE, PostgreSQL 15, three years of a hundred
-- registers, one day): g by a Bitmap Index Scan on ix_reducaoz_dia (100 rows); whether a
-- chain turned over by two Index Scans on ix_reducaoz_cadeia, a CRZ each
-- (500 branches of ten registers, one day: 0.6 s, where a list of the two CRZ,
-- a filter over every row of the chain, took 13 s); the CRZ
-- before by an Index Scan Backward on ix_reducaoz_cadeia, one row a chain;
-- the ranges by Nested Loop over c with an Index Scan on ix_reducaoz_cadeia
-- (two rows a chain); arq by a Bitmap Index Scan on ix_arqcat52_dia; a sort
-- of 200 rows. No step reads a chain's history.
-- Plan kept on SQLite (EXPLAIN QUERY PLAN, SQLite 3.40, the same data): g "SEARCH REDUCAOZ USING INDEX
-- IX_REDUCAOZ_DIA (DTREDUCAOZ>? AND DTREDUCAOZ<?)"; whether a chain turned over
-- "SEARCH t USING INDEX IX_REDUCAOZ_CADEIA (CDFILIAL=? AND NRSERIEREDZ=? AND
-- <expr>=? AND <expr>=?)", twice; the CRZ before "SEARCH t
-- USING INDEX IX_REDUCAOZ_CADEIA (CDFILIAL=? AND NRSERIEREDZ=? AND <expr>=? AND
-- <expr><?)"; the ranges "SEARCH r USING INDEX IX_REDUCAOZ_CADEIA (CDFILIAL=?
-- AND NRSERIEREDZ=? AND <expr>=? AND <expr>>? AND <expr><?)" (the lengths between
-- the first and the last only for a range that spans more than two); arq through
-- IX_ARQCAT52_DIA and an automatic index; a temporary B-tree for the order.
-- @trecho cadeia-intervalos
, arq AS MATERIALIZED (
  SELECT DISTINCT CDFILIAL, CDCAIXA,
         -- @trecho cadeia-dia-do-arquivo
         AS DIA
  FROM ARQCAT52
  WHERE DTMOVCAT52 >= :de AND DTMOVCAT52 < :depois AND LENGTH(DSARQCAT52) > 0)
SELECT
       -- @trecho colunas-reducaoz
       , CASE WHEN arq.CDFILIAL IS NULL THEN 0 ELSE 1 END AS TEMCAT52
FROM (
      -- @trecho cadeia-volta
      FROM c JOIN REDUCAOZ r ON r.CDFILIAL = c.CDFILIAL AND r.NRSERIEREDZ = c.SERIE
        AND LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) = c.TAMDE AND LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0') >= c.CRZDE AND LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0') <= c.CRZDEATE
      UNION ALL
      -- @trecho cadeia-volta
      FROM c JOIN REDUCAOZ r ON r.CDFILIAL = c.CDFILIAL AND r.NRSERIEREDZ = c.SERIE
        AND LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) > c.TAMDE AND LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) < c.TAMATE
      WHERE c.TAMATE > c.TAMDE + 1
      UNION ALL
      -- @trecho cadeia-volta
      FROM c JOIN REDUCAOZ r ON r.CDFILIAL = c.CDFILIAL AND r.NRSERIEREDZ = c.SERIE
        AND LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')) = c.TAMATE AND c.TAMATE > c.TAMDE AND LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0') <= c.CRZATE
      UNION ALL
      SELECT r.*, 0 AS VOLTA
      FROM REDUCAOZ r
      WHERE r.DTREDUCAOZ >= :de AND r.DTREDUCAOZ <= :ate AND COALESCE(TRIM(r.NRSERIEREDZ), '') = ''
        AND (:cdfilial = '' OR r.CDFILIAL = :cdfilial) AND (:cdcaixa = '' OR r.CDCAIXA = :cdcaixa)
        AND (:filiaisde = '' OR r.CDFILIAL >= :filiaisde) AND (:filiaisantes = '' OR r.CDFILIAL < :filiaisantes)) r
LEFT JOIN arq ON arq.CDFILIAL = r.CDFILIAL AND arq.CDCAIXA = r.CDCAIXA
  -- @trecho cadeia-arquivo-da-reducao
ORDER BY r.CDFILIAL, COALESCE(r.NRSERIEREDZ, ''), r.VOLTA, LENGTH(LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0')),
         LTRIM(TRIM(COALESCE(r.NRREDREDZ, '')), '0'), r.DTREDUCAOZ, r.CDCAIXA, r.NRECFREDZ
