// Statements on a person's data of a date: assignment (Dvm710Pbv), plan-group
// structure (Dvm712Pgz), working-time entry with model and calendar day
// (Dvm329Ztg, Dvm140Azv, Dvm133Ka2), substitute models (Dvm162Ers),
// qualifications (Dvm716Qzp, Dvm717Qea) and cost rates (Dvm708Pss).
#include "db/Person.hpp"

#include "db/Kalender.hpp"
#include "db/Runtime.hpp"
#include "db/PnrSatz.hpp"

namespace {

const db::Sql kPbvRead(
    "select PbvZrm ,PbvEso ,PbvEsa ,PbvAwp ,PbvSst into :b0:b1,:b2:b3,:b4:b5,:b6,:b7:b8  "
    "from Dvm710Pbv where ((PbvPnr=:b9 and PbvGvo<=TO_DATE(:b10,'yyyymmdd')) and "
    "(PbvGbi is null  or PbvGbi>=TO_DATE(:b10,'yyyymmdd')))");
const db::Sql kPgzRead(
    "select PGZAZK ,PGZRZK into :b0:b1,:b2:b3  from Dvm712Pgz "
    "where ((PgzPlg=:b4 and PgzEso=:b5) and PgzEsa=:b6)");
const db::Sql kZtgAbzTag(
    "select ZtgAzt ,ZtgKst ,Ka2Ttp ,Ka2Ptp ,Ka2Gwt ,AzvKev ,AzvKeb ,AzvGlv ,AzvGlb "
    "into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13,:b14:b15,:b16:b17  "
    "from Dvm329Ztg ,Dvm140Azv ,Dvm133Ka2 ,Dvm701Plg "
    "where (((((((ZtgPnr=:b18 and ZtgVon=To_Date(:b19,'yyyymmdd')) and ZtgAzt=AzvNum) "
    "and ZtgVon>=AzvGvo) and (ZtgVon<=AzvGbi or AzvGbi is null )) and PlgPlg=:b20) "
    "and PlgKal=Ka2Num) and Ka2Dtm=ZtgVon)");
db::Cursor curZtgErs(
    "select ErsAze ,AzvKev ,AzvKeb ,AzvGlv ,AzvGlb  from Dvm329Ztg ,Dvm140Azv ,Dvm162Ers "
    "where (((((((ZtgPnr=:b0 and ZtgVon=To_Date(:b1,'yyyymmdd')) and ZtgAgr=ErsAgr) "
    "and ZtgAzt=ErsAzt) and ErsAze=AzvNum) and AzvSol<>0) and ZtgVon>=AzvGvo) "
    "and (ZtgVon<=AzvGbi or AzvGbi is null ))",
    "ErsAze,AzvGvo");  // the first fitting substitute model wins: by model
const db::Sql kQzpPnrQlf(
    "select QzpPnr ,QzpQfk into :b0:b1,:b2:b3  from Dvm716Qzp "
    "where (((QzpPnr=:b0 and QzpVon<=To_Date(:b5,'yyyymmdd')) and "
    "(QzpBis>=To_Date(:b5,'yyyymmdd') or QzpBis is null )) and QzpQfk=:b2)");
db::Cursor curQeaQlf2Esa("select QeaQfk  from Dvm717Qea where QeaEsa=:b0");
const db::Sql kPssWrt(
    "select  coalesce (PssWrt,0.0) into :b0:b1  from Dvm708Pss "
    "where ((PssKss=:b2 and PssGvo<=TO_DATE(:b3,'yyyymmdd')) and "
    "(PssGbi>=TO_DATE(:b3,'yyyymmdd') or PssGbi is null ))");

// Working frame of the day: flexitime for PbvZrm 2, core time for 1; any
// other value leaves the frame as it was.
void rahmenSetzen(PnrSatz& p) {
    if (p.PbvZrm == 2) {
        p.RahmenVon = p.AzvGlv;
        p.RahmenBis = p.AzvGlb;
    } else if (p.PbvZrm == 1) {
        p.RahmenVon = p.AzvKev;
        p.RahmenBis = p.AzvKeb;
    }
}

}  // namespace

void Komplett_PnrSatz_Vorab(db::ReadAhead& vorab, const PnrSatz& pnr) {
    FixText<9> nr(pnr.Pnr.view());
    FixText<11> datum(pnr.Datum.view());
    vorab.add(kPbvRead, {db::in(9, nr), db::in(10, datum)});
}

void Ztg_AbzTag_Read_Vorab(db::ReadAhead& vorab, const PnrSatz& pnr) {
    FixText<9> nr(pnr.Pnr.view());
    FixText<11> datum(pnr.Datum.view());
    FixText<6> plg(pnr.Plg.view());
    vorab.add(kZtgAbzTag, {db::in(18, nr), db::in(19, datum), db::in(20, plg)});
    Pka_PKey_Read_Vorab(vorab, pnr.Plg.c_str(), pnr.Datum.c_str());
}

