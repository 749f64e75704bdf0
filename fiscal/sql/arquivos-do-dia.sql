-- The CAT-52 files with content that one register holds for one day, each
-- with its content, whose E12 tells the printer it is of.
SELECT NMARQCAT52, DSARQCAT52
FROM ARQCAT52
WHERE CDFILIAL = :cdfilial AND CDCAIXA = :cdcaixa AND DTMOVCAT52 >= :dia AND DTMOVCAT52 < :depois
  AND LENGTH(DSARQCAT52) > 0
ORDER BY NMARQCAT52
