-- Demo night for the head-office view (kal02700-painel), beside the Z
-- reduction that the main job records today for branch 0001, register 001:
-- register 002 of branch 0001 sold today and has not recorded its Z
-- reduction (pendente); branch 0002 recorded two, one whose net sales do not
-- add up (com_erro) and one without its CAT-52 file (sem_cat52).
INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES ('0001', '002', strftime('%Y-%m-%dT00:00:00.000', 'now', 'localtime'));
INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES ('0002', '001', strftime('%Y-%m-%dT00:00:00.000', 'now', 'localtime'));
INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA) VALUES ('0002', '002', strftime('%Y-%m-%dT00:00:00.000', 'now', 'localtime'));
INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, DTREDUCAOZ, NRREDREDZ, NRREINIREDZ, NRPRIMCFREDZ, NRULTCFREDZ, VRSTRIBREDZ, VRISENCREDZ, VRNINCIDREDZ, VRGTREDZ, VRVENBRUREDZ, VRTOTCANREDZ, VRTOTDESREDZ, VRVENLIQREDZ, VRTOTACRREDZ, IDORIGEMREDZ, NRGERCNFREDZ, NRLEITREDZ, NRCANCFREDZ, DSMODMARCAECF) VALUES ('0002', '001', '001', 'BE0202020200000000B1', date('now', 'localtime'), '0000000310', '0000000001', '0000004001', '0000004120', 1523.40, 0, 0, 845210.77, 1550.00, 20.00, 6.60, 1530.00, 0, 'KIV', '0000000000', '0000000000', '0000000000', 'FS-700 MACH|ACME');
INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, DTREDUCAOZ, NRREDREDZ, NRREINIREDZ, NRPRIMCFREDZ, NRULTCFREDZ, VRSTRIBREDZ, VRISENCREDZ, VRNINCIDREDZ, VRGTREDZ, VRVENBRUREDZ, VRTOTCANREDZ, VRTOTDESREDZ, VRVENLIQREDZ, VRTOTACRREDZ, IDORIGEMREDZ, NRGERCNFREDZ, NRLEITREDZ, NRCANCFREDZ, DSMODMARCAECF) VALUES ('0002', '002', '002', 'BE0202020200000000B2', date('now', 'localtime'), '0000000208', '0000000001', '0000002500', '0000002611', 987.65, 0, 0, 401877.10, 987.65, 0, 0, 987.65, 0, 'KIV', '0000000000', '0000000000', '0000000000', 'FS-700 MACH|ACME');

-- The 29 nights before, for the view's strips of the last 30 nights: the
-- printers' chains run on to tonight's rows (CRZ, coupons, grand total), a
-- CAT-52 file a night, and the nights that went wrong: branch 0002 register
-- 001 had a night without its Z reduction (6 nights ago) and one whose net
-- sales do not add up (15), register 002 two nights without a file (4, 17);
-- branch 0001 register 002 a night without its Z reduction (9). Branches
-- 0003 and 0004 run every night with tonight too: 0003 register 003 without
-- its CAT-52 file tonight, 0004 register 002 a night without its Z reduction
-- (2). Register j nights before its row of reference: CRZ - j, 50 coupons
-- a night, R$ 1.000,00 of sales a night.
CREATE TEMP TABLE demo_caixa (cdfilial, cdcaixa, nrecf, serial, crz, coo, gt, hoje);
INSERT INTO demo_caixa VALUES
  ('0002', '001', '001', 'BE0202020200000000B1', 310, 4001, 84466077, 0),
  ('0002', '002', '002', 'BE0202020200000000B2', 208, 2500, 40188945, 0),
  ('0001', '002', '002', 'BE0102020200000000C2', 500, 9001, 50000000, 0),
  ('0003', '001', '001', 'BE0301010100000000D1', 700, 4001, 30000000, 1),
  ('0003', '002', '002', 'BE0302020200000000D2', 710, 5001, 31000000, 1),
  ('0003', '003', '003', 'BE0303030300000000D3', 720, 7001, 32000000, 1),
  ('0004', '001', '001', 'BE0401010100000000E1', 800, 3001, 20000000, 1),
  ('0004', '002', '002', 'BE0402020200000000E2', 810, 6001, 21000000, 1);
