-- The days of the period on which a register had a cash movement and no Z
-- reduction of that register was stored: each movement's day looked up in
-- the index of the days (IX_REDUCAOZ_DIA, a seek on day, branch and register).
SELECT DISTINCT m.CDFILIAL, m.CDCAIXA, substr(m.DTMOVIMCAIXA, 1, 10) AS DIA
FROM MOVCAIXA m
WHERE m.DTMOVIMCAIXA >= :de AND m.DTMOVIMCAIXA < :depois
  AND (:cdfilial = '' OR m.CDFILIAL = :cdfilial) AND (:cdcaixa = '' OR m.CDCAIXA = :cdcaixa)
  AND (:filiaisde = '' OR m.CDFILIAL >= :filiaisde) AND (:filiaisantes = '' OR m.CDFILIAL < :filiaisantes)
  AND NOT EXISTS (SELECT 1 FROM REDUCAOZ r
                  WHERE r.DTREDUCAOZ = substr(m.DTMOVIMCAIXA, 1, 10) AND r.CDFILIAL = m.CDFILIAL
                    AND r.CDCAIXA = m.CDCAIXA)
ORDER BY m.CDFILIAL, m.CDCAIXA, DIA
