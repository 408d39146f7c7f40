// Runs every statement operation through the server backend on the data of
// statements.sql, loaded into a schema of a private cluster
// (tools/pg-test-cluster.sh start DIR; load DIR e2e). Usage: statements_check URI SCHEMA [older].
// Not yet part of the test suite: its dates are fixed to December 2026.
#include <cstdio>
#include <cstring>
#include <string>
#include "db/Bdk.hpp"
#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "db/Connect.hpp"
#include "db/Err.hpp"
#include "db/Kalender.hpp"
#include "db/Person.hpp"
#include "db/Plg.hpp"
#include "db/Runtime.hpp"
#include "rules/PnrSatz.hpp"
#include "run/Laufkontext.hpp"

static int passed = 0, failed = 0;
#define CHECK(c) do { if (c) ++passed; else { ++failed; std::printf("FAIL %s:%d %s\n", __FILE__, __LINE__, #c); } } while (0)
#define EQ(a, b) do { auto _a = (a); auto _b = (b); if (_a == _b) ++passed; else { ++failed; std::printf("FAIL line %d: %s == %s: got [%s] want [%s]\n", __LINE__, #a, #b, std::to_string(_a).c_str(), std::to_string(_b).c_str()); } } while (0)
#define SEQ(a, b) do { std::string _a = (a).view().data() ? std::string((a).view()) : ""; std::string _b = (b); if (_a == _b) ++passed; else { ++failed; std::printf("FAIL line %d: %s: got [%s] want [%s]\n", __LINE__, #a, _a.c_str(), _b.c_str()); } } while (0)

