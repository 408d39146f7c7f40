// Statements on the plan-group table Dvm701Plg.
//
// The single read and the cursor exist twice: with the newer columns PlgOpt
// and PlgOpl, and without them for databases of the older layout. The first
// statement that finds the columns missing (-904) clears PlgOptOpl_Aktiv for
// the rest of the run; from then on only the older texts are used and the
// rows carry PlgOpt = PlgOpl = 0.
#include "db/Plg.hpp"

#include "db/Runtime.hpp"

int PlgOptOpl_Aktiv = 1;

namespace {

constexpr int32_t kInvalidColumn = -904;

// Pieces of the single read. The select list differs per level only in the
// six switch columns; the older layout drops the two newer columns and their
// two targets.
#define PLG_SEL_HEAD                                                              \
    "select PlgPlg ,PlgTxt ,PlgKal ,PlgHzt ,PlgSta ,"                             \
    "TO_CHAR(PlgDat,'yyyymmddHH24MISS') ,PlgErf ,"                                \
    "TO_CHAR(PlgPdt,'yyyymmddHH24MISS') ,PlgPlr ,"                                \
    "TO_CHAR(PlgBeg,'yyyymmddHH24MISS') ,PlgUsr ,PlgPgm ,PlgFts ,"
#define PLG_SEL_SW1 "PlgQu1 ,PlgAr1 ,PlgRu1 ,PlgMe1 ,PlgAm1 ,PlgRe1"
#define PLG_SEL_SW2 "PlgQu2 ,PlgAr2 ,PlgRu2 ,PlgMe2 ,PlgAm2 ,PlgRe2"
#define PLG_SEL_SW3 "PlgQu3 ,PlgAr3 ,PlgRu3 ,PlgMe3 ,PlgAm3 ,PlgRe3"
#define PLG_SEL_SW0 "0 ,0 ,0 ,0 ,0 ,0"
#define PLG_SEL_NEW " ,PlgOpt ,PlgOpl"
#define PLG_INTO                                                                  \
    " into :b0,:b1:b2,:b3:b4,:b5:b6,:b7:b8,:b9:b10,:b11:b12,:b13:b14,:b15:b16,"   \
    ":b17:b18,:b19:b20,:b21:b22,:b23:b24,:b25:b26,:b27:b28,:b29:b30,:b31:b32,"    \
    ":b33:b34,:b35:b36"
#define PLG_INTO_NEW ",:b37:b38,:b39:b40"
#define PLG_SEL_TAIL "  from Dvm701Plg where PlgPlg=:b0"

const db::Sql kPKeyNeu1(PLG_SEL_HEAD PLG_SEL_SW1 PLG_SEL_NEW PLG_INTO PLG_INTO_NEW PLG_SEL_TAIL);
const db::Sql kPKeyNeu2(PLG_SEL_HEAD PLG_SEL_SW2 PLG_SEL_NEW PLG_INTO PLG_INTO_NEW PLG_SEL_TAIL);
const db::Sql kPKeyNeu3(PLG_SEL_HEAD PLG_SEL_SW3 PLG_SEL_NEW PLG_INTO PLG_INTO_NEW PLG_SEL_TAIL);
const db::Sql kPKeyNeu0(PLG_SEL_HEAD PLG_SEL_SW0 PLG_SEL_NEW PLG_INTO PLG_INTO_NEW PLG_SEL_TAIL);
const db::Sql kPKeyAlt1(PLG_SEL_HEAD PLG_SEL_SW1 PLG_INTO PLG_SEL_TAIL);
const db::Sql kPKeyAlt2(PLG_SEL_HEAD PLG_SEL_SW2 PLG_INTO PLG_SEL_TAIL);
const db::Sql kPKeyAlt3(PLG_SEL_HEAD PLG_SEL_SW3 PLG_INTO PLG_SEL_TAIL);
const db::Sql kPKeyAlt0(PLG_SEL_HEAD PLG_SEL_SW0 PLG_INTO PLG_SEL_TAIL);

#undef PLG_SEL_HEAD
#undef PLG_SEL_SW1
#undef PLG_SEL_SW2
#undef PLG_SEL_SW3
#undef PLG_SEL_SW0
#undef PLG_SEL_NEW
#undef PLG_INTO
#undef PLG_INTO_NEW
#undef PLG_SEL_TAIL

const db::Sql kPKeyUpd(
    "update Dvm701Plg  set PlgTxt=:b0,PlgKal=:b1,PlgHzt=:b2,PlgSta=:b3,"
    "PlgDat=TO_DATE(:b4,'yyyymmddHH24MISS'),PlgErf=:b5,"
    "PlgPdt=TO_DATE(:b6,'yyyymmddHH24MISS'),PlgPlr=:b7,"
    "PlgBeg=TO_DATE(:b8,'yyyymmddHH24MISS'),PlgUsr=:b9,PlgPgm=:b10,PlgFts=:b11 "
    "where PlgPlg=:b12");
const db::Sql kPKeyUpdSp("savepoint Plg_PKeyUpd_Sp");
const db::Sql kPKeyUpdRb("rollback  to Plg_PKeyUpd_Sp");

db::Cursor curPlgNeu(
    "select PlgPlg ,PlgTxt ,PlgKal ,PlgHzt ,PlgSta ,"
    "TO_CHAR(PlgDat,'yyyymmddHH24MISS') ,PlgErf ,"
    "TO_CHAR(PlgPdt,'yyyymmddHH24MISS') ,PlgPlr ,PlgOpt ,PlgOpl  "
    "from Dvm701Plg  order by PlgPlg");
db::Cursor curPlgAlt(
    "select PlgPlg ,PlgTxt ,PlgKal ,PlgHzt ,PlgSta ,"
    "TO_CHAR(PlgDat,'yyyymmddHH24MISS') ,PlgErf ,"
    "TO_CHAR(PlgPdt,'yyyymmddHH24MISS') ,PlgPlr  "
    "from Dvm701Plg  order by PlgPlg");

const db::Sql kHzt("select PlgHzt into :b0:b1  from Dvm701Plg where PlgPlg=:b2");

// Host values of a plan-group row; the time stamps are read into the wide
// host buffers and cut to the record's width on the copy.
struct PlgHost {
    FixText<6> Plg;
    FixText<51> Txt;
    FixText<4> Kal;
    int32_t Hzt = 0;
    int32_t Sta = 0;
    FixText<27> Dat;
    FixText<51> Erf;
    FixText<27> Pdt;
    FixText<51> Plr;
    FixText<27> Beg;
    FixText<51> Usr;
    FixText<11> Pgm;
    int32_t Fts = 0;
    int32_t Qu = 0, Ar = 0, Ru = 0, Me = 0, Am = 0, Re = 0;
    int32_t Opt = 0;
    int32_t Opl = 0;
};

const db::Sql& pkeyText(int ebene, bool neu) {
    switch (ebene) {
        case 1: return neu ? kPKeyNeu1 : kPKeyAlt1;
        case 2: return neu ? kPKeyNeu2 : kPKeyAlt2;
        case 3: return neu ? kPKeyNeu3 : kPKeyAlt3;
        default: return neu ? kPKeyNeu0 : kPKeyAlt0;
    }
}

int32_t pkeySelect(PlgHost& h, bool neu, int ebene) {
    if (neu) {
        return db::selectInto(
            pkeyText(ebene, true), {db::in(0, h.Plg)},
            {db::txt(h.Plg), db::txti(h.Txt), db::txti(h.Kal), db::i32i(h.Hzt),
             db::i32i(h.Sta), db::txti(h.Dat), db::txti(h.Erf), db::txti(h.Pdt),
             db::txti(h.Plr), db::txti(h.Beg), db::txti(h.Usr), db::txti(h.Pgm),
             db::i32i(h.Fts), db::i32i(h.Qu), db::i32i(h.Ar), db::i32i(h.Ru),
             db::i32i(h.Me), db::i32i(h.Am), db::i32i(h.Re), db::i32i(h.Opt),
             db::i32i(h.Opl)});
    }
    return db::selectInto(
        pkeyText(ebene, false), {db::in(0, h.Plg)},
        {db::txt(h.Plg), db::txti(h.Txt), db::txti(h.Kal), db::i32i(h.Hzt),
         db::i32i(h.Sta), db::txti(h.Dat), db::txti(h.Erf), db::txti(h.Pdt),
         db::txti(h.Plr), db::txti(h.Beg), db::txti(h.Usr), db::txti(h.Pgm),
         db::i32i(h.Fts), db::i32i(h.Qu), db::i32i(h.Ar), db::i32i(h.Ru),
         db::i32i(h.Me), db::i32i(h.Am), db::i32i(h.Re)});
}

}  // namespace

