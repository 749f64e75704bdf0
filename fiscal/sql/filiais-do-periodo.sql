-- The branches with Z reductions in the period, in the database's order of
-- codes: where a reader in parts cuts them (a covering read of IX_REDUCAOZ_DIA).
SELECT DISTINCT CDFILIAL
FROM REDUCAOZ
WHERE DTREDUCAOZ >= :de AND DTREDUCAOZ <= :ate
ORDER BY CDFILIAL
