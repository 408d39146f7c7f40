-- Tables of the plan schema (newer layout), for the server database.
--
-- The names are unqualified: the tables land in the first schema of the
-- search path. Load the file after creating and selecting the plan schema:
--     CREATE SCHEMA plan; SET search_path TO plan;
-- Unquoted names fold to lower case, so the program's mixed-case names
-- (Dvm730Bdp, BdpBdt) reach these tables as they are written.
--
-- Storage conventions:
--   * Dates are date, time stamps (BsmDat, BdpDat, BdkDat, ErrDat, PlgDat,
--     PlgPdt, PlgBeg) timestamp(0): whole seconds, the precision of the
--     program's 'yyyymmddHH24MISS' texts.
--   * Texts are varchar(N-1), where N is the buffer width the program
--     carries (noted beside the column): a value the program can read back
--     in full is the longest the column takes. varchar keeps trailing
--     blanks, so the three-blank function codes and the blank status compare
--     as written.
--   * Integers are integer, amounts double precision (sum() over them is
--     double precision too).
--   * The program binds an empty text as NULL. Text columns it may write
--     empty therefore stay nullable; NOT NULL is set on keys and on the
--     columns the program reads without a NULL indicator.
--
-- Indexes live in indexes.sql; the older layout of Dvm725Bsm and Dvm701Plg
-- in older_layout.sql; the central calendar Dvm133Bak in dvmaster.sql.

------------------------------------------------------------------------------
-- Plan groups: one row per plan group with its calendar, run marks and the
-- rule switches of the three optimisation levels.
------------------------------------------------------------------------------
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
    PlgOpt  integer DEFAULT 0,
    PlgOpl  integer DEFAULT 0,                             -- optimisation level 1..3
    PRIMARY KEY (PlgPlg)
);

------------------------------------------------------------------------------
-- Staffing targets per plan group, unit, workplace, day type and slot.
------------------------------------------------------------------------------
CREATE TABLE Dvm720Bss (
    BssPlg  varchar(5)  NOT NULL,                          -- plan group, 6
    BssEso  varchar(5)  NOT NULL,                          -- unit, 6
    BssEsa  varchar(5)  NOT NULL,                          -- workplace, 6
    BssTtp  varchar(3)  NOT NULL,                          -- day type, 4
    BssVon  integer     NOT NULL,                          -- slot start, minutes
    BssBis  integer,                                       -- slot end, minutes
    BssBsz  varchar(3),                                    -- staffing-slot code, 4
    BssTxt  varchar(50),                                   -- description, 51
    BssSol  integer DEFAULT 0,                             -- target staff
    BssMax  integer DEFAULT 0,                             -- maximum staff
    BssMin  integer DEFAULT 0,                             -- minimum staff
    BssMwt  double precision,
    BssVtg  integer,
    BssAtg  integer,
    BssKgw  integer,
    BssKmw  integer,
    BssAsw  integer     NOT NULL,                          -- slot kind
    PRIMARY KEY (BssPlg, BssEso, BssEsa, BssTtp, BssVon, BssAsw)
);

------------------------------------------------------------------------------
-- Staffing matrix: one row per date, unit, workplace and slot of a plan
-- group. BsmFkt is the deviation (< 0 understaffed, > 0 overstaffed).
------------------------------------------------------------------------------
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
    BsmOva  integer DEFAULT 0,
    BsmOve  integer DEFAULT 0,
    PRIMARY KEY (BsmPlg, BsmEso, BsmEsa, BsmBdt, BsmSzv, BsmAsw)
);

