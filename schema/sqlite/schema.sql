-- Tables of the plan schema (newer layout).
--
-- Storage conventions:
--   * Dates and time stamps are REAL Julian day numbers. A date is the Julian
--     day at midnight (always x.5, e.g. julianday('2026-12-08') = 2461382.5);
--     a time stamp carries the fraction of the day. The date key columns
--     check that they hold a midnight value, which also rejects a date that
--     was stored as text by mistake.
--   * Texts are TEXT. The width noted beside a column is the buffer size the
--     program carries (N bytes = at most N-1 characters); key and code
--     columns check the length.
--   * Integers are INTEGER, amounts REAL.
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
    PlgOpt  INTEGER DEFAULT 0,
    PlgOpl  INTEGER DEFAULT 0,                             -- optimisation level 1..3
    PRIMARY KEY (PlgPlg)
);

------------------------------------------------------------------------------
-- Staffing targets per plan group, unit, workplace, day type and slot.
------------------------------------------------------------------------------
CREATE TABLE Dvm720Bss (
    BssPlg  TEXT    NOT NULL CHECK (length(BssPlg) <= 5),  -- plan group, 6
    BssEso  TEXT    NOT NULL CHECK (length(BssEso) <= 5),  -- unit, 6
    BssEsa  TEXT    NOT NULL CHECK (length(BssEsa) <= 5),  -- workplace, 6
    BssTtp  TEXT    NOT NULL CHECK (length(BssTtp) <= 3),  -- day type, 4
    BssVon  INTEGER NOT NULL,                              -- slot start, minutes
    BssBis  INTEGER,                                       -- slot end, minutes
    BssBsz  TEXT    CHECK (length(BssBsz) <= 3),           -- staffing-slot code, 4
    BssTxt  TEXT,                                          -- description, 51
    BssSol  INTEGER DEFAULT 0,                             -- target staff
    BssMax  INTEGER DEFAULT 0,                             -- maximum staff
    BssMin  INTEGER DEFAULT 0,                             -- minimum staff
    BssMwt  REAL,
    BssVtg  INTEGER,
    BssAtg  INTEGER,
    BssKgw  INTEGER,
    BssKmw  INTEGER,
    BssAsw  INTEGER NOT NULL,                              -- slot kind
    PRIMARY KEY (BssPlg, BssEso, BssEsa, BssTtp, BssVon, BssAsw)
);

------------------------------------------------------------------------------
-- Staffing matrix: one row per date, unit, workplace and slot of a plan
-- group. BsmFkt is the deviation (< 0 understaffed, > 0 overstaffed).
------------------------------------------------------------------------------
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
    BsmOva  INTEGER DEFAULT 0,
    BsmOve  INTEGER DEFAULT 0,
    PRIMARY KEY (BsmPlg, BsmEso, BsmEsa, BsmBdt, BsmSzv, BsmAsw)
);

