// The two ways of reading a day's understaffed rows must decide alike: on
// random plans of many shapes the plain re-reading and the memory of the day
// (optim/Scan.cpp) leave the same proposals in the same order (every column
// but the random key and the time stamp), the same staffing-matrix rows, the
// same error rows and the same run-log messages in the same order.
//
// Shapes: one to three plan groups at the levels PLG, ESO and ESA; narrow
// plans and wide ones with units whose slots are all short; persons of
// assignment kind 3, function-coded, inactive, changed and placeholder
// deployments; open proposals of earlier runs into and out of slots; slot
// kinds 1 to 3; plan-group, unit and workplace scans; now and then a missing
// target row or working-time entry (each logged by the person review) and a
// matrix whose stored deviations disagree with its deployments. The person
// choice (first, first-fitting, fitting-only) and the minimum pass (off, on)
// vary with the seed.
// The default case runs 30 plans on SQLite (DORVELIAN_SCANPATH_PLANS sets
// another number) and a tenth of them on the server; the long series
// (LangeReihe, CTest label long, only with DORVELIAN_LONG=1) runs 200 and 20
// other plans.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "db/Bsm.hpp"
#include "db/Err.hpp"
#include "db/Plg.hpp"
#include "demoplan/Modell.hpp"
#include "optim/Nachzaehlung.hpp"
#include "optim/Scan.hpp"
#include "run/Einsatzplan.hpp"
#include "base/Laufeinstellungen.hpp"
#include "base/Laufkontext.hpp"
#include "base/Log.hpp"
#include "base/Zufall.hpp"
#include "support/TestDb.hpp"

namespace {

using testdb::jd;
using Liste = std::vector<std::string>;

std::string q(const std::string& s) { return "'" + s + "'"; }
std::string n(long v) { return std::to_string(v); }

struct SlotArt {
    int szv, szb, asw;
    const char* bsz;
};
// The demo plan's early, late, night and middle slots, and a slot of kind 3,
// which the demo plan does not have: its rows are neither served nor donors.
constexpr SlotArt vomDemoplan(const demoplan::Schicht& s) { return {s.von, s.bis, s.asw, s.bsz}; }
const SlotArt kSlots[] = {vomDemoplan(demoplan::kSchicht[0]), vomDemoplan(demoplan::kSchicht[1]),
                          vomDemoplan(demoplan::kSchicht[2]), vomDemoplan(demoplan::kSchicht[3]),
                          {480, 960, 3, "B"}};

// Rows collected for one table, written as multi-row inserts.
class Einfuegen {
public:
    Einfuegen(testdb::TestDb& db, std::string kopf) : db_(db), kopf_(std::move(kopf)) {}
    ~Einfuegen() { los(); }
    void zeile(const std::string& werte) {
        werte_ += (werte_.empty() ? "" : ",") + ("(" + werte + ")");
        if (++anzahl_ >= 200) los();
    }
    void los() {
        if (!werte_.empty()) db_.exec(kopf_ + " values " + werte_);
        werte_.clear();
        anzahl_ = 0;
    }

private:
    testdb::TestDb& db_;
    std::string kopf_;
    std::string werte_;
    int anzahl_ = 0;
};

struct Ergebnis {
    Liste vorschlaege, matrix, fehler, meldungen;
};

// One random plan, written the same way for each path from its seed.
class Plan {
public:
    explicit Plan(unsigned seed) : seed_(seed) {}

    // Writes the plan into db and runs every plan group with the chosen scan.
    Ergebnis laufen(testdb::TestDb& db, bool einfach) {
        std::mt19937 r(seed_);
        auto zahl = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(r); };
        auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(r) < p; };

        BsmOvaOve_Aktiv = 1;
        PlgOptOpl_Aktiv = 1;
        db.fillCalendar(5, 10);
        Log_Pfade_Setzen(db.dir() + "/pfad.log", db.dir() + "/pfad.bak");
        Zufall_Seed(seed_);
        const std::string ab = jd(testdb::dayOffset(-30));
        db.exec("insert into Dvm140Azv values ('M1', " + ab + ", null, 360, 1080, 0, 1439, 480)");
        db.exec("insert into Dvm140Azv values ('M2', " + ab + ", null, 360, 600, 360, 600, 240)");