int main(int argc, char** argv) {
    const char* uri = argv[1];
    const char* schema = argv[2];
    bool older = argc > 3;
    EQ(dbConnect("dorvelian", "dorvelian", uri, schema), 0);

    // Plan groups.
    Dvm701Plg plg; plg.PlgPlg = "P1";
    EQ(Plg_PKey_Read(plg, 1), 0);
    SEQ(plg.PlgTxt, "Gruppe eins"); SEQ(plg.PlgKal, "K1"); EQ(plg.PlgHzt, 7);
    SEQ(plg.PlgDat, "20261201101112"); SEQ(plg.PlgPdt, "20261202000001"); SEQ(plg.PlgBeg, "20261203235959");
    SEQ(plg.PlgUsr, "usr"); SEQ(plg.PlgPgm, "pgm"); EQ(plg.PlgFts, 4); EQ(plg.PlgQu, 1); EQ(plg.PlgAr, 0);
    EQ(PlgOptOpl_Aktiv, older ? 0 : 1);
    EQ(Plg_PKey_Read(plg, 2), 0); EQ(plg.PlgQu, 0); EQ(plg.PlgAr, 1);
    EQ(Plg_PKey_Read(plg, 3), 0); EQ(plg.PlgRe, 1);
    EQ(Plg_PKey_Read(plg, 4), 0); EQ(plg.PlgRe, 0);
    Dvm701Plg p0; p0.PlgPlg = "P0";
    EQ(Plg_PKey_Read(p0, 1), 0);
    Dvm701Plg none; none.PlgPlg = "PX";
    EQ(Plg_PKey_Read(none, 1), 1403);
    plg.PlgTxt = "neu"; plg.PlgDat = "20261224183000"; plg.PlgPgm = ""; plg.PlgBeg = "";
    EQ(Plg_PKey_Upd(plg), 0);
    Dvm701Plg back; back.PlgPlg = "P1";
    EQ(Plg_PKey_Read(back, 1), 0); SEQ(back.PlgTxt, "neu"); SEQ(back.PlgDat, "20261224183000"); SEQ(back.PlgBeg, ""); SEQ(back.PlgPgm, "");
    Dvm701Plg bad = plg; bad.PlgPlg = "PX";
    EQ(Plg_PKey_Upd(bad), 1403);
    int32_t hzt = 0;
    EQ(Plg_Hzt_Read("P1", hzt), 0); EQ(hzt, 7);
    EQ(Plg_Cur_Open(), 0);
    Dvm701Plg c; int n = 0; std::string first;
    while (Plg_Cur_Read(c) == 0) { if (!n) first = std::string(c.PlgPlg.view()); ++n; }
    EQ(n, 2); CHECK(first == "P0"); EQ(Plg_Cur_Close(), 0);

    // Calendar.
    BakSatz bak; bak.Datum = "20261215"; bak.Tage = 3;
    EQ(Bak_Datum_Read(bak), 0); SEQ(bak.Datum, "20261218"); EQ(bak.BakMon, 12); EQ(bak.BakTag, 18); EQ(bak.BakJhr, 2026);
    FixText<9> maxd;
    EQ(Bak_MaxDatum_Read(maxd), 0); SEQ(maxd, "20271231");
    int32_t wtg = -1;
    EQ(Bak_Wtg_Read("20261215", wtg), 0); EQ(wtg, 2);
    FixText<4> ttp; int32_t gwt = 0;
    EQ(Pka_PKey_Read("P1", "20261215", ttp, gwt), 0); SEQ(ttp, "FT"); EQ(gwt, 2);
    EQ(Pka_PKey_Read("P1", "20261216", ttp, gwt), 1403);

    // Person.
    PnrSatz ps; PnrSatz_Init(ps); ps.Pnr = "00000001"; ps.Datum = "20261215"; ps.Plg = "P1";
    EQ(Komplett_PnrSatz(ps), 0); SEQ(ps.PbvEso, "E1"); SEQ(ps.PbvSst, "S1"); EQ(ps.PbvZrm, 2); EQ(ps.PgzAzk, 10); EQ(ps.PgzRzk, 11);
    EQ(Ztg_AbzTag_Read(ps), 0); SEQ(ps.ZtgAzt, "M1"); SEQ(ps.ZtgKst, "KST1"); SEQ(ps.PkaTtp, "FT"); EQ(ps.RahmenVon, 300); EQ(ps.RahmenBis, 1200);
    EQ(Ztg_ErsCur_Open("00000001", "20261215"), 0);
    n = 0; while (Ztg_ErsCur_Read(ps) == 0) { ++n; SEQ(ps.ZtgAzt, "M2"); EQ(ps.RahmenVon, 350); }
    EQ(n, 1); EQ(Ztg_ErsCur_Close(), 0);
    EQ(Qzp_PnrQlf_Read(ps, "Q1", "20261215"), 0);
    EQ(Qzp_PnrQlf_Read(ps, "Q2", "20261215"), 1403);
    EQ(Qea_Qlf2Esa_Open("A1"), 0);
    FixText<6> q; n = 0; while (Qea_Qlf2Esa_Read(q) == 0) ++n; EQ(n, 2); EQ(Qea_Qlf2Esa_Close(), 0);
    EQ(Pss_Wrt_Read(ps), 0); CHECK(ps.PssWrt == 12.5);
    ps.PbvSst = "S2"; ps.PssWrt = 9;
    EQ(Pss_Wrt_Read(ps), 0); CHECK(ps.PssWrt == 0.0);
    PnrSatz nob; PnrSatz_Init(nob); nob.Pnr = "00000009"; nob.Datum = "20261215"; nob.Plg = "P1";
    EQ(Komplett_PnrSatz(nob), 1403);

    // Deployment records.
    EQ(TagArbZt_Brutto(ps), 0); EQ(ps.ArbZtBrutto, 480);
    nob.ArbZtBrutto = 5; EQ(TagArbZt_Brutto(nob), 0); EQ(nob.ArbZtBrutto, 0);
    Dvm725Bsm slot; slot.BsmPlg = "P1"; slot.BsmEso = "E1"; slot.BsmEsa = "A1"; slot.BsmBdt = "20261215"; slot.BsmSzv = 1320; slot.BsmAsw = 1;
    EQ(Bdp_BszPnr_Open(slot), 0);
    Dvm730Bdp bdp; std::string order;
    while (Bdp_BszPnr_Read(bdp) == 0) { order += std::string(bdp.BdpPnr.view()).substr(7) + ","; }
    CHECK(order == "2,1,"); if (order != "2,1,") std::printf("   order %s\n", order.c_str());
    EQ(Bdp_BszPnr_Close(), 0);
    EQ(Bdp_PnrDat_Open("00000001", "20261215"), 0);
    Dvm730Bdp pd; pd.BdpDat = "keep";
    EQ(Bdp_PnrDat_Read(pd), 0); SEQ(pd.BdpBdt, "20261215"); SEQ(pd.BdpDat, "keep"); CHECK(pd.BdpKos == 10.25); SEQ(pd.BdpFc1, "   "); SEQ(pd.BdpSts, " ");
    EQ(Bdp_PnrDat_Read(pd), 1403); EQ(Bdp_PnrDat_Close(), 0);
    EQ(Bdp_PnrDat_Open("00000004", "20261215"), 0); EQ(Bdp_PnrDat_Read(pd), 1403); EQ(Bdp_PnrDat_Close(), 0);
    EQ(Bdp_VorNchBsz_Open(ps), 0);
    order.clear(); Dvm730Bdp vn;
    while (Bdp_VorNchBsz_Read(vn) == 0) order += std::string(vn.BdpBdt.view()) + "/" + std::string(vn.BdpDat.view()) + ",";
    CHECK(order == "20261214/,20261215/20261211010203,20261216/,"); if (order.size()) std::printf("   vornch %s\n", order.c_str());
    EQ(Bdp_VorNchBsz_Close(), 0);
    BszZaehlSatz z; z.Datum = "20261215"; z.Plg = "P1"; z.Eso = "E1"; z.Esa = "A1"; z.Asw = 1; z.Szv = 1320; z.Szb = 360;
    EQ(Bdp_Bsz_Count(z), 0);
    // not O/D: 1,2,3,5,6 (5 is inactive but counted: the counts do not look at BdpAkt)
    EQ(z.AnzZtGleich, 4); EQ(z.AnzZtAbw, 1); EQ(z.AnzGesamt, 5); EQ(z.AnzFc1, 1); EQ(z.AnzFc2, 0); EQ(z.AnzStsUM, 1); EQ(z.AnzKos, 3);
    EQ(z.SumId1, 1 + 2 + 4 + 16 + 32);
    CHECK(z.SumKos == 10.25 + 0 + 0 + 2); CHECK(z.SumKosOhneM == 10.25 + 5 + 2);
    BszZaehlSatz ze; ze.Datum = "20261201"; ze.Plg = "P1"; ze.Eso = "E1"; ze.Esa = "A1"; ze.Asw = 1; ze.Szv = 1; ze.Szb = 2; ze.AnzKos = 9;
    EQ(Bdp_Bsz_Count(ze), 0); EQ(ze.AnzKos, 0); CHECK(ze.SumKos == 0.0);

    // Staffing matrix.
    EQ(Bsm_PlgUntC_Open("P1", "20261215"), 0);
    Dvm725Bsm b; std::string f;
    while (Bsm_PlgUntC_Read(b) == 0) f += std::to_string(b.BsmFkt) + ",";
    CHECK(f == "-3,-1,"); EQ(Bsm_PlgUntC_Close(), 0);
    EQ(BsmOvaOve_Aktiv, older ? 0 : 1);
    EQ(Bsm_EsoUntC_Open("P1", "E1", "20261215"), 0); n = 0; while (Bsm_EsoUntC_Read(b) == 0) ++n; EQ(n, 2); EQ(Bsm_EsoUntC_Close(), 0);
    EQ(Bsm_EsaUntC_Open("P1", "E1", "A1", "20261215"), 0);
    EQ(Bsm_EsaUntC_Read(b), 0); EQ(b.BsmFkt, -3); SEQ(b.BsmBdt, "20261215"); SEQ(b.BsmDat, "20261210080910"); CHECK(b.BsmKos == 1.5); SEQ(b.BsmTtp, "WT");
    EQ(Bsm_EsaUntC_Close(), 0);
    Dvm725Bsm unt = b;
    EQ(Bsm_PlgUebC_Open(unt), 0); f.clear(); while (Bsm_PlgUebC_Read(b) == 0) f += std::to_string(b.BsmFkt) + ","; CHECK(f == "5,2,"); EQ(Bsm_PlgUebC_Close(), 0);
    EQ(Bsm_EsoUebC_Open(unt), 0); n = 0; while (Bsm_EsoUebC_Read(b) == 0) ++n; EQ(n, 2); EQ(Bsm_EsoUebC_Close(), 0);
    EQ(Bsm_EsaUebC_Open(unt), 0); f.clear(); while (Bsm_EsaUebC_Read(b) == 0) f += std::to_string(b.BsmFkt) + ","; CHECK(f == "2,"); EQ(Bsm_EsaUebC_Close(), 0);
    EQ(Bsm_PlgVonBis_Open("P1", "20261215", "20261216"), 0); n = 0; while (Bsm_PlgVonBis_Read(b) == 0) ++n; EQ(n, 6); EQ(Bsm_PlgVonBis_Close(), 0);
    EQ(Bsm_EsoVonBis_Open("P1", "E1", "20261216", "20261216"), 0); n = 0; while (Bsm_EsoVonBis_Read(b) == 0) ++n; EQ(n, 1); EQ(Bsm_EsoVonBis_Close(), 0);
    EQ(Bsm_EsaVonBis_Open("P1", "E1", "A2", "20261201", "20261231"), 0); n = 0; while (Bsm_EsaVonBis_Read(b) == 0) { ++n; EQ(b.BsmOva, 0); } EQ(n, 1); EQ(Bsm_EsaVonBis_Close(), 0);
    unt.BsmIst = 7; unt.BsmFkt = -2; unt.BsmOva = 3; unt.BsmErf = "OPTIMIERUNG";
    EQ(Bsm_PKeyUpd(unt), 0);
    EQ(Bsm_EsaUntC_Open("P1", "E1", "A1", "20261215"), 0); EQ(Bsm_EsaUntC_Read(b), 0); EQ(b.BsmFkt, -2); EQ(b.BsmIst, 7); EQ(b.BsmOva, older ? 0 : 3);
    CHECK(std::string(b.BsmDat.view()) != "20261210080910"); EQ(Bsm_EsaUntC_Close(), 0);
    Dvm725Bsm gone = unt; gone.BsmSzv = 1;
    EQ(Bsm_PKeyUpd(gone), 1403);
    Dvm720Bss bss; bss.BssPlg = "P1"; bss.BssEso = "E1"; bss.BssEsa = "A1"; bss.BssTtp = "WT"; bss.BssVon = 360; bss.BssAsw = 1;
    EQ(Bss_PKeyRead(bss), 0); EQ(bss.BssBis, 840); EQ(bss.BssMax, 4); EQ(bss.BssMin, 2); SEQ(bss.BssTxt, "Frueh"); CHECK(bss.BssMwt == 1.25);

    // Proposals.
    Dvm735Bdk k; k.BdkKey = "0123456789abcdef0123456789abcdef"; k.BdkLfd = 1; k.BdkPnr = "00000001"; k.BdkBdt = "20261215";
    k.BdkEso = "E1"; k.BdkEsa = "A1"; k.BdkSzv = 1320; k.BdkAsw = 1; k.BdkOso = "E1"; k.BdkOsa = "A1"; k.BdkOsv = 360; k.BdkOsw = 1;
    k.BdkSta = 9; k.BdkErf = "OPTIMIERUNG"; k.BdkFc1 = "   "; k.BdkZvo = "20261215";
    EQ(Bdk_Insert(k), 0); EQ(Bdk_Insert(k), 0);
    Dvm735Bdk k2 = k; k2.BdkErf = "HAND"; EQ(Bdk_Insert(k2), 0);
    Dvm735Bdk kbad = k; kbad.BdkBdt = ""; CHECK(Bdk_Insert(kbad) < 0);
    int32_t anz = -1, aus = -1, ein = -1;
    Dvm730Bdp who; who.BdpPnr = "00000001"; who.BdpEso = "E1"; who.BdpEsa = "A1"; who.BdpBdt = "20261215"; who.BdpSzv = 1320;
    EQ(Bdk_isPnrVerplant(who, anz), 0); EQ(anz, 3);
    Dvm725Bsm from = slot; EQ(Count_OptVorschlaege(from, aus, ein), 0); EQ(aus, 2); EQ(ein, 0);
    Dvm725Bsm to = slot; to.BsmSzv = 360; EQ(Count_OptVorschlaege(to, aus, ein), 0); EQ(aus, 0); EQ(ein, 2);

    // Errors.
    Dvm746Err e; e.ErrPlg = "P1"; e.ErrKng = "OPT"; e.ErrLfn = 1; e.ErrBdt = "20261215"; e.ErrJbd = "20261215101010"; e.ErrJbk = "k";
    EQ(Err_Insert(e), 0);
    Dvm746Err en = e; en.ErrBdt = ""; EQ(Err_Insert(en), 0);
    Laufkontext lk; lk.Von = "20261201"; lk.Bis = "20261231";
    EQ(Err_Delete(lk, "P1", "OPT"), 0);
    EQ(Err_Delete(lk, "P1", "OPT"), 1403);
    lk.Eso = "E1"; EQ(Err_Delete(lk, "P1", "BSM"), 1403);
    lk.Eso = ""; lk.Esa = "A9"; EQ(Err_Delete(lk, "P1", "BSM"), 0);

    std::printf("%s: %d passed, %d failed\n", schema, passed, failed);
    return failed ? 1 : 0;
}
