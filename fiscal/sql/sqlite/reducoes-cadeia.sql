-- The Z reductions of the printer chains, in chain order: branch, printer
-- serial, CRZ as a number, day. Besides the period it reads, for each chain,
-- the rows of its last day before the period, so that the first day of the
-- period is checked against them. With a register filter it reads the whole
-- chains of the printers that register used in the period. TEMCAT52 tells
-- whether the register has a CAT-52 file with content for the day. The
-- day is compared without the column's numeric affinity (+r.DTREDUCAOZ), so
-- that the day of the files takes part in their automatic index.
SELECT r.CDFILIAL, r.CDCAIXA, r.NRECFREDZ, r.NRSERIEREDZ, r.DTREDUCAOZ, r.NRREDREDZ, r.NRREINIREDZ,
       r.NRPRIMCFREDZ, r.NRULTCFREDZ, r.VRSTRIBREDZ, r.VRISENCREDZ, r.VRNINCIDREDZ, r.VRGTREDZ,
       r.VRVENBRUREDZ, r.VRTOTCANREDZ, r.VRTOTDESREDZ, r.VRVENLIQREDZ, r.VRTOTACRREDZ, r.DSMODMARCAECF,
       CASE WHEN arq.CDFILIAL IS NULL THEN 0 ELSE 1 END AS TEMCAT52
FROM REDUCAOZ r
LEFT JOIN (SELECT CDFILIAL, COALESCE(NRSERIEREDZ, '') AS SERIE, MAX(DTREDUCAOZ) AS DTANTERIOR
           FROM REDUCAOZ
           WHERE DTREDUCAOZ < :de AND (:cdfilial = '' OR CDFILIAL = :cdfilial)
           GROUP BY CDFILIAL, COALESCE(NRSERIEREDZ, '')) ant
       ON ant.CDFILIAL = r.CDFILIAL AND ant.SERIE = COALESCE(r.NRSERIEREDZ, '')
LEFT JOIN (SELECT DISTINCT CDFILIAL, CDCAIXA, substr(DTMOVCAT52, 1, 10) AS DIA
           FROM ARQCAT52
           WHERE DTMOVCAT52 >= :de AND DTMOVCAT52 < :depois AND LENGTH(DSARQCAT52) > 0) arq
       ON arq.CDFILIAL = r.CDFILIAL AND arq.CDCAIXA = r.CDCAIXA AND arq.DIA = +r.DTREDUCAOZ
WHERE r.DTREDUCAOZ >= COALESCE(ant.DTANTERIOR, :de) AND r.DTREDUCAOZ <= :ate
  AND (:cdfilial = '' OR r.CDFILIAL = :cdfilial)
  AND (:cdcaixa = '' OR (r.CDFILIAL, COALESCE(r.NRSERIEREDZ, '')) IN (
         SELECT c.CDFILIAL, COALESCE(c.NRSERIEREDZ, '') FROM REDUCAOZ c
         WHERE c.CDCAIXA = :cdcaixa AND c.DTREDUCAOZ >= :de AND c.DTREDUCAOZ <= :ate))
ORDER BY r.CDFILIAL, COALESCE(r.NRSERIEREDZ, ''), LENGTH(LTRIM(TRIM(r.NRREDREDZ), '0')),
         LTRIM(TRIM(r.NRREDREDZ), '0'), r.DTREDUCAOZ, r.CDCAIXA, r.NRECFREDZ
