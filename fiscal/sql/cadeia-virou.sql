-- Whether the chain x (x.CDFILIAL, x.SERIE) turned over: a CRZ 9999 (of
-- length 4) or 999999 (of length 6), each an equality on the chain's index
-- (a list of values would be read as a filter over the whole chain). A row
-- looked up, not EXISTS, which PostgreSQL may turn into one hashed scan of
-- the whole table.
(SELECT 1 FROM REDUCAOZ t
 WHERE t.CDFILIAL = x.CDFILIAL AND t.NRSERIEREDZ = x.SERIE
   AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) = 4 AND LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') = '9999'
 LIMIT 1) IS NOT NULL
OR (SELECT 1 FROM REDUCAOZ t
    WHERE t.CDFILIAL = x.CDFILIAL AND t.NRSERIEREDZ = x.SERIE
      AND LENGTH(LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0')) = 6 AND LTRIM(TRIM(COALESCE(t.NRREDREDZ, '')), '0') = '999999'
    LIMIT 1) IS NOT NULL
