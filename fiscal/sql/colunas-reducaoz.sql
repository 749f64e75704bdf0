-- The stored Z reduction's columns, as every statement of the ledger selects
-- them from a row r of REDUCAOZ, in the order ReductionColumns reads them.
-- A row stored without its printer's model (DSMODMARCAECF "model|brand" with
-- no model) takes the model of the most recent row of its printer's chain
-- that has one, whatever its day; those rows are few, so the lookup runs for
-- them alone.
r.CDFILIAL, r.CDCAIXA, r.NRECFREDZ, r.NRSERIEREDZ, r.DTREDUCAOZ, r.NRREDREDZ, r.NRREINIREDZ,
r.NRPRIMCFREDZ, r.NRULTCFREDZ, r.VRSTRIBREDZ, r.VRISENCREDZ, r.VRNINCIDREDZ, r.VRGTREDZ,
r.VRVENBRUREDZ, r.VRTOTCANREDZ, r.VRTOTDESREDZ, r.VRVENLIQREDZ, r.VRTOTACRREDZ,
CASE WHEN LTRIM(COALESCE(r.DSMODMARCAECF, '')) = '' OR LTRIM(r.DSMODMARCAECF) LIKE '|%'
     THEN COALESCE((SELECT m.DSMODMARCAECF FROM REDUCAOZ m
                    WHERE m.CDFILIAL = r.CDFILIAL AND m.NRSERIEREDZ = r.NRSERIEREDZ
                      AND LTRIM(COALESCE(m.DSMODMARCAECF, '')) <> '' AND LTRIM(m.DSMODMARCAECF) NOT LIKE '|%'
                    ORDER BY m.DTREDUCAOZ DESC LIMIT 1), r.DSMODMARCAECF)
     ELSE r.DSMODMARCAECF END AS DSMODMARCAECF
