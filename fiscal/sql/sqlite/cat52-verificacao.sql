-- The stored CAT-52 files of the period, for the audit: the head of each file, where its E12 record lies.
-- Each file comes with the Z reductions of its register and day (none, one,
-- or one per printer), one row each, so that it is matched against all of them.
-- Those reductions are gathered first (only the register-days that have a
-- file), so that each file finds them through a small index.
WITH r AS MATERIALIZED (
  SELECT *
  FROM REDUCAOZ
  WHERE DTREDUCAOZ >= :de AND DTREDUCAOZ <= :ate
    AND (CDFILIAL, CDCAIXA, DTREDUCAOZ) IN (
          SELECT CDFILIAL, CDCAIXA, substr(DTMOVCAT52, 1, 10) FROM ARQCAT52
          WHERE DTMOVCAT52 >= :de AND DTMOVCAT52 < :depois))
SELECT a.CDFILIAL, a.CDCAIXA, substr(a.DTMOVCAT52, 1, 10) AS DIA, a.NMARQCAT52, a.rowid AS ID, substr(a.DSARQCAT52, 1, 262144) AS CONTEUDO,
       -- @trecho colunas-reducaoz
FROM ARQCAT52 a
LEFT JOIN r ON r.CDFILIAL = a.CDFILIAL AND r.CDCAIXA = a.CDCAIXA AND r.DTREDUCAOZ = substr(a.DTMOVCAT52, 1, 10)
WHERE a.DTMOVCAT52 >= :de AND a.DTMOVCAT52 < :depois
  AND (:cdfilial = '' OR a.CDFILIAL = :cdfilial) AND (:cdcaixa = '' OR a.CDCAIXA = :cdcaixa)
  AND (:filiaisde = '' OR a.CDFILIAL >= :filiaisde) AND (:filiaisantes = '' OR a.CDFILIAL < :filiaisantes)
ORDER BY a.CDFILIAL, a.CDCAIXA, DIA, a.NMARQCAT52, ID, COALESCE(r.NRSERIEREDZ, ''), r.NRECFREDZ
