-- Central calendar, one row per calendar day, in its own schema dvmaster.
-- The program names it DVMASTER.Dvm133Bak or DvMaster.Dvm133Bak; both fold
-- to dvmaster.dvm133bak. The file qualifies every name, so it may be run
-- with any search path, before or after the plan schema.
--
-- Every column is read without a NULL indicator, hence NOT NULL throughout.
-- Lookups are by BakDtm only (single day, and max(BakDtm)); the primary key
-- serves both.
CREATE SCHEMA IF NOT EXISTS dvmaster;

CREATE TABLE dvmaster.Dvm133Bak (
    BakDtm  date    NOT NULL,                              -- date
    BakJhr  integer NOT NULL,                              -- year
    BakMon  integer NOT NULL,                              -- month
    BakTag  integer NOT NULL,                              -- day of month
    BakWch  integer NOT NULL,                              -- week
    BakWtg  integer NOT NULL,                              -- weekday
    BakJtg  integer NOT NULL,                              -- day of year
    PRIMARY KEY (BakDtm)
);
