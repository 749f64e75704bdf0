-- The tax lines of the Z reductions of the period, in the order of
-- reducoes-cadeia.sql (then by tax code), so that both are read side by side.
SELECT r.CDFILIAL, r.CDCAIXA, r.NRECFREDZ, r.DTREDUCAOZ, i.CDIMPOSTO, i.VRALIQIMPRZ, i.VRBCALCIMPRZ, i.VRIMPOSTORZ
FROM REDUCAOZ r
JOIN IMPOSTOREDZ i ON i.CDFILIAL = r.CDFILIAL AND i.CDCAIXA = r.CDCAIXA AND i.NRECFREDZ = r.NRECFREDZ
                  AND i.DTREDUCAOZ = r.DTREDUCAOZ
WHERE r.DTREDUCAOZ >= :de AND r.DTREDUCAOZ <= :ate
  AND (:cdfilial = '' OR r.CDFILIAL = :cdfilial) AND (:cdcaixa = '' OR r.CDCAIXA = :cdcaixa)
ORDER BY r.CDFILIAL, COALESCE(r.NRSERIEREDZ, ''), LENGTH(LTRIM(TRIM(r.NRREDREDZ), '0')),
         LTRIM(TRIM(r.NRREDREDZ), '0'), r.DTREDUCAOZ, r.CDCAIXA, r.NRECFREDZ, i.CDIMPOSTO, i.VRALIQIMPRZ