------------------------------------------------------------------------------
-- Deployment records: one row per person, date and slot. Read only by the
-- optimisation.
------------------------------------------------------------------------------
CREATE TABLE Dvm730Bdp (
    BdpPnr  varchar(8)  NOT NULL,                          -- person number, 9
    BdpBdt  date        NOT NULL,                          -- date
    BdpEso  varchar(5)  NOT NULL,                          -- unit, 6
    BdpEsa  varchar(5)  NOT NULL,                          -- workplace, 6
    BdpSzv  integer     NOT NULL,                          -- slot start, minutes
    BdpSzb  integer,                                       -- slot end, minutes
    BdpBsz  varchar(3),                                    -- staffing-slot code, 4
    BdpJhr  integer,
    BdpMon  integer,
    BdpWoc  integer,
    BdpJwc  integer,
    BdpTtp  varchar(3),                                    -- day type, 4
    BdpTag  integer,
    BdpZtv  integer,                                       -- working time from
    BdpZtb  integer,                                       -- working time to
    BdpKst  varchar(10),                                   -- cost centre, 11
    BdpFc1  varchar(3)  DEFAULT '   ',                     -- function codes, 4;
    BdpFc2  varchar(3)  DEFAULT '   ',                     -- three blanks = none
    BdpFc3  varchar(3)  DEFAULT '   ',
    BdpOso  varchar(5),                                    -- second slot: unit, 6
    BdpOsa  varchar(5),                                    -- second slot: workplace, 6
    BdpOsv  integer,                                       -- second slot: start
    BdpOsb  integer,                                       -- second slot: end
    BdpOsz  varchar(3),                                    -- second slot: code, 4
    BdpOsw  integer,                                       -- second slot: kind
    BdpPlg  varchar(5)  NOT NULL,                          -- plan group, 6
    BdpAsw  integer     NOT NULL,                          -- slot kind
    BdpAwp  integer,
    BdpSts  varchar(1)  DEFAULT ' ',                       -- status letter, 2
    BdpFnr  integer DEFAULT 0,
    BdpSta  integer DEFAULT 0,                             -- status number
    BdpDat  timestamp(0),                                  -- time of last change
    BdpTxt  varchar(60),                                   -- text, 61
    BdpErf  varchar(50),                                   -- user or origin, 51
    BdpAzt  integer,                                       -- working time, minutes
    BdpId1  integer DEFAULT 0,                             -- indicator counters
    BdpId2  integer DEFAULT 0,
    BdpId3  integer DEFAULT 0,
    BdpId4  integer DEFAULT 0,
    BdpId5  integer DEFAULT 0,
    BdpId6  integer DEFAULT 0,
    BdpId7  integer DEFAULT 0,
    BdpId8  integer DEFAULT 0,
    BdpRnd  integer DEFAULT 0,                             -- order within the slot
    BdpAkt  integer     NOT NULL,                          -- activity number, 9999 = inactive
    BdpBnr  integer,                                       -- running number of the person
    BdpPau  integer,                                       -- break time
    BdpBzt  integer,
    BdpKos  double precision,                              -- cost
    PRIMARY KEY (BdpPlg, BdpEso, BdpEsa, BdpPnr, BdpBdt, BdpSzv, BdpAsw, BdpAkt)
);