------------------------------------------------------------------------------
-- Deployment records: one row per person, date and slot. Read only by the
-- optimisation.
------------------------------------------------------------------------------
CREATE TABLE Dvm730Bdp (
    BdpPnr  TEXT    NOT NULL CHECK (length(BdpPnr) <= 8),  -- person number, 9
    BdpBdt  REAL    NOT NULL CHECK (BdpBdt = round(BdpBdt - 0.5) + 0.5), -- date
    BdpEso  TEXT    NOT NULL CHECK (length(BdpEso) <= 5),  -- unit, 6
    BdpEsa  TEXT    NOT NULL CHECK (length(BdpEsa) <= 5),  -- workplace, 6
    BdpSzv  INTEGER NOT NULL,                              -- slot start, minutes
    BdpSzb  INTEGER,                                       -- slot end, minutes
    BdpBsz  TEXT    CHECK (length(BdpBsz) <= 3),           -- staffing-slot code, 4
    BdpJhr  INTEGER,
    BdpMon  INTEGER,
    BdpWoc  INTEGER,
    BdpJwc  INTEGER,
    BdpTtp  TEXT    CHECK (length(BdpTtp) <= 3),           -- day type, 4
    BdpTag  INTEGER,
    BdpZtv  INTEGER,                                       -- working time from
    BdpZtb  INTEGER,                                       -- working time to
    BdpKst  TEXT,                                          -- cost centre, 11
    BdpFc1  TEXT    DEFAULT '   ' CHECK (length(BdpFc1) <= 3), -- function codes, 4;
    BdpFc2  TEXT    DEFAULT '   ' CHECK (length(BdpFc2) <= 3), -- three blanks = none
    BdpFc3  TEXT    DEFAULT '   ' CHECK (length(BdpFc3) <= 3),
    BdpOso  TEXT    CHECK (length(BdpOso) <= 5),           -- second slot: unit, 6
    BdpOsa  TEXT    CHECK (length(BdpOsa) <= 5),           -- second slot: workplace, 6
    BdpOsv  INTEGER,                                       -- second slot: start
    BdpOsb  INTEGER,                                       -- second slot: end
    BdpOsz  TEXT    CHECK (length(BdpOsz) <= 3),           -- second slot: code, 4
    BdpOsw  INTEGER,                                       -- second slot: kind
    BdpPlg  TEXT    NOT NULL CHECK (length(BdpPlg) <= 5),  -- plan group, 6
    BdpAsw  INTEGER NOT NULL,                              -- slot kind
    BdpAwp  INTEGER,
    BdpSts  TEXT    DEFAULT ' ' CHECK (length(BdpSts) <= 1), -- status letter, 2
    BdpFnr  INTEGER DEFAULT 0,
    BdpSta  INTEGER DEFAULT 0,                             -- status number
    BdpDat  REAL,                                          -- time of last change
    BdpTxt  TEXT,                                          -- text, 61
    BdpErf  TEXT,                                          -- user or origin, 51
    BdpAzt  INTEGER,                                       -- working time, minutes
    BdpId1  INTEGER DEFAULT 0,                             -- indicator counters
    BdpId2  INTEGER DEFAULT 0,
    BdpId3  INTEGER DEFAULT 0,
    BdpId4  INTEGER DEFAULT 0,
    BdpId5  INTEGER DEFAULT 0,
    BdpId6  INTEGER DEFAULT 0,
    BdpId7  INTEGER DEFAULT 0,
    BdpId8  INTEGER DEFAULT 0,
    BdpRnd  INTEGER DEFAULT 0,                             -- order within the slot
    BdpAkt  INTEGER NOT NULL,                              -- activity number, 9999 = inactive
    BdpBnr  INTEGER,                                       -- running number of the person
    BdpPau  INTEGER,                                       -- break time
    BdpBzt  INTEGER,
    BdpKos  REAL,                                          -- cost
    PRIMARY KEY (BdpPlg, BdpEso, BdpEsa, BdpPnr, BdpBdt, BdpSzv, BdpAsw, BdpAkt)
);

------------------------------------------------------------------------------
-- Reassignment proposals. BdkEso/BdkEsa/BdkSzv/BdkAsw name the slot the
-- person comes from, BdkOso/BdkOsa/BdkOsv/BdkOsw the slot the person is to
-- go to. BdkKey is drawn at random and not checked for uniqueness, so the
-- table has no unique key: a collision must not make an insert fail.
------------------------------------------------------------------------------
CREATE TABLE Dvm735Bdk (
    BdkKey  TEXT    NOT NULL CHECK (length(BdkKey) <= 32), -- proposal key, 33
    BdkLfd  INTEGER NOT NULL,                              -- running number within the key
    BdkPnr  TEXT    NOT NULL CHECK (length(BdkPnr) <= 8),  -- person number, 9
    BdkBdt  REAL    NOT NULL CHECK (BdkBdt = round(BdkBdt - 0.5) + 0.5), -- date
    BdkEso  TEXT    NOT NULL CHECK (length(BdkEso) <= 5),  -- from: unit, 6
    BdkEsa  TEXT    NOT NULL CHECK (length(BdkEsa) <= 5),  -- from: workplace, 6
    BdkSzv  INTEGER NOT NULL,                              -- from: slot start
    BdkSzb  INTEGER,                                       -- from: slot end
    BdkBsz  TEXT    CHECK (length(BdkBsz) <= 3),           -- from: slot code, 4
    BdkJhr  INTEGER,
    BdkMon  INTEGER,
    BdkWoc  INTEGER,
    BdkJwc  INTEGER,
    BdkTtp  TEXT    CHECK (length(BdkTtp) <= 3),           -- day type, 4
    BdkTag  INTEGER,
    BdkZtv  INTEGER,                                       -- working time from
    BdkZtb  INTEGER,                                       -- working time to
    BdkKst  TEXT,                                          -- cost centre, 11
    BdkFc1  TEXT    DEFAULT '   ' CHECK (length(BdkFc1) <= 3), -- function codes, 4
    BdkFc2  TEXT    DEFAULT '   ' CHECK (length(BdkFc2) <= 3),
    BdkFc3  TEXT    DEFAULT '   ' CHECK (length(BdkFc3) <= 3),
    BdkOso  TEXT    CHECK (length(BdkOso) <= 5),           -- to: unit, 6
    BdkOsa  TEXT    CHECK (length(BdkOsa) <= 5),           -- to: workplace, 6
    BdkOsv  INTEGER,                                       -- to: slot start
    BdkOsb  INTEGER,                                       -- to: slot end
    BdkOsz  TEXT    CHECK (length(BdkOsz) <= 3),           -- to: slot code, 4
    BdkPlg  TEXT    CHECK (length(BdkPlg) <= 5),           -- plan group, 6
    BdkAsw  INTEGER NOT NULL,                              -- from: slot kind
    BdkSts  TEXT    CHECK (length(BdkSts) <= 1),           -- status letter, 2
    BdkFnr  INTEGER DEFAULT 0,                             -- reason code
    BdkSta  INTEGER NOT NULL,                              -- proposal state, 9 = open
    BdkDat  REAL,                                          -- time of creation
    BdkTxt  TEXT,                                          -- text, 61
    BdkErf  TEXT,                                          -- origin, 51
    BdkAzt  INTEGER,                                       -- working time
    BdkId1  INTEGER DEFAULT 0,                             -- indicator counters
    BdkId2  INTEGER DEFAULT 0,
    BdkId3  INTEGER DEFAULT 0,
    BdkId4  INTEGER DEFAULT 0,
    BdkId5  INTEGER DEFAULT 0,
    BdkId6  INTEGER DEFAULT 0,
    BdkId7  INTEGER DEFAULT 0,
    BdkId8  INTEGER DEFAULT 0,
    BdkAkt  INTEGER,                                       -- activity number
    BdkRnd  INTEGER,                                       -- order within the slot
    BdkOsw  INTEGER,                                       -- to: slot kind
    BdkZvo  TEXT,                                          -- date text 'yyyymmdd', 9
    BdkZbi  TEXT                                           -- date text 'yyyymmdd', 9
);

