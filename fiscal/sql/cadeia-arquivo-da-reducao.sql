-- A register's files of the Z reduction's day (reducoes-cadeia.sql).
AND arq.DIA = r.DTREDUCAOZ
