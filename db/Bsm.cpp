// Staffing matrix (table Dvm725Bsm) and staffing targets (table Dvm720Bss).
// Every statement on Dvm725Bsm exists twice: with the newer columns BsmOva
// and BsmOve, and without them for tables of the older layout. The newer
// text is tried while BsmOvaOve_Aktiv is 1; the first "invalid column"
// clears the flag for the rest of the run.
#include "db/Bsm.hpp"

#include "db/ResultCodes.hpp"
#include "db/Runtime.hpp"

int BsmOvaOve_Aktiv = 1;

namespace {

using db::dbli;
using db::i32;
using db::i32i;
using db::in;
using db::txt;
using db::txti;

// The newer and the older text of one statement family.
struct VarCursor {
    db::Cursor neu;
    db::Cursor alt;
    VarCursor(const char* n, const char* a, const char* tieBreak) : neu(n, tieBreak), alt(a, tieBreak) {}
};

#define BSM_SELECT_HEAD                                                                       \
    "select TO_CHAR(BsmBdt,'yyyymmdd') ,BsmEso ,BsmEsa ,BsmBsz ,BsmSzv ,BsmSzb ,BsmJhr ,BsmMon " \
    ",BsmWoc ,BsmJwc ,BsmTag ,BsmTtp ,BsmSol ,BsmMin ,BsmMax ,BsmIst ,BsmPlg ,BsmHtg ,BsmHtv "   \
    ",BsmHtn ,BsmKng ,BsmFkt ,BsmAsw ,BsmSta ,TO_CHAR(BsmDat,'yyyymmddHH24MISS') ,BsmErf "       \
    ",BsmId1 ,BsmId2 ,BsmId3 ,BsmId4 ,BsmId5 ,BsmId6 ,BsmId7 ,BsmId8 ,BsmKor ,BsmKos ,BsmKo2"
#define BSM_SELECT_NEU BSM_SELECT_HEAD " ,BsmOva ,BsmOve  from Dvm725Bsm"
#define BSM_SELECT_ALT BSM_SELECT_HEAD "  from Dvm725Bsm"
#define BSM_TEXTS(COND) BSM_SELECT_NEU " " COND, BSM_SELECT_ALT " " COND

// Rows equal in the sort keys: slots of several kinds at one start come by
// kind; understaffed slots of one deviation by kind, unit, workplace and
// start; overstaffed ones of one deviation from the last unit, workplace and
// start backwards, the order in which the deviation index yields them.
constexpr const char* kTieVonBis = "BsmAsw";
constexpr const char* kTieUntC = "BsmAsw,BsmEso,BsmEsa,BsmSzv";
constexpr const char* kTieUebC = "BsmEso desc,BsmEsa desc,BsmSzv desc";

VarCursor curPlgVonBis(BSM_TEXTS(
    "where ((BsmPlg=:b0 and BsmBdt>=TO_DATE(:b1,'yyyymmdd')) and "
    "BsmBdt<=TO_DATE(:b2,'yyyymmdd')) order by BsmBdt,BsmEso,BsmEsa,BsmSzv"), kTieVonBis);
VarCursor curEsoVonBis(BSM_TEXTS(
    "where (((BsmPlg=:b0 and BsmEso=:b1) and BsmBdt>=TO_DATE(:b2,'yyyymmdd')) and "
    "BsmBdt<=TO_DATE(:b3,'yyyymmdd')) order by BsmBdt,BsmEso,BsmEsa,BsmSzv"), kTieVonBis);
VarCursor curEsaVonBis(BSM_TEXTS(
    "where ((((BsmPlg=:b0 and BsmEso=:b1) and BsmEsa=:b2) and "
    "BsmBdt>=TO_DATE(:b3,'yyyymmdd')) and BsmBdt<=TO_DATE(:b4,'yyyymmdd')) order by "
    "BsmBdt,BsmEso,BsmEsa,BsmSzv"), kTieVonBis);
VarCursor curPlgUntC(BSM_TEXTS(
    "where ((BsmPlg=:b0 and BsmBdt=TO_DATE(:b1,'yyyymmdd')) and BsmFkt<0) order by "
    "BsmFkt asc"), kTieUntC);
VarCursor curEsoUntC(BSM_TEXTS(
    "where (((BsmPlg=:b0 and BsmEso=:b1) and BsmBdt=TO_DATE(:b2,'yyyymmdd')) and "
    "BsmFkt<0) order by BsmFkt asc"), kTieUntC);
VarCursor curEsaUntC(BSM_TEXTS(
    "where ((((BsmPlg=:b0 and BsmEso=:b1) and BsmEsa=:b2) and "
    "BsmBdt=TO_DATE(:b3,'yyyymmdd')) and BsmFkt<0) order by BsmFkt asc"), kTieUntC);
VarCursor curPlgUebC(BSM_TEXTS(
    "where (((BsmPlg=:b0 and BsmBdt=TO_DATE(:b1,'yyyymmdd')) and BsmAsw=:b2) and "
    "BsmFkt>0) order by BsmFkt desc"), kTieUebC);
VarCursor curEsoUebC(BSM_TEXTS(
    "where ((((BsmPlg=:b0 and BsmEso=:b1) and BsmBdt=TO_DATE(:b2,'yyyymmdd')) and "
    "BsmAsw=:b3) and BsmFkt>0) order by BsmFkt desc"), kTieUebC);
VarCursor curEsaUebC(BSM_TEXTS(
    "where (((((BsmPlg=:b0 and BsmEso=:b1) and BsmEsa=:b2) and "
    "BsmBdt=TO_DATE(:b3,'yyyymmdd')) and BsmAsw=:b4) and BsmFkt>0) order by BsmFkt desc"), kTieUebC);

#undef BSM_TEXTS
#undef BSM_SELECT_ALT
#undef BSM_SELECT_NEU
#undef BSM_SELECT_HEAD

// Host values of the cursor keys, held while a cursor is open.
FixText<6> hPlg;
FixText<6> hEso;
FixText<6> hEsa;
FixText<11> hVon;
FixText<11> hBis;
FixText<11> hDatum;
int32_t hAsw = 0;

int32_t openVariant(VarCursor& c, db::Binds binds) {
    if (BsmOvaOve_Aktiv == 1) {
        int32_t rc = c.neu.open(binds);
        if (rc == db::rc::kInvalidColumn) BsmOvaOve_Aktiv = 0;
        if (BsmOvaOve_Aktiv == 1) return rc;
    }
    return c.alt.open(binds);
}

// Fetches the next row in the variant the flag names into a copy of the
// record; an older-layout row carries no BsmOva/BsmOve and gives 0 for both.
int32_t readVariant(VarCursor& c, Dvm725Bsm& bsm) {
    Dvm725Bsm r = bsm;
    FixText<11> bdt;
    FixText<27> dat;
    int32_t rc;
    if (BsmOvaOve_Aktiv == 1) {
        rc = c.neu.fetch({txt(bdt), txt(r.BsmEso), txt(r.BsmEsa), txti(r.BsmBsz), i32(r.BsmSzv),
                          i32i(r.BsmSzb), i32i(r.BsmJhr), i32i(r.BsmMon), i32i(r.BsmWoc),
                          i32i(r.BsmJwc), i32i(r.BsmTag), txti(r.BsmTtp), i32i(r.BsmSol),
                          i32i(r.BsmMin), i32i(r.BsmMax), i32i(r.BsmIst), txti(r.BsmPlg),
                          i32i(r.BsmHtg), i32i(r.BsmHtv), i32i(r.BsmHtn), i32i(r.BsmKng),
                          i32i(r.BsmFkt), i32i(r.BsmAsw), i32i(r.BsmSta), txti(dat),
                          txti(r.BsmErf), i32i(r.BsmId1), i32i(r.BsmId2), i32i(r.BsmId3),
                          i32i(r.BsmId4), i32i(r.BsmId5), i32i(r.BsmId6), i32i(r.BsmId7),
                          i32i(r.BsmId8), i32i(r.BsmKor), dbli(r.BsmKos), dbli(r.BsmKo2),
                          i32i(r.BsmOva), i32i(r.BsmOve)});
    } else {
        rc = c.alt.fetch({txt(bdt), txt(r.BsmEso), txt(r.BsmEsa), txti(r.BsmBsz), i32(r.BsmSzv),
                          i32i(r.BsmSzb), i32i(r.BsmJhr), i32i(r.BsmMon), i32i(r.BsmWoc),
                          i32i(r.BsmJwc), i32i(r.BsmTag), txti(r.BsmTtp), i32i(r.BsmSol),
                          i32i(r.BsmMin), i32i(r.BsmMax), i32i(r.BsmIst), txti(r.BsmPlg),
                          i32i(r.BsmHtg), i32i(r.BsmHtv), i32i(r.BsmHtn), i32i(r.BsmKng),
                          i32i(r.BsmFkt), i32i(r.BsmAsw), i32i(r.BsmSta), txti(dat),
                          txti(r.BsmErf), i32i(r.BsmId1), i32i(r.BsmId2), i32i(r.BsmId3),
                          i32i(r.BsmId4), i32i(r.BsmId5), i32i(r.BsmId6), i32i(r.BsmId7),
                          i32i(r.BsmId8), i32i(r.BsmKor), dbli(r.BsmKos), dbli(r.BsmKo2)});
        r.BsmOva = 0;
        r.BsmOve = 0;
    }
    if (rc == 0) {
        r.BsmBdt = bdt;
        r.BsmDat = dat;
        bsm = r;
    }
    return rc;
}

int32_t closeVariant(VarCursor& c) {
    return BsmOvaOve_Aktiv == 1 ? c.neu.close() : c.alt.close();
}

}  // namespace