------------------------------------------------------------------------------
-- Reassignment proposals. BdkEso/BdkEsa/BdkSzv/BdkAsw name the slot the
-- person comes from, BdkOso/BdkOsa/BdkOsv/BdkOsw the slot the person is to
-- go to. BdkKey is drawn at random and not checked for uniqueness, so the
-- table has no unique key: a collision must not make an insert fail.
------------------------------------------------------------------------------
CREATE TABLE Dvm735Bdk (
    BdkKey  varchar(32) NOT NULL,                          -- proposal key, 33
    BdkLfd  integer     NOT NULL,                          -- running number within the key
    BdkPnr  varchar(8)  NOT NULL,                          -- person number, 9
    BdkBdt  date        NOT NULL,                          -- date
    BdkEso  varchar(5)  NOT NULL,                          -- from: unit, 6
    BdkEsa  varchar(5)  NOT NULL,                          -- from: workplace, 6
    BdkSzv  integer     NOT NULL,                          -- from: slot start
    BdkSzb  integer,                                       -- from: slot end
    BdkBsz  varchar(3),                                    -- from: slot code, 4
    BdkJhr  integer,
    BdkMon  integer,
    BdkWoc  integer,
    BdkJwc  integer,
    BdkTtp  varchar(3),                                    -- day type, 4
    BdkTag  integer,
    BdkZtv  integer,                                       -- working time from
    BdkZtb  integer,                                       -- working time to
    BdkKst  varchar(10),                                   -- cost centre, 11
    BdkFc1  varchar(3)  DEFAULT '   ',                     -- function codes, 4
    BdkFc2  varchar(3)  DEFAULT '   ',
    BdkFc3  varchar(3)  DEFAULT '   ',
    BdkOso  varchar(5),                                    -- to: unit, 6
    BdkOsa  varchar(5),                                    -- to: workplace, 6
    BdkOsv  integer,                                       -- to: slot start
    BdkOsb  integer,                                       -- to: slot end
    BdkOsz  varchar(3),                                    -- to: slot code, 4
    BdkPlg  varchar(5),                                    -- plan group, 6
    BdkAsw  integer     NOT NULL,                          -- from: slot kind
    BdkSts  varchar(1),                                    -- status letter, 2
    BdkFnr  integer DEFAULT 0,                             -- reason code
    BdkSta  integer     NOT NULL,                          -- proposal state, 9 = open
    BdkDat  timestamp(0),                                  -- time of creation
    BdkTxt  varchar(60),                                   -- text, 61
    BdkErf  varchar(50),                                   -- origin, 51
    BdkAzt  integer,                                       -- working time
    BdkId1  integer DEFAULT 0,                             -- indicator counters
    BdkId2  integer DEFAULT 0,
    BdkId3  integer DEFAULT 0,
    BdkId4  integer DEFAULT 0,
    BdkId5  integer DEFAULT 0,
    BdkId6  integer DEFAULT 0,
    BdkId7  integer DEFAULT 0,
    BdkId8  integer DEFAULT 0,
    BdkAkt  integer,                                       -- activity number
    BdkRnd  integer,                                       -- order within the slot
    BdkOsw  integer,                                       -- to: slot kind
    BdkZvo  varchar(8),                                    -- date text 'yyyymmdd', 9
    BdkZbi  varchar(8)                                     -- date text 'yyyymmdd', 9
);

------------------------------------------------------------------------------
-- Error rows of a run, numbered per plan-group run (ErrLfn). Cleared per
-- plan group, kind and period at the start of a run.
------------------------------------------------------------------------------
CREATE TABLE Dvm746Err (
    ErrPlg  varchar(5)  NOT NULL,                          -- plan group, 6
    ErrKng  varchar(5)  NOT NULL,                          -- kind of error list, 6
    ErrDat  timestamp(0),                                  -- time of insert
    ErrLfn  integer,                                       -- running number
    ErrPnr  varchar(8),                                    -- person number, 9
    ErrEso  varchar(5),                                    -- unit, 6
    ErrEsa  varchar(5),                                    -- workplace, 6
    ErrKnz  varchar(5),                                    -- 6
    ErrBdt  date,                                          -- date, may be NULL
    ErrZtv  integer,                                       -- time from
    ErrZtb  integer,                                       -- time to
    ErrFnr  integer,                                       -- error number
    ErrErf  varchar(50),                                   -- origin, 51
    ErrJbd  varchar(14),                                   -- 15
    ErrJbk  varchar(32)                                    -- 33
);

------------------------------------------------------------------------------
-- Reference tables (read only by the optimisation), always reached by key.
------------------------------------------------------------------------------

-- Calendars of the plan groups: day types per calendar number and date.
CREATE TABLE Dvm133Ka2 (
    Ka2Num  varchar(3)  NOT NULL,                          -- calendar number, 4
    Ka2Dtm  date        NOT NULL,                          -- date
    Ka2Ttp  varchar(3),                                    -- day type, 4
    Ka2Ptp  varchar(3),                                    -- day type, 4
    Ka2Gwt  integer,
    PRIMARY KEY (Ka2Num, Ka2Dtm)
);

-- A plan group's own calendar entries.
CREATE TABLE Dvm755Pka (
    PkaPlg  varchar(5)  NOT NULL,                          -- plan group, 6
    PkaNum  varchar(3)  NOT NULL,                          -- calendar number, 4
    PkaDtm  date        NOT NULL,                          -- date
    PkaTtp  varchar(3),                                    -- day type, 4
    PkaGwt  integer,
    PRIMARY KEY (PkaPlg, PkaNum, PkaDtm)
);

