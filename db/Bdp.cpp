// Deployment records (table Dvm730Bdp): three cursors over a slot, a
// person-day and the neighbouring days, the day's working time and the
// per-slot counts. Nothing here writes to the table.
#include "db/Bdp.hpp"

#include "db/Bsm.hpp"
#include "db/Runtime.hpp"
#include "db/PnrSatz.hpp"

namespace {

using db::dbli;
using db::i32;
using db::i32i;
using db::in;
using db::txt;
using db::txti;

// Host values of the cursor keys: the cursors take them at open time, and
// they stay put for as long as a cursor is open.
FixText<6> hPlg;
FixText<6> hEso;
FixText<6> hEsa;
FixText<9> hPnr;
FixText<11> hDatum;
int32_t hSzv = 0;
int32_t hAsw = 0;

db::Cursor curBszPnr(
    "select BdpPnr ,TO_CHAR(BdpBdt,'yyyymmdd') ,BdpEso ,BdpEsa ,BdpBsz ,BdpSzv ,BdpSzb ,BdpJhr "
    ",BdpMon ,BdpWoc ,BdpJwc ,BdpTag ,BdpTtp ,BdpZtv ,BdpZtb ,BdpKst ,BdpFc1 ,BdpFc2 ,BdpFc3 "
    ",BdpOso ,BdpOsa ,BdpOsv ,BdpOsb ,BdpOsz ,BdpPlg ,BdpAsw ,BdpSts ,BdpFnr ,BdpSta "
    ",TO_CHAR(BdpDat,'yyyymmddHH24MISS') ,BdpTxt ,BdpErf ,BdpAzt ,BdpId1 ,BdpId2 ,BdpId3 ,BdpId4 "
    ",BdpId5 ,BdpId6 ,BdpId7 ,BdpId8 ,BdpRnd ,BdpAkt ,BdpBnr ,BdpAwp ,BdpPau ,BdpBzt ,BdpOsw "
    ",BdpKos  from Dvm730Bdp where (((((((((((BdpPlg=:b0 and BdpEso=:b1) and BdpEsa=:b2) and "
    "BdpBdt=TO_DATE(:b3,'yyyymmdd')) and BdpSzv=:b4) and BdpAsw=:b5) and BdpAkt<>9999) and "
    "BdpSts=' ') and BdpSta=0) and BdpFc1='   ') and BdpFc2='   ') and BdpFc3='   ') order by "
    "BdpBdt,BdpEso,BdpEsa,BdpSzv,BdpRnd",
    "BdpPnr,BdpAkt");  // persons of one random rank: by person number

db::Cursor curPnrDat(
    "select BdpPnr ,TO_CHAR(BdpBdt,'yyyymmdd') ,BdpEso ,BdpEsa ,BdpBsz ,BdpSzv ,BdpSzb ,BdpJhr "
    ",BdpMon ,BdpWoc ,BdpJwc ,BdpTag ,BdpTtp ,BdpZtv ,BdpZtb ,BdpKst ,BdpFc1 ,BdpFc2 ,BdpFc3 "
    ",BdpOso ,BdpOsa ,BdpOsv ,BdpOsb ,BdpOsz ,BdpPlg ,BdpAsw ,BdpSts ,BdpFnr ,BdpSta ,BdpTxt "
    ",BdpErf ,BdpAzt ,BdpId1 ,BdpId2 ,BdpId3 ,BdpId4 ,BdpId5 ,BdpId6 ,BdpId7 ,BdpId8 ,BdpRnd "
    ",BdpBdt ,BdpAkt ,BdpBnr ,BdpAwp ,BdpPau ,BdpBzt ,BdpOsw ,BdpKos  from Dvm730Bdp where "
    "((((BdpPnr=:b0 and BdpBdt=TO_DATE(:b1,'yyyymmdd')) and BdpAkt<>9999) and BdpSts<>'O') and "
    "BdpSts<>'D') order by BdpPnr,BdpBdt,BdpSzv,BdpOsv",
    "BdpAsw,BdpPlg,BdpEso,BdpEsa,BdpAkt");  // rows of one start: by kind, then place

db::Cursor curVorNchBsz(
    "select BdpPnr ,TO_CHAR(BdpBdt,'yyyymmdd') ,BdpEso ,BdpEsa ,BdpBsz ,BdpSzv ,BdpSzb ,BdpJhr "
    ",BdpMon ,BdpWoc ,BdpJwc ,BdpTag ,BdpTtp ,BdpZtv ,BdpZtb ,BdpKst ,BdpFc1 ,BdpFc2 ,BdpFc3 "
    ",BdpOso ,BdpOsa ,BdpOsv ,BdpOsb ,BdpOsz ,BdpPlg ,BdpAsw ,BdpSts ,BdpFnr ,BdpSta "
    ",TO_CHAR(BdpDat,'yyyymmddHH24MISS') ,BdpTxt ,BdpErf ,BdpAzt ,BdpId1 ,BdpId2 ,BdpId3 ,BdpId4 "
    ",BdpId5 ,BdpId6 ,BdpId7 ,BdpId8 ,BdpRnd ,BdpAkt ,BdpBnr ,BdpAwp ,BdpPau ,BdpBzt ,BdpOsw "
    ",BdpKos  from Dvm730Bdp where ((((((((BdpPnr=:b0 and "
    "BdpBdt>=(TO_DATE(:b1,'yyyymmdd')-1)) and BdpBdt<=(TO_DATE(:b1,'yyyymmdd')+1)) and "
    "BdpAkt<>9999) and BdpFc1='   ') and BdpFc2='   ') and BdpFc3='   ') and BdpSts<>'D') and "
    "BdpSts<>'O') order by BDPPNR,BDPBDT,BDPAKT",
    "BdpAzt,BdpPlg,BdpEso,BdpEsa,BdpSzv,BdpAsw");  // the last row read wins: make it one row

// Fetches the full select list (with the change stamp) of the slot and
// neighbour-day cursors into a copy of the record; the record itself is
// overwritten only when a row came.
int32_t fetchFull(db::Cursor& cur, Dvm730Bdp& bdp) {
    Dvm730Bdp r = bdp;
    FixText<11> bdt;
    FixText<27> dat;
    int32_t rc = cur.fetch({txt(r.BdpPnr), txt(bdt), txt(r.BdpEso), txt(r.BdpEsa),
                            txti(r.BdpBsz), i32(r.BdpSzv), i32i(r.BdpSzb), i32i(r.BdpJhr),
                            i32i(r.BdpMon), i32i(r.BdpWoc), i32i(r.BdpJwc), i32i(r.BdpTag),
                            txti(r.BdpTtp), i32i(r.BdpZtv), i32i(r.BdpZtb), txti(r.BdpKst),
                            txti(r.BdpFc1), txti(r.BdpFc2), txti(r.BdpFc3), txti(r.BdpOso),
                            txti(r.BdpOsa), i32i(r.BdpOsv), i32i(r.BdpOsb), txti(r.BdpOsz),
                            txti(r.BdpPlg), i32i(r.BdpAsw), txti(r.BdpSts), i32i(r.BdpFnr),
                            i32i(r.BdpSta), txti(dat), txti(r.BdpTxt), txti(r.BdpErf),
                            i32i(r.BdpAzt), i32i(r.BdpId1), i32i(r.BdpId2), i32i(r.BdpId3),
                            i32i(r.BdpId4), i32i(r.BdpId5), i32i(r.BdpId6), i32i(r.BdpId7),
                            i32i(r.BdpId8), i32i(r.BdpRnd), i32i(r.BdpAkt), i32i(r.BdpBnr),
                            i32i(r.BdpAwp), i32i(r.BdpPau), i32i(r.BdpBzt), i32i(r.BdpOsw),
                            dbli(r.BdpKos)});
    if (rc == 0) {
        r.BdpBdt = bdt;
        r.BdpDat = dat;
        bdp = r;
    }
    return rc;
}

}  // namespace