int32_t Bsm_PKeyUpd(const Dvm725Bsm& bsm) {
    static const db::Sql savepoint("savepoint Bsm_Update_Sp");
    static const db::Sql rollback("rollback  to Bsm_Update_Sp");
    static const db::Sql updNeu(
        "update Dvm725Bsm  set BsmBsz=:b0,BsmSzb=:b1,BsmJhr=:b2,BsmMon=:b3,BsmWoc=:b4,BsmJwc=:b5,"
        "BsmTag=:b6,BsmTtp=:b7,BsmSol=:b8,BsmMin=:b9,BsmMax=:b10,BsmIst=:b11,BsmPlg=:b12,"
        "BsmHtg=:b13,BsmHtv=:b14,BsmHtn=:b15,BsmKng=:b16,BsmFkt=:b17,BsmAsw=:b18,BsmSta=:b19,"
        "BsmDat=sysdate,BsmErf=:b20,BsmId1=:b21,BsmId2=:b22,BsmId3=:b23,BsmId4=:b24,BsmId5=:b25,"
        "BsmId6=:b26,BsmId7=:b27,BsmId8=:b28,BsmKor=:b29,BsmKos=:b30,BsmKo2=:b31,BsmOva=:b32,"
        "BsmOve=:b33 where (((((BsmPlg=:b12 and BsmEso=:b35) and BsmEsa=:b36) and "
        "BsmBdt=TO_DATE(:b37,'yyyymmdd')) and BsmSzv=:b38) and BsmAsw=:b18)");
    static const db::Sql updAlt(
        "update Dvm725Bsm  set BsmBsz=:b0,BsmSzb=:b1,BsmJhr=:b2,BsmMon=:b3,BsmWoc=:b4,BsmJwc=:b5,"
        "BsmTag=:b6,BsmTtp=:b7,BsmSol=:b8,BsmMin=:b9,BsmMax=:b10,BsmIst=:b11,BsmPlg=:b12,"
        "BsmHtg=:b13,BsmHtv=:b14,BsmHtn=:b15,BsmKng=:b16,BsmFkt=:b17,BsmAsw=:b18,BsmSta=:b19,"
        "BsmDat=sysdate,BsmErf=:b20,BsmId1=:b21,BsmId2=:b22,BsmId3=:b23,BsmId4=:b24,BsmId5=:b25,"
        "BsmId6=:b26,BsmId7=:b27,BsmId8=:b28,BsmKor=:b29,BsmKos=:b30,BsmKo2=:b31 where "
        "(((((BsmPlg=:b12 and BsmEso=:b33) and BsmEsa=:b34) and BsmBdt=TO_DATE(:b35,'yyyymmdd')) "
        "and BsmSzv=:b36) and BsmAsw=:b18)");

    const Dvm725Bsm& r = bsm;
    FixText<11> bdt = r.BsmBdt;
    int32_t rc = 0;
    if (BsmOvaOve_Aktiv == 1) {
        rc = db::guardedWrite(
            savepoint, updNeu, rollback,
            {in(0, r.BsmBsz), in(1, r.BsmSzb), in(2, r.BsmJhr), in(3, r.BsmMon), in(4, r.BsmWoc),
             in(5, r.BsmJwc), in(6, r.BsmTag), in(7, r.BsmTtp), in(8, r.BsmSol), in(9, r.BsmMin),
             in(10, r.BsmMax), in(11, r.BsmIst), in(12, r.BsmPlg), in(13, r.BsmHtg),
             in(14, r.BsmHtv), in(15, r.BsmHtn), in(16, r.BsmKng), in(17, r.BsmFkt),
             in(18, r.BsmAsw), in(19, r.BsmSta), in(20, r.BsmErf), in(21, r.BsmId1),
             in(22, r.BsmId2), in(23, r.BsmId3), in(24, r.BsmId4), in(25, r.BsmId5),
             in(26, r.BsmId6), in(27, r.BsmId7), in(28, r.BsmId8), in(29, r.BsmKor),
             in(30, r.BsmKos), in(31, r.BsmKo2), in(32, r.BsmOva), in(33, r.BsmOve),
             in(35, r.BsmEso), in(36, r.BsmEsa), in(37, bdt), in(38, r.BsmSzv)});
        if (rc == db::rc::kInvalidColumn) BsmOvaOve_Aktiv = 0;
    }
    if (BsmOvaOve_Aktiv == 0) {
        rc = db::guardedWrite(
            savepoint, updAlt, rollback,
            {in(0, r.BsmBsz), in(1, r.BsmSzb), in(2, r.BsmJhr), in(3, r.BsmMon), in(4, r.BsmWoc),
             in(5, r.BsmJwc), in(6, r.BsmTag), in(7, r.BsmTtp), in(8, r.BsmSol), in(9, r.BsmMin),
             in(10, r.BsmMax), in(11, r.BsmIst), in(12, r.BsmPlg), in(13, r.BsmHtg),
             in(14, r.BsmHtv), in(15, r.BsmHtn), in(16, r.BsmKng), in(17, r.BsmFkt),
             in(18, r.BsmAsw), in(19, r.BsmSta), in(20, r.BsmErf), in(21, r.BsmId1),
             in(22, r.BsmId2), in(23, r.BsmId3), in(24, r.BsmId4), in(25, r.BsmId5),
             in(26, r.BsmId6), in(27, r.BsmId7), in(28, r.BsmId8), in(29, r.BsmKor),
             in(30, r.BsmKos), in(31, r.BsmKo2), in(33, r.BsmEso), in(34, r.BsmEsa),
             in(35, bdt), in(36, r.BsmSzv)});
    }
    return rc;
}