int32_t Komplett_PnrSatz(PnrSatz& pnr) {
    FixText<6> plg(pnr.Plg.view());
    FixText<6> eso(pnr.PbvEso.view());
    FixText<6> esa(pnr.PbvEsa.view());
    FixText<9> nr(pnr.Pnr.view());
    FixText<11> datum(pnr.Datum.view());
    FixText<11> sst;
    sst.clear();
    int32_t zrm = 0, awp = 0;

    int32_t rc = db::selectInto(kPbvRead, {db::in(9, nr), db::in(10, datum)},
                                {db::i32i(zrm), db::txti(eso), db::txti(esa), db::i32(awp),
                                 db::txti(sst)});
    if (rc != 0) return rc;

    // The structure row and the cost rate of the assignment just read do
    // not depend on each other: with a ReadAhead living both go out now,
    // and the caller's cost-rate read takes its answer.
    if (db::ReadAhead* vorab = db::readAhead()) {
        vorab->add(kPgzRead, {db::in(4, plg), db::in(5, eso), db::in(6, esa)});
        if (!sst.empty()) {
            FixText<11> sstKey(sst.view());
            vorab->add(kPssWrt, {db::in(2, sstKey), db::in(3, datum)});
        }
        vorab->send();
    }

    int32_t azk = 0, rzk = 0;
    rc = db::selectInto(kPgzRead, {db::in(4, plg), db::in(5, eso), db::in(6, esa)},
                        {db::i32i(azk), db::i32i(rzk)});
    if (rc != 0) return rc;

    pnr.PbvEso = eso;
    pnr.PbvEsa = esa;
    pnr.PbvSst = sst;
    pnr.PbvZrm = zrm;
    pnr.PbvAwp = awp;
    pnr.PgzAzk = azk;
    pnr.PgzRzk = rzk;
    return 0;
}

int32_t Ztg_AbzTag_Read(PnrSatz& pnr) {
    FixText<9> nr(pnr.Pnr.view());
    FixText<11> datum(pnr.Datum.view());
    FixText<6> plg(pnr.Plg.view());
    FixText<6> azt;
    FixText<11> kst;
    FixText<4> ka2Ttp;
    FixText<4> ka2Ptp;
    int32_t ka2Gwt = 0, kev = 0, keb = 0, glv = 0, glb = 0;

    int32_t rc = db::selectInto(
        kZtgAbzTag, {db::in(18, nr), db::in(19, datum), db::in(20, plg)},
        {db::txti(azt), db::txti(kst), db::txti(ka2Ttp), db::txti(ka2Ptp), db::i32i(ka2Gwt),
         db::i32i(kev), db::i32i(keb), db::i32i(glv), db::i32i(glb)});
    if (rc != 0) return rc;

    pnr.ZtgAzt = azt;
    pnr.ZtgKst = kst;
    pnr.Ka2Ttp = ka2Ttp;
    pnr.PkaTtp = ka2Ptp;
    pnr.AzvKev = kev;
    pnr.AzvKeb = keb;
    pnr.AzvGlv = glv;
    pnr.AzvGlb = glb;
    pnr.Fnr = 0;

    if (pnr.PbvAwp == 3) {
        pnr.RahmenVon = 0;
        pnr.RahmenBis = 0;
    } else {
        rahmenSetzen(pnr);
    }

    // The plan group's own calendar overrides the day type where it has the
    // date; a missing entry keeps the calendar's.
    int32_t gwt = 0;
    rc = Pka_PKey_Read(pnr.Plg.c_str(), pnr.Datum.c_str(), pnr.PkaTtp, gwt);
    return rc == 1403 ? 0 : rc;
}

int32_t Ztg_ErsCur_Open(const char* pnr, const char* datum) {
    FixText<9> nr(pnr);
    FixText<11> dtm(datum);
    return curZtgErs.open({db::in(0, nr), db::in(1, dtm)});
}

int32_t Ztg_ErsCur_Read(PnrSatz& pnr) {
    FixText<6> aze;
    int32_t kev = 0, keb = 0, glv = 0, glb = 0;
    int32_t rc = curZtgErs.fetch(
        {db::txti(aze), db::i32i(kev), db::i32i(keb), db::i32i(glv), db::i32i(glb)});
    if (rc != 0) return rc;

    pnr.ZtgAzt = aze;
    pnr.AzvKev = kev;
    pnr.AzvKeb = keb;
    pnr.AzvGlv = glv;
    pnr.AzvGlb = glb;
    rahmenSetzen(pnr);
    pnr.Fnr = 0;
    return 0;
}

int32_t Ztg_ErsCur_Close() { return curZtgErs.close(); }

int32_t Qzp_PnrQlf_Read(const PnrSatz& pnr, const char* qfk, const char* datum) {
    // The person number and qualification are selected into the very host
    // values they are bound from; only the result code counts.
    FixText<9> nr(pnr.Pnr.view());
    FixText<6> qlf(qfk);
    FixText<11> dtm(datum);
    return db::selectInto(kQzpPnrQlf, {db::in(0, nr), db::in(5, dtm), db::in(2, qlf)},
                          {db::txti(nr), db::txti(qlf)});
}

int32_t Qea_Qlf2Esa_Open(const char* esa) {
    FixText<6> key(esa);
    return curQeaQlf2Esa.open({db::in(0, key)});
}

int32_t Qea_Qlf2Esa_Read(FixText<6>& qfk) {
    FixText<6> q;
    int32_t rc = curQeaQlf2Esa.fetch({db::txti(q)});
    if (rc == 0) qfk = q;
    return rc;
}

int32_t Qea_Qlf2Esa_Close() { return curQeaQlf2Esa.close(); }

int32_t Pss_Wrt_Read(PnrSatz& pnr) {
    FixText<11> sst(pnr.PbvSst.view());
    FixText<11> datum(pnr.Datum.view());
    double wrt = 0.0;
    int32_t rc = db::selectInto(kPssWrt, {db::in(2, sst), db::in(3, datum)}, {db::dbli(wrt)});
    if (rc == 0) pnr.PssWrt = wrt;
    return rc;
}