int32_t Bdp_BszPnr_Open(Dvm725Bsm bsm) {
    hPlg = bsm.BsmPlg;
    hEso = bsm.BsmEso;
    hEsa = bsm.BsmEsa;
    hDatum = bsm.BsmBdt;
    hSzv = bsm.BsmSzv;
    hAsw = bsm.BsmAsw;
    return curBszPnr.open(
        {in(0, hPlg), in(1, hEso), in(2, hEsa), in(3, hDatum), in(4, hSzv), in(5, hAsw)});
}

int32_t Bdp_BszPnr_Read(Dvm730Bdp& bdp) { return fetchFull(curBszPnr, bdp); }

int32_t Bdp_BszPnr_Close() { return curBszPnr.close(); }

int32_t Bdp_PnrDat_Open(const char* pnr, const char* datum) {
    hPnr = pnr;
    hDatum = datum;
    return curPnrDat.open({in(0, hPnr), in(1, hDatum)});
}

int32_t Bdp_PnrDat_Read(Dvm730Bdp& bdp) {
    // This list has no change stamp; the raw date column comes a second time
    // and is only taken to keep the positions, the record's BdpDat stays.
    Dvm730Bdp r = bdp;
    FixText<11> bdt;
    FixText<27> rohDatum;
    int32_t rc = curPnrDat.fetch({txt(r.BdpPnr), txt(bdt), txt(r.BdpEso), txt(r.BdpEsa),
                                  txti(r.BdpBsz), i32(r.BdpSzv), i32i(r.BdpSzb), i32i(r.BdpJhr),
                                  i32i(r.BdpMon), i32i(r.BdpWoc), i32i(r.BdpJwc), i32i(r.BdpTag),
                                  txti(r.BdpTtp), i32i(r.BdpZtv), i32i(r.BdpZtb), txti(r.BdpKst),
                                  txti(r.BdpFc1), txti(r.BdpFc2), txti(r.BdpFc3), txti(r.BdpOso),
                                  txti(r.BdpOsa), i32i(r.BdpOsv), i32i(r.BdpOsb), txti(r.BdpOsz),
                                  txti(r.BdpPlg), i32i(r.BdpAsw), txti(r.BdpSts), i32i(r.BdpFnr),
                                  i32i(r.BdpSta), txti(r.BdpTxt), txti(r.BdpErf), i32i(r.BdpAzt),
                                  i32i(r.BdpId1), i32i(r.BdpId2), i32i(r.BdpId3), i32i(r.BdpId4),
                                  i32i(r.BdpId5), i32i(r.BdpId6), i32i(r.BdpId7), i32i(r.BdpId8),
                                  i32i(r.BdpRnd), txti(rohDatum), i32i(r.BdpAkt), i32i(r.BdpBnr),
                                  i32i(r.BdpAwp), i32i(r.BdpPau), i32i(r.BdpBzt), i32i(r.BdpOsw),
                                  dbli(r.BdpKos)});
    if (rc == 0) {
        r.BdpBdt = bdt;
        bdp = r;
    }
    return rc;
}