-- Working-time entries: the working-time model of a person on a date.
-- ZtgAgr is only joined, never read into a buffer; ten characters.
CREATE TABLE Dvm329Ztg (
    ZtgPnr  varchar(8)  NOT NULL,                          -- person number, 9
    ZtgVon  date        NOT NULL,                          -- date
    ZtgAzt  varchar(5),                                    -- working-time model, 6
    ZtgKst  varchar(10),                                   -- cost centre, 11
    ZtgAgr  varchar(10),                                   -- substitute group
    PRIMARY KEY (ZtgPnr, ZtgVon)
);

-- Working-time models with their validity and core / flexitime frames.
CREATE TABLE Dvm140Azv (
    AzvNum  varchar(5)  NOT NULL,                          -- model, 6
    AzvGvo  date        NOT NULL,                          -- valid from
    AzvGbi  date,                                          -- valid to, NULL = open
    AzvKev  integer,                                       -- core time from, minutes
    AzvKeb  integer,                                       -- core time to
    AzvGlv  integer,                                       -- flexitime from
    AzvGlb  integer,                                       -- flexitime to
    AzvSol  integer,                                       -- target time; 0 = no substitute
    PRIMARY KEY (AzvNum, AzvGvo)
);

-- Substitute working-time models per substitute group and model.
CREATE TABLE Dvm162Ers (
    ErsAgr  varchar(10) NOT NULL,                          -- substitute group (as ZtgAgr)
    ErsAzt  varchar(5)  NOT NULL,                          -- model, 6
    ErsAze  varchar(5)  NOT NULL,                          -- substitute model, 6
    PRIMARY KEY (ErsAgr, ErsAzt, ErsAze)
);

-- Assignments of persons to unit and workplace, with validity.
CREATE TABLE Dvm710Pbv (
    PbvPnr  varchar(8)  NOT NULL,                          -- person number, 9
    PbvGvo  date        NOT NULL,                          -- valid from
    PbvGbi  date,                                          -- valid to, NULL = open
    PbvZrm  integer,                                       -- frame: 1 core, 2 flexitime
    PbvEso  varchar(5),                                    -- unit, 6
    PbvEsa  varchar(5),                                    -- workplace, 6
    PbvAwp  integer     NOT NULL,                          -- assignment kind
    PbvSst  varchar(10),                                   -- cost-rate key, 11
    PRIMARY KEY (PbvPnr, PbvGvo)
);

-- Plan-group settings per unit and workplace.
CREATE TABLE Dvm712Pgz (
    PgzPlg  varchar(5)  NOT NULL,                          -- plan group, 6
    PgzEso  varchar(5)  NOT NULL,                          -- unit, 6
    PgzEsa  varchar(5)  NOT NULL,                          -- workplace, 6
    PgzAzk  integer,                                       -- maximum working time, hours
    PgzRzk  integer,                                       -- minimum rest time, hours
    PRIMARY KEY (PgzPlg, PgzEso, PgzEsa)
);

-- Qualifications held by persons, with validity.
CREATE TABLE Dvm716Qzp (
    QzpPnr  varchar(8)  NOT NULL,                          -- person number, 9
    QzpQfk  varchar(5)  NOT NULL,                          -- qualification, 6
    QzpVon  date        NOT NULL,                          -- valid from
    QzpBis  date,                                          -- valid to, NULL = open
    PRIMARY KEY (QzpPnr, QzpQfk, QzpVon)
);

-- Qualifications listed by a workplace.
CREATE TABLE Dvm717Qea (
    QeaEsa  varchar(5)  NOT NULL,                          -- workplace, 6
    QeaQfk  varchar(5)  NOT NULL,                          -- qualification, 6
    PRIMARY KEY (QeaEsa, QeaQfk)
);

-- Cost rates per cost-rate key, with validity.
CREATE TABLE Dvm708Pss (
    PssKss  varchar(10) NOT NULL,                          -- cost-rate key, 11
    PssGvo  date        NOT NULL,                          -- valid from
    PssGbi  date,                                          -- valid to, NULL = open
    PssWrt  double precision,                              -- cost rate
    PRIMARY KEY (PssKss, PssGvo)
);
