-- The day of a CAT-52 file's movement (reducoes-cadeia.sql).
CAST(DTMOVCAT52 AS DATE)
