-- Central calendar, one row per calendar day. It lives in its own database
-- file, attached to every connection under the name DVMASTER; the program
-- always names it DVMASTER.Dvm133Bak.
--
-- Run this file on a connection that has the calendar database attached as
-- DVMASTER (e.g. ATTACH DATABASE 'dvmaster.db' AS DVMASTER), so that the
-- table is never created in the plan schema by mistake.
--
-- BakDtm is the date as a REAL Julian day number at midnight (x.5). Every
-- column is read without a NULL indicator, hence NOT NULL throughout.
-- Lookups are by BakDtm only (single day, and max(BakDtm)); the primary key
-- serves both.
CREATE TABLE DVMASTER.Dvm133Bak (
    BakDtm  REAL    NOT NULL CHECK (BakDtm = round(BakDtm - 0.5) + 0.5), -- date
    BakJhr  INTEGER NOT NULL,                              -- year
    BakMon  INTEGER NOT NULL,                              -- month
    BakTag  INTEGER NOT NULL,                              -- day of month
    BakWch  INTEGER NOT NULL,                              -- week
    BakWtg  INTEGER NOT NULL,                              -- weekday
    BakJtg  INTEGER NOT NULL,                              -- day of year
    PRIMARY KEY (BakDtm)
) WITHOUT ROWID;
