-- Older layout of the staffing matrix and the plan-group table: the same
-- tables without BsmOva/BsmOve and without PlgOpt/PlgOpl. The program detects
-- this layout by the missing columns (the server reports an undefined column)
-- and then uses its older statements.
--
-- Load this file with the plan schema first in the search path, after
-- schema.sql (and indexes.sql, in either order): it drops the newer
-- Dvm725Bsm and Dvm701Plg of that schema and creates them in the older
-- layout, with the same Dvm725Bsm indexes as indexes.sql. Every other table
-- stays as schema.sql made it.

DROP TABLE IF EXISTS Dvm725Bsm;
DROP TABLE IF EXISTS Dvm701Plg;

CREATE TABLE Dvm701Plg (
    PlgPlg  varchar(5)  NOT NULL,                          -- plan group, 6
    PlgTxt  varchar(50),                                   -- description, 51
    PlgKal  varchar(3),                                    -- calendar number, 4
    PlgHzt  integer,
    PlgSta  integer,                                       -- status
    PlgDat  timestamp(0),                                  -- time of last change
    PlgErf  varchar(50),                                   -- user of last change, 51
    PlgPdt  timestamp(0),                                  -- time stamp
    PlgPlr  varchar(50),                                   -- 51
    PlgPgm  varchar(10),                                   -- program in work, 11
    PlgUsr  varchar(50),                                   -- user in work, 51
    PlgBeg  timestamp(0),                                  -- begin of work
    PlgFts  integer,
    -- rule switches, level 1
    PlgQu1  integer DEFAULT 0,                             -- qualification
    PlgAr1  integer DEFAULT 0,                             -- working time
    PlgRu1  integer DEFAULT 0,                             -- rest time
    PlgMe1  integer DEFAULT 0,                             -- overlap
    PlgAm1  integer DEFAULT 0,
    PlgRe1  integer DEFAULT 0,
    -- rule switches, level 2
    PlgQu2  integer DEFAULT 0,
    PlgAr2  integer DEFAULT 0,
    PlgRu2  integer DEFAULT 0,
    PlgMe2  integer DEFAULT 0,
    PlgAm2  integer DEFAULT 0,
    PlgRe2  integer DEFAULT 0,
    -- rule switches, level 3
    PlgQu3  integer DEFAULT 0,
    PlgAr3  integer DEFAULT 0,
    PlgRu3  integer DEFAULT 0,
    PlgMe3  integer DEFAULT 0,
    PlgAm3  integer DEFAULT 0,
    PlgRe3  integer DEFAULT 0,
    PRIMARY KEY (PlgPlg)
);

CREATE TABLE Dvm725Bsm (
    BsmBdt  date        NOT NULL,                          -- plan date
    BsmEso  varchar(5)  NOT NULL,                          -- unit, 6
    BsmEsa  varchar(5)  NOT NULL,                          -- workplace, 6
    BsmSzv  integer     NOT NULL,                          -- slot start, minutes
    BsmSzb  integer,                                       -- slot end, minutes
    BsmBsz  varchar(3),                                    -- staffing-slot code, 4
    BsmJhr  integer,
    BsmMon  integer,
    BsmWoc  integer,
    BsmJwc  integer,
    BsmTag  integer,
    BsmTtp  varchar(3),                                    -- day type, 4
    BsmSol  integer DEFAULT 0,                             -- target staff
    BsmMin  integer DEFAULT 0,                             -- minimum staff
    BsmMax  integer DEFAULT 0,                             -- maximum staff
    BsmIst  integer DEFAULT 0,                             -- actual staff
    BsmPlg  varchar(5)  NOT NULL,                          -- plan group, 6
    BsmHtg  integer DEFAULT 0,                             -- records with function code 1
    BsmHtv  integer DEFAULT 0,                             -- records with function code 2
    BsmHtn  integer DEFAULT 0,                             -- records with function code 3
    BsmKng  integer DEFAULT 0,
    BsmFkt  integer DEFAULT 0,                             -- deviation
    BsmAsw  integer     NOT NULL,                          -- slot kind
    BsmSta  integer DEFAULT 0,                             -- status
    BsmDat  timestamp(0),                                  -- time of last change
    BsmErf  varchar(50),                                   -- user or origin, 51
    BsmId1  integer DEFAULT 0,                             -- indicator counters
    BsmId2  integer DEFAULT 0,
    BsmId3  integer DEFAULT 0,
    BsmId4  integer DEFAULT 0,
    BsmId5  integer DEFAULT 0,
    BsmId6  integer DEFAULT 0,
    BsmId7  integer DEFAULT 0,
    BsmId8  integer DEFAULT 0,
    BsmKor  integer DEFAULT 0,
    BsmKos  double precision,                              -- cost amount
    BsmKo2  double precision,                              -- second cost amount
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