        const bool breit = chance(0.4);
        const int plgs = zahl(1, 3);
        const int tage = zahl(1, 2);
        const bool verfaelscht = chance(0.15);  // stored deviations disagree with the deployments
        const int anzSlots = zahl(1, 5);
        for (int t = 0; t < tage; ++t)
            db.exec("insert into Dvm133Ka2 values ('01', " + jd(testdb::dayOffset(t)) + ", 'WT', 'WT', 0)");

        struct Lauf {
            std::string plg, eso, esa;
        };
        std::vector<Lauf> laeufe;
        for (int g = 1; g <= plgs; ++g) {
            const std::string plg = "G" + n(g);
            db.exec("insert into Dvm701Plg (PlgPlg, PlgKal, PlgHzt, PlgOpl, PlgQu2, PlgAr2, PlgRu2, PlgMe2) values (" +
                    q(plg) + ", '01', 1, " + n(zahl(1, 3)) + ", " + n(zahl(0, 1)) + ", " + n(zahl(0, 1)) + ", " +
                    n(zahl(0, 1)) + ", " + n(zahl(0, 1)) + ")");
            Einfuegen bsm(db, "insert into Dvm725Bsm (BsmBdt, BsmEso, BsmEsa, BsmSzv, BsmSzb, BsmBsz, BsmTtp, BsmSol, "
                              "BsmMin, BsmMax, BsmIst, BsmPlg, BsmFkt, BsmAsw, BsmOva, BsmOve)");
            Einfuegen bss(db, "insert into Dvm720Bss (BssPlg, BssEso, BssEsa, BssTtp, BssVon, BssBis, BssBsz, BssSol, "
                              "BssMax, BssMin, BssAsw)");
            Einfuegen pbv(db, "insert into Dvm710Pbv");
            Einfuegen pgz(db, "insert into Dvm712Pgz");
            Einfuegen ztg(db, "insert into Dvm329Ztg");
            Einfuegen bdp(db, "insert into Dvm730Bdp (BdpPnr, BdpBdt, BdpEso, BdpEsa, BdpSzv, BdpSzb, BdpBsz, BdpTtp, "
                              "BdpZtv, BdpZtb, BdpFc1, BdpFc2, BdpFc3, BdpPlg, BdpAsw, BdpSts, BdpSta, BdpAzt, BdpRnd, "
                              "BdpAkt, BdpKos)");
            Einfuegen bdk(db, "insert into Dvm735Bdk (BdkKey, BdkLfd, BdkPnr, BdkBdt, BdkEso, BdkEsa, BdkSzv, BdkAsw, "
                              "BdkOso, BdkOsa, BdkOsv, BdkOsw, BdkSta, BdkErf)");
            const int einheiten = breit ? zahl(6, 16) : zahl(1, 3);
            const int plaetze = zahl(1, 3);
            for (int e = 1; e <= einheiten; ++e) {
                const std::string eso = "E" + n(g) + (e < 10 ? "0" : "") + n(e);
                const bool hungrig = breit && chance(0.25);  // every slot short, none over
                for (int w = 1; w <= plaetze; ++w) {
                    const std::string esa = "A" + eso.substr(1) + n(w);
                    pgz.zeile(q(plg) + ", " + q(eso) + ", " + q(esa) + ", 10, 11");
                    const int personen = 36;  // more than the deployments of a workplace a day
                    for (int k = 1; k <= personen; ++k) {
                        const std::string pnr = "P" + esa.substr(1) + (k < 10 ? "0" : "") + n(k);
                        const int awp = chance(0.15) ? 3 : (chance(0.2) ? 2 : 1);
                        pbv.zeile(q(pnr) + ", " + jd(testdb::dayOffset(-10)) + ", null, " + n(zahl(1, 2)) + ", " +
                                  q(eso) + ", " + q(esa) + ", " + n(awp) + ", null");
                        for (int t = 0; t < tage; ++t)
                            if (!chance(0.03))
                                ztg.zeile(q(pnr) + ", " + jd(testdb::dayOffset(t)) + ", " +
                                          q(chance(0.8) ? "M1" : "M2") + ", 'K1', null");
                    }
                    std::vector<int> naechste(static_cast<std::size_t>(tage), 0);
                    for (int s = 0; s < anzSlots; ++s) {
                        const SlotArt& sa = kSlots[s];
                        const int sol = zahl(0, 4);
                        const int min = std::max(0, sol - zahl(0, 1));
                        const int max = sol + zahl(0, 2);
                        if (!chance(0.04))
                            bss.zeile(q(plg) + ", " + q(eso) + ", " + q(esa) + ", 'WT', " + n(sa.szv) + ", " +
                                      n(sa.szb) + ", " + q(sa.bsz) + ", " + n(sol) + ", " + n(max) + ", " + n(min) +
                                      ", " + n(sa.asw));
                        for (int t = 0; t < tage; ++t) {
                            const std::string tag = jd(testdb::dayOffset(t));
                            bsm.zeile(tag + ", " + q(eso) + ", " + q(esa) + ", " + n(sa.szv) + ", " + n(sa.szb) +
                                      ", " + q(sa.bsz) + ", 'WT', " + n(sol) + ", " + n(min) + ", " + n(max) +
                                      ", 0, " + q(plg) + ", 0, " + n(sa.asw) + ", 0, 0");
                            const int anz = hungrig ? zahl(0, std::max(0, sol - 1)) : std::max(0, sol + zahl(-2, 3));
                            for (int i = 0; i < anz; ++i) {
                                // The workplace's persons in turn, so that nobody works twice a day.
                                const int k = naechste[static_cast<std::size_t>(t)]++ % personen + 1;
                                const std::string pnr = "P" + esa.substr(1) + (k < 10 ? "0" : "") + n(k);
                                const char* fc[3] = {"   ", "   ", "   "};
                                if (chance(0.06)) fc[zahl(0, 2)] = "SLT";
                                const char* sts = chance(0.9) ? " " : (chance(0.5) ? "U" : (chance(0.5) ? "O" : "D"));
                                const int akt = chance(0.05) ? 9999 : 1;
                                const std::string zeiten =
                                    chance(0.05) ? n(sa.szv + 60) + ", " + n(sa.szb) : n(sa.szv) + ", " + n(sa.szb);
                                bdp.zeile(q(pnr) + ", " + tag + ", " + q(eso) + ", " + q(esa) + ", " + n(sa.szv) +
                                          ", " + n(sa.szb) + ", " + q(sa.bsz) + ", 'WT', " + zeiten + ", " + q(fc[0]) +
                                          ", " + q(fc[1]) + ", " + q(fc[2]) + ", " + q(plg) + ", " + n(sa.asw) +
                                          ", " + q(sts) + ", " + n(chance(0.03) ? 1 : 0) + ", 480, " + n(i + 1) +
                                          ", " + n(akt) + ", " + n(zahl(0, 90)) + ".5");
                                if (chance(0.08)) {
                                    // An earlier proposal out of this slot: open, closed or of another origin.
                                    const int sta = chance(0.8) ? 9 : 1;
                                    const char* erf = chance(0.9) ? "OPTIMIERUNG" : "PLANER";
                                    bdk.zeile("'ALT', 1, " + q(pnr) + ", " + tag + ", " + q(eso) + ", " + q(esa) +
                                              ", " + n(sa.szv) + ", " + n(sa.asw) + ", " + q(eso) + ", " + q(esa) +
                                              ", " + n(kSlots[zahl(0, anzSlots - 1)].szv) + ", " + n(sa.asw) + ", " +
                                              n(sta) + ", " + q(erf));
                                }
                            }
                        }
                    }
                }
            }
            bsm.los();
            bss.los();
            pbv.los();
            pgz.los();
            ztg.los();
            bdp.los();
            bdk.los();

            // The program's own recount makes the stored figures agree with
            // the deployments and the open proposals.
            std::vector<Dvm725Bsm> zeilen;
            Dvm725Bsm z;
            Bsm_PlgVonBis_Open(plg.c_str(), testdb::dayOffset(0).c_str(), testdb::dayOffset(tage - 1).c_str());
            while (Bsm_PlgVonBis_Read(z) == 0) zeilen.push_back(z);
            Bsm_PlgVonBis_Close();
            for (Dvm725Bsm& b : zeilen) Update_BsmSatz(b);

            const int scan = zahl(0, 4);  // plan group three times in five, unit, workplace
            Lauf l{plg, "", ""};
            if (scan >= 3) l.eso = "E" + n(g) + "0" + n(zahl(1, std::min(einheiten, 9)));
            if (scan == 4) l.esa = "A" + l.eso.substr(1) + n(zahl(1, plaetze));
            laeufe.push_back(l);
        }
        if (verfaelscht)
            db.exec("update Dvm725Bsm set BsmFkt = BsmFkt + " + n(zahl(-150, 150)) + " where BsmSzv = " +
                    n(kSlots[zahl(0, anzSlots - 1)].szv) + " and BsmEso like '%" + n(zahl(0, 9)) + "'");

