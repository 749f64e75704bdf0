-- Each stored row of a chain's range with the turn of its CRZ counter (VOLTA):
-- how many of the chain's Z reductions of an earlier day have a CRZ of 9999
-- or 999999, for a chain that turned over (c.VOLTAS); 0 for any other.
SELECT r.*, CASE WHEN c.VOLTAS = 0 THEN 0 ELSE
               -- @trecho cadeia-voltas-antes
               END AS VOLTA
