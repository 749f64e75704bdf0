-- The days of the period on which a register had a cash movement and no Z
-- reduction of that register was stored.
SELECT DISTINCT m.CDFILIAL, m.CDCAIXA, CAST(m.DTMOVIMCAIXA AS DATE) AS DIA
FROM MOVCAIXA m
WHERE m.DTMOVIMCAIXA >= :de AND m.DTMOVIMCAIXA < :depois
  AND (:cdfilial = '' OR m.CDFILIAL = :cdfilial) AND (:cdcaixa = '' OR m.CDCAIXA = :cdcaixa)
  AND (:filiaisde = '' OR m.CDFILIAL >= :filiaisde) AND (:filiaisantes = '' OR m.CDFILIAL < :filiaisantes)
  AND NOT EXISTS (SELECT 1 FROM REDUCAOZ r
                  WHERE r.CDFILIAL = m.CDFILIAL AND r.CDCAIXA = m.CDCAIXA
                    AND r.DTREDUCAOZ = CAST(m.DTMOVIMCAIXA AS DATE))
ORDER BY m.CDFILIAL, m.CDCAIXA, DIA
