-- Each stored row of a chain's range with the turn of its CRZ counter (VOLTA):
-- how many of the chain's Z reductions of an earlier day have a CRZ of 9999
-- or 999999, for a chain that turned over (c.VOLTAS); 0 for any other.
-- Those of 9999 and those of 999999 are counted apart, each through an
-- equality on the chain's index.
SELECT r.*, CASE WHEN c.VOLTAS = 0 THEN 0 ELSE
               (SELECT COUNT(*) FROM REDUCAOZ t
                WHERE t.CDFILIAL = r.CDFILIAL AND t.NRSERIEREDZ = r.NRSERIEREDZ
                  AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) = 4 AND LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') = '9999'
                  AND t.DTREDUCAOZ < r.DTREDUCAOZ)
               + (SELECT COUNT(*) FROM REDUCAOZ t
                  WHERE t.CDFILIAL = r.CDFILIAL AND t.NRSERIEREDZ = r.NRSERIEREDZ
                    AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) = 6 AND LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') = '999999'
                    AND t.DTREDUCAOZ < r.DTREDUCAOZ) END AS VOLTA