        Log_Write("start");  // the log exists even when the run writes nothing
        Scan_Einfach_Setzen(einfach);
        Laufkontext lk;
        lk.Usr = "planer";
        lk.PlanBeg = testdb::dayOffset(0).c_str();
        lk.PlanEnd = testdb::dayOffset(tage - 1).c_str();
        lk.Zeitstempel = (testdb::today() + "063000").c_str();
        lk.Jbd = "JOB";
        lk.Jbk = "KEY";
        Dvm746Err err;
        Laufeinstellungen& einst = Einstellungen();
        const Laufeinstellungen vorher = einst;
        einst.wahl[static_cast<int>(Einstellung::Personenwahl)] = static_cast<int>(seed_ % 3);
        einst.wahl[static_cast<int>(Einstellung::Mindestdurchgang)] = static_cast<int>(seed_ / 3 % 2);
        for (const Lauf& l : laeufe) Einsatzplan_Optimieren(lk, l.plg.c_str(), l.eso.c_str(), l.esa.c_str(), err);
        einst = vorher;
        Scan_Einfach_Setzen(false);

        Ergebnis e;
        for (const auto& z : db.rows("select " + kBdk + " from Dvm735Bdk order by rowid")) e.vorschlaege.push_back(text(z));
        for (const auto& z : db.rows("select " + kBsm + " from Dvm725Bsm order by BsmPlg, BsmEso, BsmEsa, BsmBdt, "
                                     "BsmSzv, BsmAsw"))
            e.matrix.push_back(text(z));
        for (const auto& z : db.rows("select " + kErr + " from Dvm746Err order by ErrPlg, ErrKng, ErrLfn"))
            e.fehler.push_back(text(z));
        e.meldungen = testdb::logMessages(db.dir() + "/pfad.log");
        return e;
    }

