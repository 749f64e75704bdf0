-- The Z reductions of the printer chains, in chain order: branch, printer
-- serial, CRZ as a number, day. Besides the period it reads, for each chain,
-- the rows of its last day before the period, so that the first day of the
-- period is checked against them. With a register filter it reads the whole
-- chains of the printers that register used in the period. TEMCAT52 tells
-- whether the register has a CAT-52 file with content for the day.
-- A CRZ counter that turned over (after 9999 or 999999) goes on in the next
-- turn of its chain: VOLTA counts the chain's Z reductions of an earlier day
-- with one of those CRZ, and the turns come in their order. (SQLite counts
-- them otherwise: see sqlite/reducoes-cadeia.sql.)
SELECT z.CDFILIAL, z.CDCAIXA, z.NRECFREDZ, z.NRSERIEREDZ, z.DTREDUCAOZ, z.NRREDREDZ, z.NRREINIREDZ,
       z.NRPRIMCFREDZ, z.NRULTCFREDZ, z.VRSTRIBREDZ, z.VRISENCREDZ, z.VRNINCIDREDZ, z.VRGTREDZ,
       z.VRVENBRUREDZ, z.VRTOTCANREDZ, z.VRTOTDESREDZ, z.VRVENLIQREDZ, z.VRTOTACRREDZ, z.DSMODMARCAECF,
       z.TEMCAT52
FROM (SELECT r.CDFILIAL, r.CDCAIXA, r.NRECFREDZ, r.NRSERIEREDZ, r.DTREDUCAOZ, r.NRREDREDZ, r.NRREINIREDZ,
             r.NRPRIMCFREDZ, r.NRULTCFREDZ, r.VRSTRIBREDZ, r.VRISENCREDZ, r.VRNINCIDREDZ, r.VRGTREDZ,
             r.VRVENBRUREDZ, r.VRTOTCANREDZ, r.VRTOTDESREDZ, r.VRVENLIQREDZ, r.VRTOTACRREDZ, r.DSMODMARCAECF,
             CASE WHEN arq.CDFILIAL IS NULL THEN 0 ELSE 1 END AS TEMCAT52,
             SUM(CASE WHEN LTRIM(TRIM(r.NRREDREDZ), '0') IN ('9999', '999999') THEN 1 ELSE 0 END)
               OVER (PARTITION BY r.CDFILIAL, COALESCE(r.NRSERIEREDZ, '') ORDER BY r.DTREDUCAOZ)
             - SUM(CASE WHEN LTRIM(TRIM(r.NRREDREDZ), '0') IN ('9999', '999999') THEN 1 ELSE 0 END)
               OVER (PARTITION BY r.CDFILIAL, COALESCE(r.NRSERIEREDZ, ''), r.DTREDUCAOZ) AS VOLTA
      FROM REDUCAOZ r
      LEFT JOIN (SELECT CDFILIAL, COALESCE(NRSERIEREDZ, '') AS SERIE, MAX(DTREDUCAOZ) AS DTANTERIOR
                 FROM REDUCAOZ
                 WHERE DTREDUCAOZ < :de AND (:cdfilial = '' OR CDFILIAL = :cdfilial)
                 GROUP BY CDFILIAL, COALESCE(NRSERIEREDZ, '')) ant
             ON ant.CDFILIAL = r.CDFILIAL AND ant.SERIE = COALESCE(r.NRSERIEREDZ, '')
      LEFT JOIN (SELECT DISTINCT CDFILIAL, CDCAIXA, CAST(DTMOVCAT52 AS DATE) AS DIA
                 FROM ARQCAT52
                 WHERE DTMOVCAT52 >= :de AND DTMOVCAT52 < :depois AND LENGTH(DSARQCAT52) > 0) arq
             ON arq.CDFILIAL = r.CDFILIAL AND arq.CDCAIXA = r.CDCAIXA AND arq.DIA = r.DTREDUCAOZ
      WHERE r.DTREDUCAOZ >= COALESCE(ant.DTANTERIOR, :de) AND r.DTREDUCAOZ <= :ate
        AND (:cdfilial = '' OR r.CDFILIAL = :cdfilial)
        AND (:cdcaixa = '' OR (r.CDFILIAL, COALESCE(r.NRSERIEREDZ, '')) IN (
               SELECT c.CDFILIAL, COALESCE(c.NRSERIEREDZ, '') FROM REDUCAOZ c
               WHERE c.CDCAIXA = :cdcaixa AND c.DTREDUCAOZ >= :de AND c.DTREDUCAOZ <= :ate))) z
ORDER BY z.CDFILIAL, COALESCE(z.NRSERIEREDZ, ''), z.VOLTA, LENGTH(LTRIM(TRIM(z.NRREDREDZ), '0')),
         LTRIM(TRIM(z.NRREDREDZ), '0'), z.DTREDUCAOZ, z.CDCAIXA, z.NRECFREDZ
