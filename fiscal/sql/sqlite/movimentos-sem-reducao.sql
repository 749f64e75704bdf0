-- The days of the period on which a register had a cash movement and no Z
-- reduction of that register was stored. The days with a reduction are
-- gathered once (NOT IN), not looked up movement by movement.
SELECT DISTINCT m.CDFILIAL, m.CDCAIXA, substr(m.DTMOVIMCAIXA, 1, 10) AS DIA
FROM MOVCAIXA m
WHERE m.DTMOVIMCAIXA >= :de AND m.DTMOVIMCAIXA < :depois
  AND (:cdfilial = '' OR m.CDFILIAL = :cdfilial) AND (:cdcaixa = '' OR m.CDCAIXA = :cdcaixa)
  AND (m.CDFILIAL, m.CDCAIXA, substr(m.DTMOVIMCAIXA, 1, 10)) NOT IN (
        SELECT r.CDFILIAL, r.CDCAIXA, r.DTREDUCAOZ FROM REDUCAOZ r
        WHERE r.DTREDUCAOZ >= :de AND r.DTREDUCAOZ <= :ate)
ORDER BY m.CDFILIAL, m.CDCAIXA, DIA