void Plg_PKey_Read_Vorab(db::ReadAhead& vorab, const Dvm701Plg& plg, int ebene) {
    FixText<6> key(plg.PlgPlg.view());
    vorab.add(pkeyText(ebene, PlgOptOpl_Aktiv == 1), {db::in(0, key)});
}

int32_t Plg_PKey_Read(Dvm701Plg& plg, int ebene) {
    PlgHost h;  // PlgOpt and PlgOpl start at 0: the older read leaves them so
    h.Plg = plg.PlgPlg;

    int32_t rc = 0;
    if (PlgOptOpl_Aktiv == 1) {
        rc = pkeySelect(h, true, ebene);
        if (rc == kInvalidColumn) PlgOptOpl_Aktiv = 0;
    }
    if (PlgOptOpl_Aktiv == 0) {
        // Start again from clean host values: the failed read may have left
        // part of a row behind.
        h = PlgHost{};
        h.Plg = plg.PlgPlg;
        rc = pkeySelect(h, false, ebene);
    }
    if (rc != 0) return rc;

    plg.PlgPlg = h.Plg;
    plg.PlgTxt = h.Txt;
    plg.PlgKal = h.Kal;
    plg.PlgHzt = h.Hzt;
    plg.PlgSta = h.Sta;
    plg.PlgDat = h.Dat;
    plg.PlgErf = h.Erf;
    plg.PlgPdt = h.Pdt;
    plg.PlgPlr = h.Plr;
    plg.PlgPgm = h.Pgm;
    plg.PlgUsr = h.Usr;
    plg.PlgBeg = h.Beg;
    plg.PlgFts = h.Fts;
    plg.PlgQu = h.Qu;
    plg.PlgAr = h.Ar;
    plg.PlgRu = h.Ru;
    plg.PlgMe = h.Me;
    plg.PlgAm = h.Am;
    plg.PlgRe = h.Re;
    plg.PlgOpt = h.Opt;
    plg.PlgOpl = h.Opl;
    return 0;
}

