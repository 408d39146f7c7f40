// Reassignment proposals (table Dvm735Bdk): the insert of a proposal and the
// counts of open proposals per person-slot and per slot.
#include "db/Bdk.hpp"

#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "db/Runtime.hpp"

using db::in;

namespace {
// Origin text of the proposals this program writes.
const FixText<51> kOptimierung("OPTIMIERUNG");
}  // namespace

int32_t Bdk_Insert(const Dvm735Bdk& bdk) {
    static const db::Sql savepoint("savepoint Bdk_Insert_Sp");
    static const db::Sql rollback("rollback  to Bdk_Insert_Sp");
    static const db::Sql sql(
        "insert into Dvm735Bdk (BdkKey,BdkLfd,BdkPnr,BdkBdt,BdkEso,BdkEsa,BdkSzv,BdkSzb,BdkBsz,"
        "BdkJhr,BdkMon,BdkWoc,BdkJwc,BdkTtp,BdkTag,BdkZtv,BdkZtb,BdkKst,BdkFc1,BdkFc2,BdkFc3,"
        "BdkOso,BdkOsa,BdkOsv,BdkOsb,BdkOsz,BdkPlg,BdkAsw,BdkSts,BdkFnr,BdkSta,BdkDat,BdkTxt,"
        "BdkErf,BdkAzt,BdkId1,BdkId2,BdkId3,BdkId4,BdkId5,BdkId6,BdkId7,BdkId8,BdkAkt,BdkRnd,"
        "BdkOsw,BdkZvo,BdkZbi) values (:b0,:b1,:b2,TO_DATE(:b3,'yyyymmdd'),:b4,:b5,:b6,:b7,:b8,"
        ":b9,:b10,:b11,:b12,:b13,:b14,:b15,:b16,:b17,:b18,:b19,:b20,:b21,:b22,:b23,:b24,:b25,"
        ":b26,:b27,:b28,:b29,:b30,sysdate,:b31,:b32,:b33,:b34,:b35,:b36,:b37,:b38,:b39,:b40,"
        ":b41,:b42,:b43,:b44,:b45,:b46)");
    const Dvm735Bdk& r = bdk;
    FixText<11> bdt = r.BdkBdt;
    return db::guardedWrite(
        savepoint, sql, rollback,
        {in(0, r.BdkKey), in(1, r.BdkLfd), in(2, r.BdkPnr), in(3, bdt), in(4, r.BdkEso),
         in(5, r.BdkEsa), in(6, r.BdkSzv), in(7, r.BdkSzb), in(8, r.BdkBsz), in(9, r.BdkJhr),
         in(10, r.BdkMon), in(11, r.BdkWoc), in(12, r.BdkJwc), in(13, r.BdkTtp),
         in(14, r.BdkTag), in(15, r.BdkZtv), in(16, r.BdkZtb), in(17, r.BdkKst),
         in(18, r.BdkFc1), in(19, r.BdkFc2), in(20, r.BdkFc3), in(21, r.BdkOso),
         in(22, r.BdkOsa), in(23, r.BdkOsv), in(24, r.BdkOsb), in(25, r.BdkOsz),
         in(26, r.BdkPlg), in(27, r.BdkAsw), in(28, r.BdkSts), in(29, r.BdkFnr),
         in(30, r.BdkSta), in(31, r.BdkTxt), in(32, r.BdkErf), in(33, r.BdkAzt),
         in(34, r.BdkId1), in(35, r.BdkId2), in(36, r.BdkId3), in(37, r.BdkId4),
         in(38, r.BdkId5), in(39, r.BdkId6), in(40, r.BdkId7), in(41, r.BdkId8),
         in(42, r.BdkAkt), in(43, r.BdkRnd), in(44, r.BdkOsw), in(45, r.BdkZvo),
         in(46, r.BdkZbi)});
}

