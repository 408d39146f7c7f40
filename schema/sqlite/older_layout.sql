-- Older layout of the staffing matrix and the plan-group table: the same
-- tables without BsmOva/BsmOve and without PlgOpt/PlgOpl. The program detects
-- this layout by the missing columns and then uses its older statements.
--
-- Load this file after schema.sql (and indexes.sql, in either order): it
-- drops the newer Dvm725Bsm and Dvm701Plg and creates them in the older
-- layout, with the same Dvm725Bsm indexes as indexes.sql. Every other table
-- stays as schema.sql made it.

DROP TABLE IF EXISTS Dvm725Bsm;
DROP TABLE IF EXISTS Dvm701Plg;

CREATE TABLE Dvm701Plg (
    PlgPlg  TEXT    NOT NULL CHECK (length(PlgPlg) <= 5),  -- plan group, 6
    PlgTxt  TEXT,                                          -- description, 51
    PlgKal  TEXT    CHECK (length(PlgKal) <= 3),           -- calendar number, 4
    PlgHzt  INTEGER,
    PlgSta  INTEGER,                                       -- status
    PlgDat  REAL,                                          -- time of last change
    PlgErf  TEXT,                                          -- user of last change, 51
    PlgPdt  REAL,                                          -- time stamp
    PlgPlr  TEXT,                                          -- 51
    PlgPgm  TEXT,                                          -- program in work, 11
    PlgUsr  TEXT,                                          -- user in work, 51
    PlgBeg  REAL,                                          -- begin of work, time stamp
    PlgFts  INTEGER,
    -- rule switches, level 1
    PlgQu1  INTEGER DEFAULT 0,                             -- qualification
    PlgAr1  INTEGER DEFAULT 0,                             -- working time
    PlgRu1  INTEGER DEFAULT 0,                             -- rest time
    PlgMe1  INTEGER DEFAULT 0,                             -- overlap
    PlgAm1  INTEGER DEFAULT 0,
    PlgRe1  INTEGER DEFAULT 0,
    -- rule switches, level 2
    PlgQu2  INTEGER DEFAULT 0,
    PlgAr2  INTEGER DEFAULT 0,
    PlgRu2  INTEGER DEFAULT 0,
    PlgMe2  INTEGER DEFAULT 0,
    PlgAm2  INTEGER DEFAULT 0,
    PlgRe2  INTEGER DEFAULT 0,
    -- rule switches, level 3
    PlgQu3  INTEGER DEFAULT 0,
    PlgAr3  INTEGER DEFAULT 0,
    PlgRu3  INTEGER DEFAULT 0,
    PlgMe3  INTEGER DEFAULT 0,
    PlgAm3  INTEGER DEFAULT 0,
    PlgRe3  INTEGER DEFAULT 0,
    PRIMARY KEY (PlgPlg)
);

CREATE TABLE Dvm725Bsm (
    BsmBdt  REAL    NOT NULL CHECK (BsmBdt = round(BsmBdt - 0.5) + 0.5), -- plan date
    BsmEso  TEXT    NOT NULL CHECK (length(BsmEso) <= 5),  -- unit, 6
    BsmEsa  TEXT    NOT NULL CHECK (length(BsmEsa) <= 5),  -- workplace, 6
    BsmSzv  INTEGER NOT NULL,                              -- slot start, minutes
    BsmSzb  INTEGER,                                       -- slot end, minutes
    BsmBsz  TEXT    CHECK (length(BsmBsz) <= 3),           -- staffing-slot code, 4
    BsmJhr  INTEGER,
    BsmMon  INTEGER,
    BsmWoc  INTEGER,
    BsmJwc  INTEGER,
    BsmTag  INTEGER,
    BsmTtp  TEXT    CHECK (length(BsmTtp) <= 3),           -- day type, 4
    BsmSol  INTEGER DEFAULT 0,                             -- target staff
    BsmMin  INTEGER DEFAULT 0,                             -- minimum staff
    BsmMax  INTEGER DEFAULT 0,                             -- maximum staff
    BsmIst  INTEGER DEFAULT 0,                             -- actual staff
    BsmPlg  TEXT    NOT NULL CHECK (length(BsmPlg) <= 5),  -- plan group, 6
    BsmHtg  INTEGER DEFAULT 0,                             -- records with function code 1
    BsmHtv  INTEGER DEFAULT 0,                             -- records with function code 2
    BsmHtn  INTEGER DEFAULT 0,                             -- records with function code 3
    BsmKng  INTEGER DEFAULT 0,
    BsmFkt  INTEGER DEFAULT 0,                             -- deviation
    BsmAsw  INTEGER NOT NULL,                              -- slot kind
    BsmSta  INTEGER DEFAULT 0,                             -- status
    BsmDat  REAL,                                          -- time of last change
    BsmErf  TEXT,                                          -- user or origin, 51
    BsmId1  INTEGER DEFAULT 0,                             -- indicator counters
    BsmId2  INTEGER DEFAULT 0,
    BsmId3  INTEGER DEFAULT 0,
    BsmId4  INTEGER DEFAULT 0,
    BsmId5  INTEGER DEFAULT 0,
    BsmId6  INTEGER DEFAULT 0,
    BsmId7  INTEGER DEFAULT 0,
    BsmId8  INTEGER DEFAULT 0,
    BsmKor  INTEGER DEFAULT 0,
    BsmKos  REAL,                                          -- cost amount
    BsmKo2  REAL,                                          -- second cost amount
    PRIMARY KEY (BsmPlg, BsmEso, BsmEsa, BsmBdt, BsmSzv, BsmAsw)
);

-- Bsm_PlgVonBis: plan group equal, date range, ordered by date, unit,
-- workplace, slot start.
CREATE INDEX IF NOT EXISTS Dvm725Bsm_PlgBdt
    ON Dvm725Bsm (BsmPlg, BsmBdt, BsmEso, BsmEsa, BsmSzv);

-- Bsm_EsoVonBis: plan group and unit equal, date range, ordered by date,
-- workplace, slot start.
CREATE INDEX IF NOT EXISTS Dvm725Bsm_EsoBdt
    ON Dvm725Bsm (BsmPlg, BsmEso, BsmBdt, BsmEsa, BsmSzv);

-- Bsm_PlgUntC (BsmFkt < 0, order by BsmFkt asc) and
-- Bsm_PlgUebC (BsmFkt > 0, order by BsmFkt desc): plan group and date equal,
-- deviation range in index order; BsmAsw of the overstaffed search is tested
-- on the index entry before the row is fetched.
CREATE INDEX IF NOT EXISTS Dvm725Bsm_PlgFkt
    ON Dvm725Bsm (BsmPlg, BsmBdt, BsmFkt, BsmAsw);

-- Bsm_EsoUntC and Bsm_EsoUebC: the same within one unit.
CREATE INDEX IF NOT EXISTS Dvm725Bsm_EsoFkt
    ON Dvm725Bsm (BsmPlg, BsmEso, BsmBdt, BsmFkt, BsmAsw);

-- Bsm_EsaUntC and Bsm_EsaUebC: the same within one workplace.
CREATE INDEX IF NOT EXISTS Dvm725Bsm_EsaFkt
    ON Dvm725Bsm (BsmPlg, BsmEso, BsmEsa, BsmBdt, BsmFkt, BsmAsw);