int32_t Bdp_PnrDat_Close() { return curPnrDat.close(); }

int32_t Bdp_VorNchBsz_Open(const PnrSatz& pnr) {
    hPnr = pnr.Pnr;
    hDatum = pnr.Datum;
    return curVorNchBsz.open({in(0, hPnr), in(1, hDatum)});
}

int32_t Bdp_VorNchBsz_Read(Dvm730Bdp& bdp) { return fetchFull(curVorNchBsz, bdp); }

int32_t Bdp_VorNchBsz_Close() { return curVorNchBsz.close(); }

namespace {
const db::Sql kTagArbZt(
    "select NVL(sum(BdpAzt),0) into :b0  from Dvm730Bdp where ((BDPPNR=:b1 and "
    "BDPBDT=TO_DATE(:b2,'yyyymmdd')) and BdpAkt<>9999)");
}  // namespace

void TagArbZt_Brutto_Vorab(db::ReadAhead& vorab, const PnrSatz& pnr) {
    FixText<9> p = pnr.Pnr;
    FixText<11> d = pnr.Datum;
    vorab.add(kTagArbZt, {in(1, p), in(2, d)});
}

int32_t TagArbZt_Brutto(PnrSatz& pnr) {
    FixText<9> p = pnr.Pnr;
    FixText<11> d = pnr.Datum;
    int32_t summe = 0;
    int32_t rc = db::selectInto(kTagArbZt, {in(1, p), in(2, d)}, {i32(summe)});
    if (rc == 0) pnr.ArbZtBrutto = summe;
    return rc;
}

