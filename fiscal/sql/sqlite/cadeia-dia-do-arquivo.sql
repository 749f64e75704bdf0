-- The day of a CAT-52 file's movement (reducoes-cadeia.sql): SQLite keeps it
-- as text, "yyyy-MM-dd" and the time after it.
substr(DTMOVCAT52, 1, 10)
