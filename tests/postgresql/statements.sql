-- Known data for the server-backend test (written for 8 December 2026; the test moves every date with today).
INSERT INTO dvmaster.Dvm133Bak
SELECT d::date, extract(year from d), extract(month from d), extract(day from d), extract(week from d), extract(isodow from d), extract(doy from d)
FROM generate_series(date '2026-01-01', date '2027-12-31', interval '1 day') d;
INSERT INTO Dvm701Plg (PlgPlg, PlgTxt, PlgKal, PlgHzt, PlgSta, PlgDat, PlgErf, PlgPdt, PlgPlr, PlgPgm, PlgUsr, PlgBeg, PlgFts,
    PlgQu1, PlgAr2, PlgRe3) VALUES ('P1', 'Gruppe eins', 'K1', 7, 1, '2026-12-01 10:11:12', 'anna', '2026-12-02 00:00:01', 'plr', 'pgm', 'usr', '2026-12-03 23:59:59', 4, 1, 1, 1);
INSERT INTO Dvm701Plg (PlgPlg) VALUES ('P0');
INSERT INTO Dvm725Bsm (BsmBdt, BsmEso, BsmEsa, BsmSzv, BsmSzb, BsmPlg, BsmAsw, BsmFkt, BsmDat, BsmKos, BsmTtp, BsmErf)
VALUES ('2026-12-15', 'E1', 'A1', 360, 840, 'P1', 1, -3, '2026-12-10 08:09:10', 1.5, 'WT', 'x'),
       ('2026-12-15', 'E1', 'A1', 840, 1320, 'P1', 1, -1, NULL, NULL, NULL, NULL),
       ('2026-12-15', 'E1', 'A1', 1320, 360, 'P1', 1, 2, NULL, NULL, NULL, NULL),
       ('2026-12-15', 'E1', 'A2', 1320, 360, 'P1', 1, 5, NULL, NULL, NULL, NULL),
       ('2026-12-15', 'E1', 'A1', 1320, 360, 'P1', 2, 4, NULL, NULL, NULL, NULL),
       ('2026-12-16', 'E1', 'A1', 360, 840, 'P1', 1, 0, NULL, NULL, NULL, NULL);
INSERT INTO Dvm730Bdp (BdpPnr, BdpBdt, BdpEso, BdpEsa, BdpSzv, BdpSzb, BdpPlg, BdpAsw, BdpAkt, BdpRnd, BdpZtv, BdpZtb, BdpAzt, BdpKos, BdpFc1, BdpSts, BdpId1, BdpDat, BdpOsv)
VALUES ('00000001', '2026-12-15', 'E1', 'A1', 1320, 360, 'P1', 1, 1, 2, 1320, 360, 480, 10.25, DEFAULT, DEFAULT, 1, '2026-12-11 01:02:03', 0),
       ('00000002', '2026-12-15', 'E1', 'A1', 1320, 360, 'P1', 1, 1, 1, 1320, 300, 420, 0, DEFAULT, DEFAULT, 2, NULL, 0),
       ('00000003', '2026-12-15', 'E1', 'A1', 1320, 360, 'P1', 1, 1, 3, 1320, 360, 480, 5, 'X  ', DEFAULT, 4, NULL, 0),
       ('00000004', '2026-12-15', 'E1', 'A1', 1320, 360, 'P1', 1, 1, 4, 1320, 360, 480, 7, DEFAULT, 'D', 8, NULL, 0),
       ('00000005', '2026-12-15', 'E1', 'A1', 1320, 360, 'P1', 1, 9999, 5, 1320, 360, 480, 0, DEFAULT, DEFAULT, 16, NULL, 0),
       ('00000006', '2026-12-15', 'E1', 'A1', 1320, 360, 'P1', 1, 1, 6, 1320, 360, 480, 2, DEFAULT, 'U', 32, NULL, 0),
       ('00000001', '2026-12-14', 'E1', 'A1', 360, 840, 'P1', 1, 1, 1, 360, 840, 480, 0, DEFAULT, DEFAULT, 0, NULL, 0),
       ('00000001', '2026-12-16', 'E1', 'A1', 360, 840, 'P1', 1, 2, 1, 360, 840, 100, 0, DEFAULT, DEFAULT, 0, NULL, 0),
       ('00000001', '2026-12-17', 'E1', 'A1', 360, 840, 'P1', 1, 1, 1, 360, 840, 480, 0, DEFAULT, DEFAULT, 0, NULL, 0);
INSERT INTO Dvm720Bss VALUES ('P1', 'E1', 'A1', 'WT', 360, 840, 'F', 'Frueh', 3, 4, 2, 1.25, 0, 0, 0, 0, 1);
INSERT INTO Dvm133Ka2 VALUES ('K1', '2026-12-15', 'WT', 'WP', 1);
INSERT INTO Dvm755Pka VALUES ('P1', 'K1', '2026-12-15', 'FT', 2);
INSERT INTO Dvm329Ztg VALUES ('00000001', '2026-12-15', 'M1', 'KST1', 'G1');
INSERT INTO Dvm140Azv VALUES ('M1', '2020-01-01', NULL, 360, 900, 300, 1200, 480), ('M2', '2020-01-01', '2030-12-31', 400, 800, 350, 1000, 480),
                             ('M3', '2020-01-01', NULL, 1, 2, 3, 4, 0);
INSERT INTO Dvm162Ers VALUES ('G1', 'M1', 'M2'), ('G1', 'M1', 'M3');
INSERT INTO Dvm710Pbv VALUES ('00000001', '2026-01-01', NULL, 2, 'E1', 'A1', 1, 'S1');
INSERT INTO Dvm712Pgz VALUES ('P1', 'E1', 'A1', 10, 11);
INSERT INTO Dvm716Qzp VALUES ('00000001', 'Q1', '2026-01-01', NULL), ('00000001', 'Q2', '2026-01-01', '2026-06-30');
INSERT INTO Dvm717Qea VALUES ('A1', 'Q1'), ('A1', 'Q2');
INSERT INTO Dvm708Pss VALUES ('S1', '2026-01-01', NULL, 12.5), ('S2', '2026-01-01', NULL, NULL);
INSERT INTO Dvm746Err (ErrPlg, ErrKng, ErrBdt) VALUES ('P1', 'OPT', '2026-12-15'), ('P1', 'OPT', NULL), ('P1', 'OPT', CURRENT_DATE - 1),
    ('P1', 'OPT', '2099-01-01'), ('P1', 'BSM', '2026-12-15');