CREATE TEMP TABLE demo_noite (cdfilial, cdcaixa, k, tipo);
INSERT INTO demo_noite VALUES
  ('0002', '001', 6, 'pendente'), ('0002', '001', 15, 'com_erro'), ('0002', '002', 4, 'sem_cat52'),
  ('0002', '002', 17, 'sem_cat52'), ('0001', '002', 9, 'pendente'), ('0003', '003', 0, 'sem_cat52'),
  ('0004', '002', 2, 'pendente');
CREATE TEMP TABLE demo_z AS
WITH RECURSIVE noites(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM noites WHERE k < 29)
SELECT c.cdfilial, c.cdcaixa, c.nrecf, c.serial, n.k,
       date('now', 'localtime', '-' || n.k || ' days') AS dia,
       n.k - (SELECT count(*) FROM demo_noite p WHERE p.cdfilial = c.cdfilial AND p.cdcaixa = c.cdcaixa
                AND p.tipo = 'pendente' AND p.k < n.k) AS j,
       c.crz, c.coo, c.gt,
       coalesce((SELECT tipo FROM demo_noite p WHERE p.cdfilial = c.cdfilial AND p.cdcaixa = c.cdcaixa AND p.k = n.k), '') AS tipo
FROM demo_caixa c JOIN noites n ON n.k >= 1 - c.hoje;
INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, DTMOVIMCAIXA)
SELECT cdfilial, cdcaixa, dia || 'T00:00:00.000' FROM demo_z;
INSERT INTO REDUCAOZ (CDFILIAL, CDCAIXA, NRECFREDZ, NRSERIEREDZ, DTREDUCAOZ, NRREDREDZ, NRREINIREDZ, NRPRIMCFREDZ, NRULTCFREDZ, VRSTRIBREDZ, VRISENCREDZ, VRNINCIDREDZ, VRGTREDZ, VRVENBRUREDZ, VRTOTCANREDZ, VRTOTDESREDZ, VRVENLIQREDZ, VRTOTACRREDZ, IDORIGEMREDZ, NRGERCNFREDZ, NRLEITREDZ, NRCANCFREDZ, DSMODMARCAECF)
SELECT cdfilial, cdcaixa, nrecf, serial, dia, printf('%010d', crz - j), '0000000001', printf('%010d', coo - 50 * j),
       printf('%010d', coo + 49 - 50 * j), CASE tipo WHEN 'com_erro' THEN 990 ELSE 1000 END, 0, 0,
       round((gt - 100000 * j) / 100.0, 2), 1000, 0, 0, CASE tipo WHEN 'com_erro' THEN 990 ELSE 1000 END, 0, 'KIV',
       '0000000000', '0000000000', '0000000000', 'FS-700 MACH|ACME'
FROM demo_z WHERE tipo <> 'pendente';
INSERT INTO ARQCAT52 (CDFILIAL, CDCAIXA, CDLOJA, CDOPERADOR, DTGERACAT52, DTMOVCAT52, NMARQCAT52, DSARQCAT52)
SELECT cdfilial, cdcaixa, '000', '000000000000', dia || 'T00:00:00.000', dia || 'T00:00:00.000',
       substr(serial, -2) || '.' || strftime('%d%m', dia),
       CAST(printf('E12%-20s %-20s01%06d%06d%06d%s%s235900%014dV', serial, 'FS-700 MACH', crz - j,
                   coo + 49 - 50 * j, 1, strftime('%Y%m%d', dia), strftime('%Y%m%d', dia), 100000)
            || char(13, 10) AS BLOB)
FROM demo_z WHERE tipo NOT IN ('pendente', 'sem_cat52');
