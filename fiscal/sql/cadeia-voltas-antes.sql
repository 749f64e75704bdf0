-- The turns of the row r's chain before its day: how many of the chain's Z
-- reductions of an earlier day have a CRZ of 9999 or 999999, those of each
-- counted apart through an equality on the chain's index.
(SELECT COUNT(*) FROM REDUCAOZ t
 WHERE t.CDFILIAL = r.CDFILIAL AND t.NRSERIEREDZ = r.NRSERIEREDZ
   AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) = 4 AND LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') = '9999'
   AND t.DTREDUCAOZ < r.DTREDUCAOZ)
+ (SELECT COUNT(*) FROM REDUCAOZ t
   WHERE t.CDFILIAL = r.CDFILIAL AND t.NRSERIEREDZ = r.NRSERIEREDZ
     AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) = 6 AND LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') = '999999'
     AND t.DTREDUCAOZ < r.DTREDUCAOZ)
