// Statements on the central calendar DVMASTER.Dvm133Bak and on the plan
// groups' own calendars Dvm755Pka.
#include "db/Kalender.hpp"

#include "db/Runtime.hpp"

namespace {

const db::Sql kBakDatum(
    "select TO_CHAR(BakDtm,'yyyymmdd') ,BakJhr ,BakMon ,BakTag ,BakWch ,BakWtg ,BakJtg "
    "into :b0,:b1,:b2,:b3,:b4,:b5,:b6  from DVMASTER.Dvm133Bak "
    "where BakDtm=(TO_DATE(:b7,'yyyymmdd')+:b8)");
const db::Sql kBakMaxDatum(
    "select to_char(max(BakDtm),'yyyymmdd') into :b0:b1  from DvMaster.Dvm133Bak");
const db::Sql kBakWtg(
    "select BakWtg into :b0:b1  from DVMASTER.Dvm133Bak where BakDtm=TO_DATE(:b2,'yyyymmdd')");
const db::Sql kPkaPKey(
    "select PkaTtp ,PkaGwt into :b0:b1,:b2:b3  from Dvm755Pka ,Dvm701Plg "
    "where (((PlgPlg=:b4 and PlgPlg=PkaPlg) and PlgKal=PkaNum) "
    "and PkaDtm=TO_DATE(:b5,'yyyymmdd'))");

}  // namespace

int32_t Bak_Datum_Read(BakSatz& bak) {
    FixText<11> von(bak.Datum.view());
    int32_t tage = bak.Tage;
    FixText<11> dtm;
    int32_t jhr = 0, mon = 0, tag = 0, wch = 0, wtg = 0, jtg = 0;
    int32_t rc = db::selectInto(kBakDatum, {db::in(7, von), db::in(8, tage)},
                                {db::txt(dtm), db::i32(jhr), db::i32(mon), db::i32(tag),
                                 db::i32(wch), db::i32(wtg), db::i32(jtg)});
    if (rc != 0) return rc;
    bak.Datum = dtm;
    bak.BakJhr = jhr;
    bak.BakMon = mon;
    bak.BakTag = tag;
    bak.BakWch = wch;
    bak.BakWtg = wtg;
    bak.BakJtg = jtg;
    return 0;
}

int32_t Bak_MaxDatum_Read(FixText<9>& datum) {
    // Cleared first: an empty calendar yields a NULL maximum, which comes
    // back as an empty text with result 0.
    FixText<11> letzter;
    letzter.clear();
    int32_t rc = db::selectInto(kBakMaxDatum, {}, {db::txti(letzter)});
    if (rc == 0) datum = letzter;
    return rc;
}

int32_t Bak_Wtg_Read(const char* datum, int32_t& wtg) {
    FixText<11> dtm(datum);
    int32_t w = 0;
    int32_t rc = db::selectInto(kBakWtg, {db::in(2, dtm)}, {db::i32i(w)});
    if (rc == 0) wtg = w;
    return rc;
}

void Pka_PKey_Read_Vorab(db::ReadAhead& vorab, const char* plg, const char* datum) {
    FixText<6> key(plg);
    FixText<11> dtm(datum);
    vorab.add(kPkaPKey, {db::in(4, key), db::in(5, dtm)});
}

int32_t Pka_PKey_Read(const char* plg, const char* datum, FixText<4>& ttp, int32_t& gwt) {
    FixText<6> key(plg);
    FixText<11> dtm(datum);
    FixText<4> t;
    int32_t g = 0;
    int32_t rc = db::selectInto(kPkaPKey, {db::in(4, key), db::in(5, dtm)},
                                {db::txti(t), db::i32i(g)});
    if (rc != 0) return rc;
    ttp = t;
    gwt = g;
    return 0;
}