------------------------------------------------------------------------------
-- Error rows of a run, numbered per plan-group run (ErrLfn). Cleared per
-- plan group, kind and period at the start of a run.
------------------------------------------------------------------------------
CREATE TABLE Dvm746Err (
    ErrPlg  TEXT    NOT NULL CHECK (length(ErrPlg) <= 5),  -- plan group, 6
    ErrKng  TEXT    NOT NULL CHECK (length(ErrKng) <= 5),  -- kind of error list, 6
    ErrDat  REAL,                                          -- time of insert
    ErrLfn  INTEGER,                                       -- running number
    ErrPnr  TEXT    CHECK (length(ErrPnr) <= 8),           -- person number, 9
    ErrEso  TEXT    CHECK (length(ErrEso) <= 5),           -- unit, 6
    ErrEsa  TEXT    CHECK (length(ErrEsa) <= 5),           -- workplace, 6
    ErrKnz  TEXT    CHECK (length(ErrKnz) <= 5),           -- 6
    ErrBdt  REAL    CHECK (ErrBdt = round(ErrBdt - 0.5) + 0.5), -- date, may be NULL
    ErrZtv  INTEGER,                                       -- time from
    ErrZtb  INTEGER,                                       -- time to
    ErrFnr  INTEGER,                                       -- error number
    ErrErf  TEXT,                                          -- origin, 51
    ErrJbd  TEXT,                                          -- 15
    ErrJbk  TEXT                                           -- 33
);

------------------------------------------------------------------------------
-- Reference tables (read only by the optimisation). Their rows are small
-- and always reached by key, so they are stored clustered by that key.
------------------------------------------------------------------------------

-- Calendars of the plan groups: day types per calendar number and date.
CREATE TABLE Dvm133Ka2 (
    Ka2Num  TEXT    NOT NULL CHECK (length(Ka2Num) <= 3),  -- calendar number, 4
    Ka2Dtm  REAL    NOT NULL CHECK (Ka2Dtm = round(Ka2Dtm - 0.5) + 0.5), -- date
    Ka2Ttp  TEXT    CHECK (length(Ka2Ttp) <= 3),           -- day type, 4
    Ka2Ptp  TEXT    CHECK (length(Ka2Ptp) <= 3),           -- day type, 4
    Ka2Gwt  INTEGER,
    PRIMARY KEY (Ka2Num, Ka2Dtm)
) WITHOUT ROWID;

-- A plan group's own calendar entries.
CREATE TABLE Dvm755Pka (
    PkaPlg  TEXT    NOT NULL CHECK (length(PkaPlg) <= 5),  -- plan group, 6
    PkaNum  TEXT    NOT NULL CHECK (length(PkaNum) <= 3),  -- calendar number, 4
    PkaDtm  REAL    NOT NULL CHECK (PkaDtm = round(PkaDtm - 0.5) + 0.5), -- date
    PkaTtp  TEXT    CHECK (length(PkaTtp) <= 3),           -- day type, 4
    PkaGwt  INTEGER,
    PRIMARY KEY (PkaPlg, PkaNum, PkaDtm)
) WITHOUT ROWID;