private:
    static std::string text(const std::vector<std::string>& z) {
        std::string s;
        for (const auto& w : z) s += w + "|";
        return s;
    }
    // Every column but the proposal key and the time stamps.
    inline static const std::string kBdk =
        "BdkLfd,BdkPnr,BdkBdt,BdkEso,BdkEsa,BdkSzv,BdkSzb,BdkBsz,BdkJhr,BdkMon,BdkWoc,BdkJwc,BdkTtp,BdkTag,BdkZtv,"
        "BdkZtb,BdkKst,BdkFc1,BdkFc2,BdkFc3,BdkOso,BdkOsa,BdkOsv,BdkOsb,BdkOsz,BdkPlg,BdkAsw,BdkSts,BdkFnr,BdkSta,"
        "BdkTxt,BdkErf,BdkAzt,BdkId1,BdkId2,BdkId3,BdkId4,BdkId5,BdkId6,BdkId7,BdkId8,BdkAkt,BdkRnd,BdkOsw,BdkZvo,"
        "BdkZbi";
    inline static const std::string kBsm =
        "BsmBdt,BsmEso,BsmEsa,BsmSzv,BsmSzb,BsmBsz,BsmJhr,BsmMon,BsmWoc,BsmJwc,BsmTag,BsmTtp,BsmSol,BsmMin,BsmMax,"
        "BsmIst,BsmPlg,BsmHtg,BsmHtv,BsmHtn,BsmKng,BsmFkt,BsmAsw,BsmSta,BsmErf,BsmId1,BsmId2,BsmId3,BsmId4,BsmId5,"
        "BsmId6,BsmId7,BsmId8,BsmKor,BsmKos,BsmKo2,BsmOva,BsmOve";
    inline static const std::string kErr =
        "ErrPlg,ErrKng,ErrLfn,ErrPnr,ErrEso,ErrEsa,ErrKnz,ErrBdt,ErrZtv,ErrZtb,ErrFnr,ErrErf,ErrJbd,ErrJbk";
    unsigned seed_;
};

