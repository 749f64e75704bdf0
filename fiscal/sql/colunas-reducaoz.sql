-- The stored Z reduction's columns, as every statement of the ledger selects
-- them from a row r of REDUCAOZ, in the order ReductionColumns reads them.
r.CDFILIAL, r.CDCAIXA, r.NRECFREDZ, r.NRSERIEREDZ, r.DTREDUCAOZ, r.NRREDREDZ, r.NRREINIREDZ,
r.NRPRIMCFREDZ, r.NRULTCFREDZ, r.VRSTRIBREDZ, r.VRISENCREDZ, r.VRNINCIDREDZ, r.VRGTREDZ,
r.VRVENBRUREDZ, r.VRTOTCANREDZ, r.VRTOTDESREDZ, r.VRVENLIQREDZ, r.VRTOTACRREDZ, r.DSMODMARCAECF