int32_t Bdp_Bsz_Count(BszZaehlSatz& z) {
    static const db::Sql sqlStsUM(
        "select count(*)  into :b0  from Dvm730bdp where ((((((BdpPlg=:b1 and BdpEso=:b2) and "
        "BdpEsa=:b3) and BdpBdt=TO_DATE(:b4,'yyyymmdd')) and BdpSzv=:b5) and BdpAsw=:b6) and "
        "(BdpSts='U' or BdpSts='M'))");
    static const db::Sql sqlZtGleich(
        "select count(*)  into :b0  from Dvm730bdp where (((((((((BdpPlg=:b1 and BdpEso=:b2) and "
        "BdpEsa=:b3) and BdpBdt=TO_DATE(:b4,'yyyymmdd')) and BdpSzv=:b5) and BdpAsw=:b6) and "
        "BdpZtv=:b5) and BdpZtb=:b8) and BdpSts<>'O') and BdpSts<>'D')");
    static const db::Sql sqlZtAbw(
        "select count(*)  into :b0  from Dvm730bdp where ((((((((BdpPlg=:b1 and BdpEso=:b2) and "
        "BdpEsa=:b3) and BdpBdt=TO_DATE(:b4,'yyyymmdd')) and BdpSzv=:b5) and BdpAsw=:b6) and "
        "(BdpZtv<>:b5 or BdpZtb<>:b8)) and BdpSts<>'O') and BdpSts<>'D')");
    static const db::Sql sqlFc1(
        "select count(*)  into :b0  from Dvm730bdp where ((((((((BdpPlg=:b1 and BdpEso=:b2) and "
        "BdpEsa=:b3) and BdpBdt=TO_DATE(:b4,'yyyymmdd')) and BdpSzv=:b5) and BdpAsw=:b6) and "
        "BdpFc1<>'   ') and BdpSts<>'O') and BdpSts<>'D')");
    static const db::Sql sqlFc2(
        "select count(*)  into :b0  from Dvm730bdp where ((((((((BdpPlg=:b1 and BdpEso=:b2) and "
        "BdpEsa=:b3) and BdpBdt=TO_DATE(:b4,'yyyymmdd')) and BdpSzv=:b5) and BdpAsw=:b6) and "
        "BdpFc2<>'   ') and BdpSts<>'O') and BdpSts<>'D')");
    static const db::Sql sqlFc3(
        "select count(*)  into :b0  from Dvm730bdp where ((((((((BdpPlg=:b1 and BdpEso=:b2) and "
        "BdpEsa=:b3) and BdpBdt=TO_DATE(:b4,'yyyymmdd')) and BdpSzv=:b5) and BdpAsw=:b6) and "
        "BdpFc3<>'   ') and BdpSts<>'O') and BdpSts<>'D')");
    static const db::Sql sqlSumKos(
        "select NVL(sum(BdpKos),0.0) into :b0  from Dvm730bdp where ((((((((((BdpPlg=:b1 and "
        "BdpEso=:b2) and BdpEsa=:b3) and BdpBdt=TO_DATE(:b4,'yyyymmdd')) and BdpSzv=:b5) and "
        "BdpAsw=:b6) and BdpSts<>'D') and BdpSts<>'O') and BdpFc1='   ') and BdpFc2='   ') and "
        "BdpFc3='   ')");
    static const db::Sql sqlSumKosOhneM(
        "select NVL(sum(BdpKos),0.0) into :b0  from Dvm730bdp where (((((((BdpPlg=:b1 and "
        "BdpEso=:b2) and BdpEsa=:b3) and BdpBdt=TO_DATE(:b4,'yyyymmdd')) and BdpSzv=:b5) and "
        "BdpAsw=:b6) and BdpSts<>'D') and BdpSts<>'M')");
    static const db::Sql sqlSumId(
        "select NVL(sum(BdpId1),0) ,NVL(sum(BdpId2),0) ,NVL(sum(BdpId3),0) ,NVL(sum(BdpId4),0) "
        ",NVL(sum(BdpId5),0) ,NVL(sum(BdpId6),0) ,NVL(sum(BdpId7),0) ,NVL(sum(BdpId8),0) into "
        ":b0,:b1,:b2,:b3,:b4,:b5,:b6,:b7  from Dvm730bdp where (((((((BdpPlg=:b8 and BdpEso=:b9) "
        "and BdpEsa=:b10) and BdpBdt=TO_DATE(:b11,'yyyymmdd')) and BdpSzv=:b12) and BdpAsw=:b13) "
        "and BdpSts<>'D') and BdpSts<>'O')");
    static const db::Sql sqlAnzKos(
        "select count(*)  into :b0  from Dvm730bdp where ((((((((BdpPlg=:b1 and BdpEso=:b2) and "
        "BdpEsa=:b3) and BdpBdt=TO_DATE(:b4,'yyyymmdd')) and BdpSzv=:b5) and BdpAsw=:b6) and "
        "BdpSts<>'O') and BdpSts<>'D') and BdpKos>0.0)");

    FixText<6> plg = z.Plg;
    FixText<6> eso = z.Eso;
    FixText<6> esa = z.Esa;
    FixText<11> datum = z.Datum;
    const int32_t szv = z.Szv;
    const int32_t szb = z.Szb;
    const int32_t asw = z.Asw;
    int32_t stsUM = 0, ztGleich = 0, ztAbw = 0, fc1 = 0, fc2 = 0, fc3 = 0, anzKos = 0;
    double sumKos = 0.0, sumKosOhneM = 0.0;
    int32_t id[8] = {};

    // The counts do not depend on each other: they go out as one batch and
    // are taken in this order; the first result other than 0 ends the count.
    db::ReadBatch reads;
    reads.add(sqlStsUM, {in(1, plg), in(2, eso), in(3, esa), in(4, datum), in(5, szv), in(6, asw)},
              {i32(stsUM)});
    reads.add(sqlZtGleich,
              {in(1, plg), in(2, eso), in(3, esa), in(4, datum), in(5, szv), in(6, asw), in(8, szb)},
              {i32(ztGleich)});
    reads.add(sqlZtAbw,
              {in(1, plg), in(2, eso), in(3, esa), in(4, datum), in(5, szv), in(6, asw), in(8, szb)},
              {i32(ztAbw)});
    reads.add(sqlFc1, {in(1, plg), in(2, eso), in(3, esa), in(4, datum), in(5, szv), in(6, asw)},
              {i32(fc1)});
    reads.add(sqlFc2, {in(1, plg), in(2, eso), in(3, esa), in(4, datum), in(5, szv), in(6, asw)},
              {i32(fc2)});
    reads.add(sqlFc3, {in(1, plg), in(2, eso), in(3, esa), in(4, datum), in(5, szv), in(6, asw)},
              {i32(fc3)});
    reads.add(sqlSumKos, {in(1, plg), in(2, eso), in(3, esa), in(4, datum), in(5, szv), in(6, asw)},
              {db::dbl(sumKos)});
    reads.add(sqlSumKosOhneM,
              {in(1, plg), in(2, eso), in(3, esa), in(4, datum), in(5, szv), in(6, asw)},
              {db::dbl(sumKosOhneM)});
    reads.add(sqlSumId,
              {in(8, plg), in(9, eso), in(10, esa), in(11, datum), in(12, szv), in(13, asw)},
              {i32(id[0]), i32(id[1]), i32(id[2]), i32(id[3]), i32(id[4]), i32(id[5]), i32(id[6]),
               i32(id[7])});
    reads.add(sqlAnzKos, {in(1, plg), in(2, eso), in(3, esa), in(4, datum), in(5, szv), in(6, asw)},
              {i32(anzKos)});

    int32_t rc;
    if ((rc = reads.take()) != 0) return rc;
    z.AnzStsUM = stsUM;
    if ((rc = reads.take()) != 0) return rc;
    z.AnzZtGleich = ztGleich;
    if ((rc = reads.take()) != 0) return rc;
    z.AnzZtAbw = ztAbw;
    z.AnzGesamt = z.AnzZtGleich + z.AnzZtAbw;
    if ((rc = reads.take()) != 0) return rc;
    z.AnzFc1 = fc1;
    if ((rc = reads.take()) != 0) return rc;
    z.AnzFc2 = fc2;
    if ((rc = reads.take()) != 0) return rc;
    z.AnzFc3 = fc3;
    if ((rc = reads.take()) != 0) return rc;
    z.SumKos = sumKos;
    if ((rc = reads.take()) != 0) return rc;
    z.SumKosOhneM = sumKosOhneM;
    if ((rc = reads.take()) != 0) {
        // The sums are cleared rather than left from an earlier slot.
        z.SumId1 = z.SumId2 = z.SumId3 = z.SumId4 = 0;
        z.SumId5 = z.SumId6 = z.SumId7 = z.SumId8 = 0;
        return rc;
    }
    z.SumId1 = id[0];
    z.SumId2 = id[1];
    z.SumId3 = id[2];
    z.SumId4 = id[3];
    z.SumId5 = id[4];
    z.SumId6 = id[5];
    z.SumId7 = id[6];
    z.SumId8 = id[7];
    if ((rc = reads.take()) != 0) return rc;
    z.AnzKos = anzKos;
    return 0;
}