int32_t Bsm_PlgVonBis_Open(const char* plg, const char* von, const char* bis) {
    hPlg = plg;
    hVon = von;
    hBis = bis;
    return openVariant(curPlgVonBis, {in(0, hPlg), in(1, hVon), in(2, hBis)});
}
int32_t Bsm_PlgVonBis_Read(Dvm725Bsm& bsm) { return readVariant(curPlgVonBis, bsm); }
int32_t Bsm_PlgVonBis_Close() { return closeVariant(curPlgVonBis); }

int32_t Bsm_EsoVonBis_Open(const char* plg, const char* eso, const char* von, const char* bis) {
    hPlg = plg;
    hEso = eso;
    hVon = von;
    hBis = bis;
    return openVariant(curEsoVonBis, {in(0, hPlg), in(1, hEso), in(2, hVon), in(3, hBis)});
}
int32_t Bsm_EsoVonBis_Read(Dvm725Bsm& bsm) { return readVariant(curEsoVonBis, bsm); }
int32_t Bsm_EsoVonBis_Close() { return closeVariant(curEsoVonBis); }

int32_t Bsm_EsaVonBis_Open(const char* plg, const char* eso, const char* esa, const char* von,
                           const char* bis) {
    hPlg = plg;
    hEso = eso;
    hEsa = esa;
    hVon = von;
    hBis = bis;
    return openVariant(curEsaVonBis,
                       {in(0, hPlg), in(1, hEso), in(2, hEsa), in(3, hVon), in(4, hBis)});
}
int32_t Bsm_EsaVonBis_Read(Dvm725Bsm& bsm) { return readVariant(curEsaVonBis, bsm); }
int32_t Bsm_EsaVonBis_Close() { return closeVariant(curEsaVonBis); }