int32_t Plg_PKey_Upd(const Dvm701Plg& plg) {
    FixText<27> dat(plg.PlgDat.view());
    FixText<27> pdt(plg.PlgPdt.view());
    FixText<27> beg(plg.PlgBeg.view());
    return db::guardedWrite(
        kPKeyUpdSp, kPKeyUpd, kPKeyUpdRb,
        {db::in(0, plg.PlgTxt), db::in(1, plg.PlgKal), db::in(2, plg.PlgHzt),
         db::in(3, plg.PlgSta), db::in(4, dat), db::in(5, plg.PlgErf), db::in(6, pdt),
         db::in(7, plg.PlgPlr), db::in(8, beg), db::in(9, plg.PlgUsr),
         db::in(10, plg.PlgPgm), db::in(11, plg.PlgFts), db::in(12, plg.PlgPlg)});
}

int32_t Plg_Cur_Open() {
    int32_t rc = 0;
    if (PlgOptOpl_Aktiv == 1) {
        rc = curPlgNeu.open({});
        if (rc == kInvalidColumn) PlgOptOpl_Aktiv = 0;
    }
    if (PlgOptOpl_Aktiv == 0) rc = curPlgAlt.open({});
    return rc;
}

int32_t Plg_Cur_Read(Dvm701Plg& plg) {
    PlgHost h;  // PlgOpt and PlgOpl are 0 unless the newer cursor delivers them

    int32_t rc;
    if (PlgOptOpl_Aktiv == 1) {
        rc = curPlgNeu.fetch({db::txt(h.Plg), db::txti(h.Txt), db::txti(h.Kal),
                              db::i32i(h.Hzt), db::i32i(h.Sta), db::txti(h.Dat),
                              db::txti(h.Erf), db::txti(h.Pdt), db::txti(h.Plr),
                              db::i32i(h.Opt), db::i32i(h.Opl)});
    } else {
        rc = curPlgAlt.fetch({db::txt(h.Plg), db::txti(h.Txt), db::txti(h.Kal),
                              db::i32i(h.Hzt), db::i32i(h.Sta), db::txti(h.Dat),
                              db::txti(h.Erf), db::txti(h.Pdt), db::txti(h.Plr)});
    }
    if (rc != 0) return rc;

    plg.PlgPlg = h.Plg;
    plg.PlgTxt = h.Txt;
    plg.PlgKal = h.Kal;
    plg.PlgHzt = h.Hzt;
    plg.PlgSta = h.Sta;
    plg.PlgDat = h.Dat;
    plg.PlgErf = h.Erf;
    plg.PlgPdt = h.Pdt;
    plg.PlgPlr = h.Plr;
    plg.PlgOpt = h.Opt;
    plg.PlgOpl = h.Opl;
    return 0;
}

int32_t Plg_Cur_Close() {
    return PlgOptOpl_Aktiv == 1 ? curPlgNeu.close() : curPlgAlt.close();
}

int32_t Plg_Hzt_Read(const char* plg, int32_t& hzt) {
    FixText<6> key(plg);
    int32_t h = 0;
    int32_t rc = db::selectInto(kHzt, {db::in(2, key)}, {db::i32i(h)});
    if (rc == 0) hzt = h;
    return rc;
}