-- Working-time entries: the working-time model of a person on a date.
CREATE TABLE Dvm329Ztg (
    ZtgPnr  TEXT    NOT NULL CHECK (length(ZtgPnr) <= 8),  -- person number, 9
    ZtgVon  REAL    NOT NULL CHECK (ZtgVon = round(ZtgVon - 0.5) + 0.5), -- date
    ZtgAzt  TEXT    CHECK (length(ZtgAzt) <= 5),           -- working-time model, 6
    ZtgKst  TEXT,                                          -- cost centre, 11
    ZtgAgr  TEXT,                                          -- substitute group
    PRIMARY KEY (ZtgPnr, ZtgVon)
) WITHOUT ROWID;

-- Working-time models with their validity and core / flexitime frames.
CREATE TABLE Dvm140Azv (
    AzvNum  TEXT    NOT NULL CHECK (length(AzvNum) <= 5),  -- model, 6
    AzvGvo  REAL    NOT NULL,                              -- valid from (date)
    AzvGbi  REAL,                                          -- valid to (date), NULL = open
    AzvKev  INTEGER,                                       -- core time from, minutes
    AzvKeb  INTEGER,                                       -- core time to
    AzvGlv  INTEGER,                                       -- flexitime from
    AzvGlb  INTEGER,                                       -- flexitime to
    AzvSol  INTEGER,                                       -- target time; 0 = no substitute
    PRIMARY KEY (AzvNum, AzvGvo)
) WITHOUT ROWID;

-- Substitute working-time models per substitute group and model.
CREATE TABLE Dvm162Ers (
    ErsAgr  TEXT    NOT NULL,                              -- substitute group
    ErsAzt  TEXT    NOT NULL CHECK (length(ErsAzt) <= 5),  -- model, 6
    ErsAze  TEXT    NOT NULL CHECK (length(ErsAze) <= 5),  -- substitute model, 6
    PRIMARY KEY (ErsAgr, ErsAzt, ErsAze)
) WITHOUT ROWID;

-- Assignments of persons to unit and workplace, with validity.
CREATE TABLE Dvm710Pbv (
    PbvPnr  TEXT    NOT NULL CHECK (length(PbvPnr) <= 8),  -- person number, 9
    PbvGvo  REAL    NOT NULL,                              -- valid from (date)
    PbvGbi  REAL,                                          -- valid to (date), NULL = open
    PbvZrm  INTEGER,                                       -- frame: 1 core, 2 flexitime
    PbvEso  TEXT    CHECK (length(PbvEso) <= 5),           -- unit, 6
    PbvEsa  TEXT    CHECK (length(PbvEsa) <= 5),           -- workplace, 6
    PbvAwp  INTEGER NOT NULL,                              -- assignment kind
    PbvSst  TEXT,                                          -- cost-rate key, 11
    PRIMARY KEY (PbvPnr, PbvGvo)
) WITHOUT ROWID;

-- Plan-group settings per unit and workplace.
CREATE TABLE Dvm712Pgz (
    PgzPlg  TEXT    NOT NULL CHECK (length(PgzPlg) <= 5),  -- plan group, 6
    PgzEso  TEXT    NOT NULL CHECK (length(PgzEso) <= 5),  -- unit, 6
    PgzEsa  TEXT    NOT NULL CHECK (length(PgzEsa) <= 5),  -- workplace, 6
    PgzAzk  INTEGER,                                       -- maximum working time, hours
    PgzRzk  INTEGER,                                       -- minimum rest time, hours
    PRIMARY KEY (PgzPlg, PgzEso, PgzEsa)
) WITHOUT ROWID;

-- Qualifications held by persons, with validity.
CREATE TABLE Dvm716Qzp (
    QzpPnr  TEXT    NOT NULL CHECK (length(QzpPnr) <= 8),  -- person number, 9
    QzpQfk  TEXT    NOT NULL CHECK (length(QzpQfk) <= 5),  -- qualification, 6
    QzpVon  REAL    NOT NULL,                              -- valid from (date)
    QzpBis  REAL,                                          -- valid to (date), NULL = open
    PRIMARY KEY (QzpPnr, QzpQfk, QzpVon)
) WITHOUT ROWID;

-- Qualifications listed by a workplace.
CREATE TABLE Dvm717Qea (
    QeaEsa  TEXT    NOT NULL CHECK (length(QeaEsa) <= 5),  -- workplace, 6
    QeaQfk  TEXT    NOT NULL CHECK (length(QeaQfk) <= 5),  -- qualification, 6
    PRIMARY KEY (QeaEsa, QeaQfk)
) WITHOUT ROWID;

-- Cost rates per cost-rate key, with validity.
CREATE TABLE Dvm708Pss (
    PssKss  TEXT    NOT NULL CHECK (length(PssKss) <= 10), -- cost-rate key, 11
    PssGvo  REAL    NOT NULL,                              -- valid from (date)
    PssGbi  REAL,                                          -- valid to (date), NULL = open
    PssWrt  REAL,                                          -- cost rate
    PRIMARY KEY (PssKss, PssGvo)
) WITHOUT ROWID;
