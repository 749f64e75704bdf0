-- The Z reductions of one branch in the period, printer by printer (one
-- printer a serial, whatever register or number it had), each printer's by
-- day: the order of the SPED block. Printers by the number (NRECFREDZ, as a
-- number) of their last Z reduction of the period, NRECFULTIMA, then serial.
SELECT
       -- @trecho colunas-reducaoz
       , 0 AS TEMCAT52, r.NRECFULTIMA
FROM (SELECT r.*,
             FIRST_VALUE(r.NRECFREDZ) OVER (PARTITION BY COALESCE(r.NRSERIEREDZ, '')
                                             ORDER BY r.DTREDUCAOZ DESC, r.CDCAIXA DESC, r.NRECFREDZ DESC) AS NRECFULTIMA
      FROM REDUCAOZ r
      WHERE r.CDFILIAL = :cdfilial AND r.DTREDUCAOZ >= :de AND r.DTREDUCAOZ <= :ate) r
ORDER BY LENGTH(LTRIM(TRIM(r.NRECFULTIMA), '0')), LTRIM(TRIM(r.NRECFULTIMA), '0'), r.NRECFULTIMA,
         COALESCE(r.NRSERIEREDZ, ''), r.DTREDUCAOZ, r.CDCAIXA, r.NRECFREDZ