int32_t Bsm_PlgUntC_Open(const char* plg, const char* datum) {
    hPlg = plg;
    hDatum = datum;
    return openVariant(curPlgUntC, {in(0, hPlg), in(1, hDatum)});
}
int32_t Bsm_PlgUntC_Read(Dvm725Bsm& bsm) { return readVariant(curPlgUntC, bsm); }
int32_t Bsm_PlgUntC_Close() { return closeVariant(curPlgUntC); }

int32_t Bsm_EsoUntC_Open(const char* plg, const char* eso, const char* datum) {
    hPlg = plg;
    hEso = eso;
    hDatum = datum;
    return openVariant(curEsoUntC, {in(0, hPlg), in(1, hEso), in(2, hDatum)});
}
int32_t Bsm_EsoUntC_Read(Dvm725Bsm& bsm) { return readVariant(curEsoUntC, bsm); }
int32_t Bsm_EsoUntC_Close() { return closeVariant(curEsoUntC); }

int32_t Bsm_EsaUntC_Open(const char* plg, const char* eso, const char* esa, const char* datum) {
    hPlg = plg;
    hEso = eso;
    hEsa = esa;
    hDatum = datum;
    return openVariant(curEsaUntC, {in(0, hPlg), in(1, hEso), in(2, hEsa), in(3, hDatum)});
}
int32_t Bsm_EsaUntC_Read(Dvm725Bsm& bsm) { return readVariant(curEsaUntC, bsm); }
int32_t Bsm_EsaUntC_Close() { return closeVariant(curEsaUntC); }

