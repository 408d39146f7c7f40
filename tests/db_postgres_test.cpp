// The server backend on a real PostgreSQL schema: every statement operation
// on a known data set, in the newer and the older table layout. The server is
// named by DORVELIAN_PG_URI or is the private cluster ctest starts for the server cases
// (tools/pg-test-cluster.sh, role and password "dorvelian"); without one the cases skip.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <cstdlib>
#include <ctime>
#include <regex>
#include <string>

#include "db/Bdk.hpp"
#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "db/Connect.hpp"
#include "db/Err.hpp"
#include "db/JulianDate.hpp"
#include "db/Kalender.hpp"
#include "db/Person.hpp"
#include "db/Plg.hpp"
#include "db/Runtime.hpp"
#include "db/PnrSatz.hpp"
#include "base/Laufkontext.hpp"
#include "support/TestDb.hpp"

namespace {

// The data were written for 8 December 2026; every date moves with today so
// that "before today" keeps its meaning.
int64_t verschiebung() {
    std::string heute = testdb::today();
    int64_t t = db::jd::daysFromCivil(std::stoi(heute.substr(0, 4)), static_cast<unsigned>(std::stoi(heute.substr(4, 2))),
                                      static_cast<unsigned>(std::stoi(heute.substr(6, 2))));
    return t - db::jd::daysFromCivil(2026, 12, 8);
}

// A 'yyyymmdd...' text of the data, moved by the shift.
std::string S(const std::string& text) {
    int64_t t = db::jd::daysFromCivil(std::stoi(text.substr(0, 4)), static_cast<unsigned>(std::stoi(text.substr(4, 2))),
                                      static_cast<unsigned>(std::stoi(text.substr(6, 2)))) + verschiebung();
    int64_t y;
    unsigned m, d;
    db::jd::civilFromDays(t, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(y), m, d);
    return buf + text.substr(8);
}

// The ISO weekday (Monday 1 .. Sunday 7) of a 'yyyymmdd' text.
int isoWochentag(const std::string& text) {
    int64_t t = db::jd::daysFromCivil(std::stoi(text.substr(0, 4)), static_cast<unsigned>(std::stoi(text.substr(4, 2))),
                                      static_cast<unsigned>(std::stoi(text.substr(6, 2))));
    // Day 0 of the civil count is Thursday 1 January 1970.
    return static_cast<int>(((t + 3) % 7 + 7) % 7) + 1;
}

std::string verschobeneDaten() {
    std::string sql = testdb::readFile(std::string(DORVELIAN_SOURCE_DIR) + "/tests/postgresql/statements.sql");
    const std::string k = std::to_string(verschiebung());
    // Time stamps first, then dates with or without the "date" keyword in one
    // pass, so that no literal is moved twice.
    sql = std::regex_replace(sql, std::regex(R"('(202[67]-\d\d-\d\d \d\d:\d\d:\d\d)')"),
                             "(timestamp '$1' + interval '" + k + " days')");
    sql = std::regex_replace(sql, std::regex(R"((?:date )?'(202[67]-\d\d-\d\d)')"), "(date '$1' + " + k + ")");
    return sql;
}

std::string ddl(const char* file) {
    return testdb::readFile(std::string(DORVELIAN_SCHEMA_DIR) + "/postgresql/" + file);
}

// Loads a fresh schema with the data; false with a message when it fails.
bool laden(const std::string& uri, const std::string& schema, bool older, std::string& fehler) {
    const char* keys[] = {"dbname", "user", "password", nullptr};
    const char* vals[] = {uri.c_str(), "dorvelian", "dorvelian", nullptr};
    PGconn* c = PQconnectdbParams(keys, vals, 1);
    std::string sql = "SET client_min_messages TO warning; DROP SCHEMA IF EXISTS " + schema +
                      " CASCADE; DROP SCHEMA IF EXISTS dvmaster CASCADE; CREATE SCHEMA " + schema +
                      "; SET search_path TO " + schema + ";\n" + ddl("schema.sql") + ddl("indexes.sql") +
                      (older ? ddl("older_layout.sql") : "") + ddl("dvmaster.sql") + verschobeneDaten();
    PGresult* r = PQexec(c, sql.c_str());
    bool ok = PQstatus(c) == CONNECTION_OK && r && PQresultStatus(r) == PGRES_COMMAND_OK;
    if (!ok) fehler = PQerrorMessage(c);
    PQclear(r);
    PQfinish(c);
    return ok;
}

#define EQ(a, b) EXPECT_EQ(a, b)
#define SEQ(a, b) EXPECT_EQ(std::string((a).view()), std::string(b))
#define CHECK(c) EXPECT_TRUE(c)

void alleAnweisungen(const std::string& uri, const char* schema, bool older) {
    BsmOvaOve_Aktiv = 1;
    PlgOptOpl_Aktiv = 1;
    ASSERT_EQ(dbConnect("dorvelian", "dorvelian", uri.c_str(), schema), 0);

    // Plan groups.
    Dvm701Plg plg; plg.PlgPlg = "P1";
    EQ(Plg_PKey_Read(plg, 1), 0);
    SEQ(plg.PlgTxt, "Gruppe eins"); SEQ(plg.PlgKal, "K1"); EQ(plg.PlgHzt, 7);
    SEQ(plg.PlgDat, S("20261201101112").c_str()); SEQ(plg.PlgPdt, S("20261202000001").c_str()); SEQ(plg.PlgBeg, S("20261203235959").c_str());
    SEQ(plg.PlgUsr, "usr"); SEQ(plg.PlgPgm, "pgm"); EQ(plg.PlgFts, 4); EQ(plg.PlgQu, 1); EQ(plg.PlgAr, 0);
    EQ(PlgOptOpl_Aktiv, older ? 0 : 1);
    EQ(Plg_PKey_Read(plg, 2), 0); EQ(plg.PlgQu, 0); EQ(plg.PlgAr, 1);
    EQ(Plg_PKey_Read(plg, 3), 0); EQ(plg.PlgRe, 1);
    EQ(Plg_PKey_Read(plg, 4), 0); EQ(plg.PlgRe, 0);
    Dvm701Plg p0; p0.PlgPlg = "P0";
    EQ(Plg_PKey_Read(p0, 1), 0);
    Dvm701Plg none; none.PlgPlg = "PX";
    EQ(Plg_PKey_Read(none, 1), 1403);
    plg.PlgTxt = "neu"; plg.PlgDat = S("20261224183000").c_str(); plg.PlgPgm = ""; plg.PlgBeg = "";
    EQ(Plg_PKey_Upd(plg), 0);
    Dvm701Plg back; back.PlgPlg = "P1";
    EQ(Plg_PKey_Read(back, 1), 0); SEQ(back.PlgTxt, "neu"); SEQ(back.PlgDat, S("20261224183000").c_str()); SEQ(back.PlgBeg, ""); SEQ(back.PlgPgm, "");
    Dvm701Plg bad = plg; bad.PlgPlg = "PX";
    EQ(Plg_PKey_Upd(bad), 1403);
    int32_t hzt = 0;
    EQ(Plg_Hzt_Read("P1", hzt), 0); EQ(hzt, 7);
    EQ(Plg_Cur_Open(), 0);
    Dvm701Plg c; int n = 0; std::string first;
    while (Plg_Cur_Read(c) == 0) { if (!n) first = std::string(c.PlgPlg.view()); ++n; }
    EQ(n, 2); CHECK(first == "P0"); EQ(Plg_Cur_Close(), 0);

    // Calendar.
    BakSatz bak; bak.Datum = S("20261215").c_str(); bak.Tage = 3;
    EQ(Bak_Datum_Read(bak), 0); SEQ(bak.Datum, S("20261218").c_str());
    EQ(bak.BakJhr, std::stoi(S("20261218").substr(0, 4))); EQ(bak.BakMon, std::stoi(S("20261218").substr(4, 2)));
    EQ(bak.BakTag, std::stoi(S("20261218").substr(6, 2)));
    FixText<9> maxd;
    EQ(Bak_MaxDatum_Read(maxd), 0); SEQ(maxd, S("20271231").c_str());
    int32_t wtg = -1;
    EQ(Bak_Wtg_Read(S("20261215").c_str(), wtg), 0); EQ(wtg, isoWochentag(S("20261215")));
    FixText<4> ttp; int32_t gwt = 0;
    EQ(Pka_PKey_Read("P1", S("20261215").c_str(), ttp, gwt), 0); SEQ(ttp, "FT"); EQ(gwt, 2);
    EQ(Pka_PKey_Read("P1", S("20261216").c_str(), ttp, gwt), 1403);

    // Person.
    PnrSatz ps; PnrSatz_Init(ps); ps.Pnr = "00000001"; ps.Datum = S("20261215").c_str(); ps.Plg = "P1";
    EQ(Komplett_PnrSatz(ps), 0); SEQ(ps.PbvEso, "E1"); SEQ(ps.PbvSst, "S1"); EQ(ps.PbvZrm, 2); EQ(ps.PgzAzk, 10); EQ(ps.PgzRzk, 11);
    EQ(Ztg_AbzTag_Read(ps), 0); SEQ(ps.ZtgAzt, "M1"); SEQ(ps.ZtgKst, "KST1"); SEQ(ps.PkaTtp, "FT"); EQ(ps.RahmenVon, 300); EQ(ps.RahmenBis, 1200);
    EQ(Ztg_ErsCur_Open("00000001", S("20261215").c_str()), 0);
    n = 0; while (Ztg_ErsCur_Read(ps) == 0) { ++n; SEQ(ps.ZtgAzt, "M2"); EQ(ps.RahmenVon, 350); }
    EQ(n, 1); EQ(Ztg_ErsCur_Close(), 0);
    EQ(Qzp_PnrQlf_Read(ps, "Q1", S("20261215").c_str()), 0);
    EQ(Qzp_PnrQlf_Read(ps, "Q2", S("20261215").c_str()), 1403);
    EQ(Qea_Qlf2Esa_Open("A1"), 0);
    FixText<6> q; n = 0; while (Qea_Qlf2Esa_Read(q) == 0) ++n; EQ(n, 2); EQ(Qea_Qlf2Esa_Close(), 0);
    EQ(Pss_Wrt_Read(ps), 0); CHECK(ps.PssWrt == 12.5);
    ps.PbvSst = "S2"; ps.PssWrt = 9;
    EQ(Pss_Wrt_Read(ps), 0); CHECK(ps.PssWrt == 0.0);
    PnrSatz nob; PnrSatz_Init(nob); nob.Pnr = "00000009"; nob.Datum = S("20261215").c_str(); nob.Plg = "P1";
    EQ(Komplett_PnrSatz(nob), 1403);

    // Deployment records.
    EQ(TagArbZt_Brutto(ps), 0); EQ(ps.ArbZtBrutto, 480);
    nob.ArbZtBrutto = 5; EQ(TagArbZt_Brutto(nob), 0); EQ(nob.ArbZtBrutto, 0);
    Dvm725Bsm slot; slot.BsmPlg = "P1"; slot.BsmEso = "E1"; slot.BsmEsa = "A1"; slot.BsmBdt = S("20261215").c_str(); slot.BsmSzv = 1320; slot.BsmAsw = 1;
    EQ(Bdp_BszPnr_Open(slot), 0);
    Dvm730Bdp bdp; std::string order;
    while (Bdp_BszPnr_Read(bdp) == 0) { order += std::string(bdp.BdpPnr.view()).substr(7) + ","; }
    CHECK(order == "2,1,");
    EQ(Bdp_BszPnr_Close(), 0);
    EQ(Bdp_PnrDat_Open("00000001", S("20261215").c_str()), 0);
    Dvm730Bdp pd; pd.BdpDat = "keep";
    EQ(Bdp_PnrDat_Read(pd), 0); SEQ(pd.BdpBdt, S("20261215").c_str()); SEQ(pd.BdpDat, "keep"); CHECK(pd.BdpKos == 10.25); SEQ(pd.BdpFc1, "   "); SEQ(pd.BdpSts, " ");
    EQ(Bdp_PnrDat_Read(pd), 1403); EQ(Bdp_PnrDat_Close(), 0);
    EQ(Bdp_PnrDat_Open("00000004", S("20261215").c_str()), 0); EQ(Bdp_PnrDat_Read(pd), 1403); EQ(Bdp_PnrDat_Close(), 0);
    EQ(Bdp_VorNchBsz_Open(ps), 0);
    order.clear(); Dvm730Bdp vn;
    while (Bdp_VorNchBsz_Read(vn) == 0) order += std::string(vn.BdpBdt.view()) + "/" + std::string(vn.BdpDat.view()) + ",";
    CHECK(order == S("20261214") + "/," + S("20261215") + "/" + S("20261211010203") + "," + S("20261216") + "/,");
    EQ(Bdp_VorNchBsz_Close(), 0);
    BszZaehlSatz z; z.Datum = S("20261215").c_str(); z.Plg = "P1"; z.Eso = "E1"; z.Esa = "A1"; z.Asw = 1; z.Szv = 1320; z.Szb = 360;
    EQ(Bdp_Bsz_Count(z), 0);
    // not O/D: 1,2,3,5,6 (5 is inactive but counted: the counts do not look at BdpAkt)
    EQ(z.AnzZtGleich, 4); EQ(z.AnzZtAbw, 1); EQ(z.AnzGesamt, 5); EQ(z.AnzFc1, 1); EQ(z.AnzFc2, 0); EQ(z.AnzStsUM, 1); EQ(z.AnzKos, 3);
    EQ(z.SumId1, 1 + 2 + 4 + 16 + 32);
    CHECK(z.SumKos == 10.25 + 0 + 0 + 2); CHECK(z.SumKosOhneM == 10.25 + 5 + 2);
    BszZaehlSatz ze; ze.Datum = S("20261201").c_str(); ze.Plg = "P1"; ze.Eso = "E1"; ze.Esa = "A1"; ze.Asw = 1; ze.Szv = 1; ze.Szb = 2; ze.AnzKos = 9;
    EQ(Bdp_Bsz_Count(ze), 0); EQ(ze.AnzKos, 0); CHECK(ze.SumKos == 0.0);

    // Staffing matrix.
    EQ(Bsm_PlgUntC_Open("P1", S("20261215").c_str()), 0);
    Dvm725Bsm b; std::string f;
    while (Bsm_PlgUntC_Read(b) == 0) f += std::to_string(b.BsmFkt) + ",";
    CHECK(f == "-3,-1,"); EQ(Bsm_PlgUntC_Close(), 0);
    EQ(BsmOvaOve_Aktiv, older ? 0 : 1);
    EQ(Bsm_EsoUntC_Open("P1", "E1", S("20261215").c_str()), 0); n = 0; while (Bsm_EsoUntC_Read(b) == 0) ++n; EQ(n, 2); EQ(Bsm_EsoUntC_Close(), 0);
    EQ(Bsm_EsaUntC_Open("P1", "E1", "A1", S("20261215").c_str()), 0);
    EQ(Bsm_EsaUntC_Read(b), 0); EQ(b.BsmFkt, -3); SEQ(b.BsmBdt, S("20261215").c_str()); SEQ(b.BsmDat, S("20261210080910").c_str()); CHECK(b.BsmKos == 1.5); SEQ(b.BsmTtp, "WT");
    EQ(Bsm_EsaUntC_Close(), 0);
    Dvm725Bsm unt = b;
    EQ(Bsm_PlgUebC_Open(unt), 0); f.clear(); while (Bsm_PlgUebC_Read(b) == 0) f += std::to_string(b.BsmFkt) + ","; CHECK(f == "5,2,"); EQ(Bsm_PlgUebC_Close(), 0);
    EQ(Bsm_EsoUebC_Open(unt), 0); n = 0; while (Bsm_EsoUebC_Read(b) == 0) ++n; EQ(n, 2); EQ(Bsm_EsoUebC_Close(), 0);
    EQ(Bsm_EsaUebC_Open(unt), 0); f.clear(); while (Bsm_EsaUebC_Read(b) == 0) f += std::to_string(b.BsmFkt) + ","; CHECK(f == "2,"); EQ(Bsm_EsaUebC_Close(), 0);
    EQ(Bsm_PlgVonBis_Open("P1", S("20261215").c_str(), S("20261216").c_str()), 0); n = 0; while (Bsm_PlgVonBis_Read(b) == 0) ++n; EQ(n, 6); EQ(Bsm_PlgVonBis_Close(), 0);
    EQ(Bsm_EsoVonBis_Open("P1", "E1", S("20261216").c_str(), S("20261216").c_str()), 0); n = 0; while (Bsm_EsoVonBis_Read(b) == 0) ++n; EQ(n, 1); EQ(Bsm_EsoVonBis_Close(), 0);
    EQ(Bsm_EsaVonBis_Open("P1", "E1", "A2", S("20261201").c_str(), S("20261231").c_str()), 0); n = 0; while (Bsm_EsaVonBis_Read(b) == 0) { ++n; EQ(b.BsmOva, 0); } EQ(n, 1); EQ(Bsm_EsaVonBis_Close(), 0);
    unt.BsmIst = 7; unt.BsmFkt = -2; unt.BsmOva = 3; unt.BsmErf = "OPTIMIERUNG";
    EQ(Bsm_PKeyUpd(unt), 0);
    EQ(Bsm_EsaUntC_Open("P1", "E1", "A1", S("20261215").c_str()), 0); EQ(Bsm_EsaUntC_Read(b), 0); EQ(b.BsmFkt, -2); EQ(b.BsmIst, 7); EQ(b.BsmOva, older ? 0 : 3);
    CHECK(std::string(b.BsmDat.view()) != S("20261210080910").c_str()); EQ(Bsm_EsaUntC_Close(), 0);
    Dvm725Bsm gone = unt; gone.BsmSzv = 1;
    EQ(Bsm_PKeyUpd(gone), 1403);
    Dvm720Bss bss; bss.BssPlg = "P1"; bss.BssEso = "E1"; bss.BssEsa = "A1"; bss.BssTtp = "WT"; bss.BssVon = 360; bss.BssAsw = 1;
    EQ(Bss_PKeyRead(bss), 0); EQ(bss.BssBis, 840); EQ(bss.BssMax, 4); EQ(bss.BssMin, 2); SEQ(bss.BssTxt, "Frueh"); CHECK(bss.BssMwt == 1.25);

    // Proposals.
    Dvm735Bdk k; k.BdkKey = "0123456789abcdef0123456789abcdef"; k.BdkLfd = 1; k.BdkPnr = "00000001"; k.BdkBdt = S("20261215").c_str();
    k.BdkEso = "E1"; k.BdkEsa = "A1"; k.BdkSzv = 1320; k.BdkAsw = 1; k.BdkOso = "E1"; k.BdkOsa = "A1"; k.BdkOsv = 360; k.BdkOsw = 1;
    k.BdkSta = 9; k.BdkErf = "OPTIMIERUNG"; k.BdkFc1 = "   "; k.BdkZvo = S("20261215").c_str();
    EQ(Bdk_Insert(k), 0); EQ(Bdk_Insert(k), 0);
    Dvm735Bdk k2 = k; k2.BdkErf = "HAND"; EQ(Bdk_Insert(k2), 0);
    Dvm735Bdk kbad = k; kbad.BdkBdt = ""; CHECK(Bdk_Insert(kbad) < 0);
    int32_t anz = -1, aus = -1, ein = -1;
    Dvm730Bdp who; who.BdpPnr = "00000001"; who.BdpEso = "E1"; who.BdpEsa = "A1"; who.BdpBdt = S("20261215").c_str(); who.BdpSzv = 1320;
    EQ(Bdk_isPnrVerplant(who, anz), 0); EQ(anz, 3);
    Dvm725Bsm from = slot; EQ(Count_OptVorschlaege(from, aus, ein), 0); EQ(aus, 2); EQ(ein, 0);
    Dvm725Bsm to = slot; to.BsmSzv = 360; EQ(Count_OptVorschlaege(to, aus, ein), 0); EQ(aus, 0); EQ(ein, 2);

    // Errors.
    Dvm746Err e; e.ErrPlg = "P1"; e.ErrKng = "OPT"; e.ErrLfn = 1; e.ErrBdt = S("20261215").c_str(); e.ErrJbd = S("20261215101010").c_str(); e.ErrJbk = "k";
    EQ(Err_Insert(e), 0);
    Dvm746Err en = e; en.ErrBdt = ""; EQ(Err_Insert(en), 0);
    Laufkontext lk; lk.Von = S("20261201").c_str(); lk.Bis = S("20261231").c_str();
    EQ(Err_Delete(lk, "P1", "OPT"), 0);
    EQ(Err_Delete(lk, "P1", "OPT"), 1403);
    lk.Eso = "E1"; EQ(Err_Delete(lk, "P1", "BSM"), 1403);
    lk.Eso = ""; lk.Esa = "A9"; EQ(Err_Delete(lk, "P1", "BSM"), 0);

    db::disconnect();
}

// Both layouts in one case: they share the central calendar schema.
TEST(Postgres, EveryStatementDeliversWhatItShouldInBothLayouts) {
    const std::string server = testdb::postgresUri();
    if (server.empty()) GTEST_SKIP() << testdb::skipReason();
    const char* uri = server.c_str();
    for (bool older : {false, true}) {
        SCOPED_TRACE(older ? "older layout" : "newer layout");
        const char* schema = older ? "pgtest_old" : "pgtest";
        std::string fehler;
        ASSERT_TRUE(laden(uri, schema, older, fehler)) << fehler;
        alleAnweisungen(uri, schema, older);
    }
    BsmOvaOve_Aktiv = 1;
    PlgOptOpl_Aktiv = 1;
}

}  // namespace
