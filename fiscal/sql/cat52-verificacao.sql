-- The stored CAT-52 files of the period, for the audit: the head of each file, where its E12 record lies.
-- Each file comes with the Z reductions of its register and day (none, one,
-- or one per printer), one row each, so that it is matched against all of them.
SELECT a.CDFILIAL, a.CDCAIXA, a.DIA, a.NMARQCAT52, a.ID, a.CONTEUDO,
       -- @trecho colunas-reducaoz
FROM (SELECT CDFILIAL, CDCAIXA, CAST(DTMOVCAT52 AS DATE) AS DIA, NMARQCAT52, ctid AS ID, SUBSTRING(DSARQCAT52 FROM 1 FOR 262144) AS CONTEUDO
      FROM ARQCAT52
      WHERE DTMOVCAT52 >= :de AND DTMOVCAT52 < :depois
        AND (:cdfilial = '' OR CDFILIAL = :cdfilial) AND (:cdcaixa = '' OR CDCAIXA = :cdcaixa)
        AND (:filiaisde = '' OR CDFILIAL >= :filiaisde) AND (:filiaisantes = '' OR CDFILIAL < :filiaisantes)) a
LEFT JOIN REDUCAOZ r ON r.CDFILIAL = a.CDFILIAL AND r.CDCAIXA = a.CDCAIXA AND r.DTREDUCAOZ = a.DIA
ORDER BY a.CDFILIAL, a.CDCAIXA, a.DIA, a.NMARQCAT52, a.ID, COALESCE(r.NRSERIEREDZ, ''), r.NRECFREDZ