int anzahlPlaene() {
    const char* e = std::getenv("DORVELIAN_SCANPATH_PLANS");
    return e && *e ? std::max(1, std::atoi(e)) : 30;
}

// Runs the plans of one backend; returns how many of them wrote proposals,
// logged messages beyond the start line, or left error rows.
void vergleichen(testdb::Backend backend, unsigned erster, int plaene, int& mitVorschlag, int& mitMeldung,
                 int& mitFehler, int& mitMindest) {
    for (int i = 0; i < plaene; ++i) {
        const unsigned seed = erster + static_cast<unsigned>(i);
        SCOPED_TRACE("plan seed " + n(seed));
        Ergebnis a, b;
        {
            testdb::TestDb db(backend);
            a = Plan(seed).laufen(db, true);
        }
        {
            testdb::TestDb db(backend);
            b = Plan(seed).laufen(db, false);
        }
        ASSERT_EQ(a.vorschlaege, b.vorschlaege);
        ASSERT_EQ(a.matrix, b.matrix);
        ASSERT_EQ(a.fehler, b.fehler);
        ASSERT_EQ(a.meldungen, b.meldungen);
        ASSERT_FALSE(a.matrix.empty());
        if (!a.vorschlaege.empty()) ++mitVorschlag;
        for (const std::string& v : a.vorschlaege)
            if (v.find("|MINDESTDURCHGANG|") != std::string::npos) {
                ++mitMindest;
                break;
            }
        if (a.meldungen.size() > 1) ++mitMeldung;
        if (!a.fehler.empty()) ++mitFehler;
    }
}

class ScanWege : public testdb::BackendTest {};
TESTDB_INSTANTIATE_BOTH(ScanWege);

void reihe(testdb::Backend backend, unsigned erster, int plaeneSqlite) {
    const int plaene = backend == testdb::Backend::Postgres ? std::max(1, plaeneSqlite / 10) : plaeneSqlite;
    int mitVorschlag = 0, mitMeldung = 0, mitFehler = 0, mitMindest = 0;
    vergleichen(backend, erster, plaene, mitVorschlag, mitMeldung, mitFehler, mitMindest);
    // The minimum pass, on in half of the plans, writes in some of them.
    EXPECT_GT(mitMindest, 0);
    // The plans are varied enough to matter: most of them propose, and some
    // runs log messages that the memory path must repeat as often as the plain one.
    EXPECT_GT(mitVorschlag, plaene / 2);
    EXPECT_GT(mitFehler, plaene / 2);
    if (plaene >= 20) {
        EXPECT_GT(mitMeldung, 0);
    }
}

TEST_P(ScanWege, BeideWegeHinterlassenDieselbenZeilenUndMeldungen) { reihe(backend(), 7000, anzahlPlaene()); }

TEST_P(ScanWege, LangeReihe) {
    const char* lang = std::getenv("DORVELIAN_LONG");
    if (lang == nullptr || std::string(lang) != "1") GTEST_SKIP() << "the long series runs with DORVELIAN_LONG=1";
    reihe(backend(), 100000, 200);
}

}  // namespace