int32_t Bsm_PlgUebC_Open(Dvm725Bsm unt) {
    hPlg = unt.BsmPlg;
    hDatum = unt.BsmBdt;
    hAsw = unt.BsmAsw;
    return openVariant(curPlgUebC, {in(0, hPlg), in(1, hDatum), in(2, hAsw)});
}
int32_t Bsm_PlgUebC_Read(Dvm725Bsm& bsm) { return readVariant(curPlgUebC, bsm); }
int32_t Bsm_PlgUebC_Close() { return closeVariant(curPlgUebC); }

int32_t Bsm_EsoUebC_Open(Dvm725Bsm unt) {
    hPlg = unt.BsmPlg;
    hEso = unt.BsmEso;
    hDatum = unt.BsmBdt;
    hAsw = unt.BsmAsw;
    return openVariant(curEsoUebC, {in(0, hPlg), in(1, hEso), in(2, hDatum), in(3, hAsw)});
}
int32_t Bsm_EsoUebC_Read(Dvm725Bsm& bsm) { return readVariant(curEsoUebC, bsm); }
int32_t Bsm_EsoUebC_Close() { return closeVariant(curEsoUebC); }

int32_t Bsm_EsaUebC_Open(Dvm725Bsm unt) {
    hPlg = unt.BsmPlg;
    hEso = unt.BsmEso;
    hEsa = unt.BsmEsa;
    hDatum = unt.BsmBdt;
    hAsw = unt.BsmAsw;
    return openVariant(curEsaUebC,
                       {in(0, hPlg), in(1, hEso), in(2, hEsa), in(3, hDatum), in(4, hAsw)});
}
int32_t Bsm_EsaUebC_Read(Dvm725Bsm& bsm) { return readVariant(curEsaUebC, bsm); }
int32_t Bsm_EsaUebC_Close() { return closeVariant(curEsaUebC); }

namespace {
const db::Sql kBssPKey(
        "select BssPlg ,BssEso ,BssEsa ,BssTtp ,BssBsz ,BssVon ,BssBis ,BssTxt ,BssSol ,BssMin "
        ",BssMax ,BssMwt ,BssVtg ,BssAtg ,BssKgw ,BssKmw ,BssAsw into "
        ":b0,:b1,:b2,:b3,:b4:b5,:b6,:b7:b8,:b9:b10,:b11:b12,:b13:b14,:b15:b16,:b17:b18,:b19:b20,"
        ":b21:b22,:b23:b24,:b25:b26,:b27:b28  from Dvm720Bss where (((((BssPlg=:b0 and "
        "BssEso=:b1) and BssEsa=:b2) and BssTtp=:b3) and BssVon=:b6) and BssAsw=:b27)");
}  // namespace

void Bss_PKeyRead_Vorab(db::ReadAhead& vorab, const Dvm720Bss& bss) {
    vorab.add(kBssPKey, {in(0, bss.BssPlg), in(1, bss.BssEso), in(2, bss.BssEsa), in(3, bss.BssTtp),
                         in(6, bss.BssVon), in(27, bss.BssAsw)});
}

int32_t Bss_PKeyRead(Dvm720Bss& bss) {
    // The select list reads the minimum before the maximum; the record keeps
    // the maximum first.
    Dvm720Bss r = bss;
    int32_t rc = db::selectInto(
        kBssPKey,
        {in(0, bss.BssPlg), in(1, bss.BssEso), in(2, bss.BssEsa), in(3, bss.BssTtp),
         in(6, bss.BssVon), in(27, bss.BssAsw)},
        {txt(r.BssPlg), txt(r.BssEso), txt(r.BssEsa), txt(r.BssTtp), txti(r.BssBsz),
         i32(r.BssVon), i32i(r.BssBis), txti(r.BssTxt), i32i(r.BssSol), i32i(r.BssMin),
         i32i(r.BssMax), dbli(r.BssMwt), i32i(r.BssVtg), i32i(r.BssAtg), i32i(r.BssKgw),
         i32i(r.BssKmw), i32i(r.BssAsw)});
    if (rc == 0) bss = r;
    return rc;
}