namespace {
const db::Sql kPnrVerplant(
    "select count(*)  into :b0:b1  from Dvm735Bdk where (((((BdkSta=9 and BdkPnr=:b2) and "
    "BdkEso=:b3) and BdkEsa=:b4) and BdkBdt=TO_DATE(:b5,'yyyymmdd')) and BdkSzv=:b6)");
}  // namespace

void Bdk_isPnrVerplant_Vorab(db::ReadAhead& vorab, const Dvm730Bdp& bdp) {
    FixText<11> bdt = bdp.BdpBdt;
    vorab.add(kPnrVerplant,
              {in(2, bdp.BdpPnr), in(3, bdp.BdpEso), in(4, bdp.BdpEsa), in(5, bdt), in(6, bdp.BdpSzv)});
}

int32_t Bdk_isPnrVerplant(const Dvm730Bdp& bdp, int32_t& anz) {
    anz = 0;
    FixText<11> bdt = bdp.BdpBdt;
    int32_t n = 0;
    int32_t rc = db::selectInto(kPnrVerplant,
                                {in(2, bdp.BdpPnr), in(3, bdp.BdpEso), in(4, bdp.BdpEsa),
                                 in(5, bdt), in(6, bdp.BdpSzv)},
                                {db::i32i(n)});
    if (rc == 0) anz = n;
    return rc;
}

namespace {
const db::Sql kOptAus(
    "select count(*)  into :b0:b1  from Dvm735Bdk where ((((((BdkSta=9 and BdkEso=:b2) and "
    "BdkEsa=:b3) and BdkBdt=TO_DATE(:b4,'yyyymmdd')) and BdkSzv=:b5) and BdkAsw=:b6) and "
    "BdkErf=:b7)");
const db::Sql kOptEin(
    "select count(*)  into :b0:b1  from Dvm735Bdk where ((((((BdkSta=9 and BdkOso=:b2) and "
    "BdkOsa=:b3) and BdkBdt=TO_DATE(:b4,'yyyymmdd')) and BdkOsv=:b5) and BdkOsw=:b6) and "
    "BdkErf=:b7)");
}  // namespace

void Count_OptVorschlaege_Vorab(db::ReadAhead& vorab, const Dvm725Bsm& bsm) {
    FixText<11> bdt = bsm.BsmBdt;
    vorab.add(kOptAus, {in(2, bsm.BsmEso), in(3, bsm.BsmEsa), in(4, bdt), in(5, bsm.BsmSzv),
                        in(6, bsm.BsmAsw), in(7, kOptimierung)});
    vorab.add(kOptEin, {in(2, bsm.BsmEso), in(3, bsm.BsmEsa), in(4, bdt), in(5, bsm.BsmSzv),
                        in(6, bsm.BsmAsw), in(7, kOptimierung)});
}

int32_t Count_OptVorschlaege(const Dvm725Bsm& bsm, int32_t& anzAus, int32_t& anzEin) {
    // Both counts go out together (unless a caller has sent them ahead); the
    // second runs whatever the first gave, and the result is the second's.
    db::ReadAhead vorab;
    Count_OptVorschlaege_Vorab(vorab, bsm);
    vorab.send();
    FixText<11> bdt = bsm.BsmBdt;
    int32_t n = 0;
    // Out of the slot: the row's slot is the one the person comes from.
    int32_t rc = db::selectInto(kOptAus,
                                {in(2, bsm.BsmEso), in(3, bsm.BsmEsa), in(4, bdt),
                                 in(5, bsm.BsmSzv), in(6, bsm.BsmAsw), in(7, kOptimierung)},
                                {db::i32i(n)});
    if (rc == 0) anzAus = n;
    // Into the slot.
    n = 0;
    rc = db::selectInto(kOptEin,
                        {in(2, bsm.BsmEso), in(3, bsm.BsmEsa), in(4, bdt), in(5, bsm.BsmSzv),
                         in(6, bsm.BsmAsw), in(7, kOptimierung)},
                        {db::i32i(n)});
    if (rc == 0) anzEin = n;
    return rc;
}
