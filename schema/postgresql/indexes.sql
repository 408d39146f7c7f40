-- Secondary indexes of the plan schema on the server database, one per
-- access path of the program's statements. The primary keys in schema.sql
-- serve the remaining paths; they are listed here in comments so that every
-- statement has its index named. Load the file with the plan schema first
-- in the search path, as schema.sql.
--
-- All indexes use IF NOT EXISTS: the file may be loaded again after
-- older_layout.sql has replaced Dvm725Bsm and Dvm701Plg (that file carries
-- the same Dvm725Bsm indexes itself).
--
-- The date comparisons of the statements (BsmBdt=TO_DATE(...), BdpBdt
-- between the day before and the day after) compare a date column with a
-- date value, and the text parameters compare with varchar columns through
-- the text operators that the varchar indexes use, so every column of these
-- indexes can bound a scan.

------------------------------------------------------------------------------
-- Dvm725Bsm (staffing matrix)
------------------------------------------------------------------------------

-- Primary key (BsmPlg, BsmEso, BsmEsa, BsmBdt, BsmSzv, BsmAsw):
--   Bsm_PKeyUpd (all key columns equal);
--   Bsm_EsaVonBis (plan group, unit, workplace equal, date range, ordered by
--   date and slot start).

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

------------------------------------------------------------------------------
-- Dvm730Bdp (deployment records)
------------------------------------------------------------------------------

-- Primary key (BdpPlg, BdpEso, BdpEsa, BdpPnr, BdpBdt, BdpSzv, BdpAsw,
-- BdpAkt): uniqueness only.

-- Bdp_BszPnr: one slot (plan group, unit, workplace, date, slot start, slot
-- kind), ordered by BdpRnd. Also the ten aggregates of Bdp_Bsz_Count, which
-- select the same slot.
CREATE INDEX IF NOT EXISTS Dvm730Bdp_Slot
    ON Dvm730Bdp (BdpPlg, BdpEso, BdpEsa, BdpBdt, BdpSzv, BdpAsw, BdpRnd);

-- Bdp_PnrDat: person and date equal, ordered by slot start and BdpOsv.
CREATE INDEX IF NOT EXISTS Dvm730Bdp_PnrDat
    ON Dvm730Bdp (BdpPnr, BdpBdt, BdpSzv, BdpOsv);

-- Bdp_VorNchBsz: person equal, date from the day before to the day after,
-- ordered by date and BdpAkt.
-- TagArbZt_Brutto: person and date equal, sum of BdpAzt of the active
-- records; answered from this index alone.
CREATE INDEX IF NOT EXISTS Dvm730Bdp_PnrAkt
    ON Dvm730Bdp (BdpPnr, BdpBdt, BdpAkt, BdpAzt);

------------------------------------------------------------------------------
-- Dvm735Bdk (proposals); each count is answered from its index alone.
------------------------------------------------------------------------------

-- Bdk_isPnrVerplant: open proposals of a person out of one slot of a day.
CREATE INDEX IF NOT EXISTS Dvm735Bdk_Pnr
    ON Dvm735Bdk (BdkPnr, BdkBdt, BdkEso, BdkEsa, BdkSzv, BdkSta);

-- Count_OptVorschlaege, out of the slot: unit, workplace, date, slot start,
-- slot kind of the slot the person comes from, origin, state.
CREATE INDEX IF NOT EXISTS Dvm735Bdk_Aus
    ON Dvm735Bdk (BdkEso, BdkEsa, BdkBdt, BdkSzv, BdkAsw, BdkErf, BdkSta);

-- Count_OptVorschlaege, into the slot: the same for the slot the person is
-- to go to.
CREATE INDEX IF NOT EXISTS Dvm735Bdk_Ein
    ON Dvm735Bdk (BdkOso, BdkOsa, BdkBdt, BdkOsv, BdkOsw, BdkErf, BdkSta);

------------------------------------------------------------------------------
-- Dvm746Err (error rows)
------------------------------------------------------------------------------

-- Err_Delete on the plan-group level (plan group, kind), the unit level
-- (plus unit) and the workplace level (plus unit and workplace). The date
-- condition is an OR (period, no date, before today) and is tested on the
-- index entries.
CREATE INDEX IF NOT EXISTS Dvm746Err_PlgKng
    ON Dvm746Err (ErrPlg, ErrKng, ErrEso, ErrEsa, ErrBdt);

------------------------------------------------------------------------------
-- Paths served by primary keys alone
------------------------------------------------------------------------------
-- Dvm701Plg (PlgPlg): Plg_PKey_Read, Plg_PKey_Upd, Plg_Hzt_Read, Plg_Cur
--   (key order), and the plan-group side of Pka_PKey_Read and
--   Ztg_AbzTag_Read.
-- Dvm720Bss (BssPlg, BssEso, BssEsa, BssTtp, BssVon, BssAsw): Bss_PKeyRead.
-- Dvm133Ka2 (Ka2Num, Ka2Dtm): Ztg_AbzTag_Read.
-- Dvm755Pka (PkaPlg, PkaNum, PkaDtm): Pka_PKey_Read.
-- Dvm329Ztg (ZtgPnr, ZtgVon): Ztg_AbzTag_Read, Ztg_ErsCur.
-- Dvm140Azv (AzvNum, AzvGvo): Ztg_AbzTag_Read, Ztg_ErsCur (model equal,
--   valid-from up to the date).
-- Dvm162Ers (ErsAgr, ErsAzt, ErsAze): Ztg_ErsCur.
-- Dvm710Pbv (PbvPnr, PbvGvo): Komplett_PnrSatz.
-- Dvm712Pgz (PgzPlg, PgzEso, PgzEsa): Komplett_PnrSatz.
-- Dvm716Qzp (QzpPnr, QzpQfk, QzpVon): Qzp_PnrQlf_Read.
-- Dvm717Qea (QeaEsa, QeaQfk): Qea_Qlf2Esa.
-- Dvm708Pss (PssKss, PssGvo): Pss_Wrt_Read.
-- dvmaster.Dvm133Bak (BakDtm): Bak_Datum_Read, Bak_MaxDatum_Read,
--   Bak_Wtg_Read (see dvmaster.sql).
