-- A register's files of the Z reduction's day (reducoes-cadeia.sql). The
-- day is compared without the column's numeric affinity (+r.DTREDUCAOZ), so
-- that it takes part in the files' automatic index.
AND arq.DIA = +r.DTREDUCAOZ
