// The writers of the demo plan generator (see demoplan/Schreiber.hpp).
#include "demoplan/Schreiber.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <regex>
#include <vector>

#include "db/Bsm.hpp"
#include "db/Connect.hpp"
#include "db/JulianDate.hpp"
#include "db/Runtime.hpp"
#include "demoplan/DemoPostgres.hpp"
#include "optim/Nachzaehlung.hpp"

namespace demoplan {

bool SkriptAusfuehren(Db& db, const std::string& ddl, const char* datei, bool bdpAktNull) {
    std::string sql;
    if (!DdlDateiLesen(ddl + "/" + datei, sql)) {
        db.fehler = "cannot read " + ddl + "/" + datei;
        return false;
    }
    if (bdpAktNull) {
        const std::string lose = std::regex_replace(sql, std::regex("(BdpAkt\\s+INTEGER\\s+)NOT NULL"), "$1");
        if (lose == sql) {
            db.fehler = "no NOT NULL on BdpAkt in " + ddl + "/" + datei;
            return false;
        }
        sql = lose;
    }
    return db.exec(sql.c_str());
}

bool NullenStreuen(Db& db, uint64_t seed) {
    const std::string s = std::to_string(seed % 1000);
    return db.exec(("UPDATE Dvm730Bdp SET BdpRnd = NULL WHERE (rowid * 7 + " + s + ") % 5 = 0").c_str()) &&
           db.exec(("UPDATE Dvm730Bdp SET BdpOsv = NULL WHERE (rowid * 11 + " + s + ") % 5 = 1").c_str()) &&
           db.exec(("UPDATE Dvm730Bdp SET BdpAzt = NULL WHERE (rowid * 13 + " + s + ") % 5 = 2").c_str()) &&
           db.exec(("UPDATE Dvm730Bdp SET BdpAkt = NULL WHERE (rowid * 17 + " + s + ") % 12 = 3").c_str());
}

// ---- the reference data -------------------------------------------------------

bool KalenderSchreiben(Db& db, const Plan& p) {
    Einfuegen bak(db,
                  "insert into DVMASTER.Dvm133Bak (BakDtm,BakJhr,BakMon,BakTag,BakWch,BakWtg,BakJtg) "
                  "values (?,?,?,?,?,?,?)");
    Einfuegen ka2(db, "insert into Dvm133Ka2 (Ka2Num,Ka2Dtm,Ka2Ttp,Ka2Ptp,Ka2Gwt) values (?,?,?,?,?)");
    const int64_t von = p.heute - 730, bis = p.heute + 730;
    for (int64_t t = von; t <= bis; ++t) {
        Datum d = Zivil(t);
        int woche = 0, wj = 0;
        IsoWoche(t, woche, wj);
        if (!bak.r(Julian(t)).i(d.jahr).i(d.monat).i(d.tag).i(woche).i(Wochentag(t)).i(Jahrestag(t)).los())
            return false;
        for (int k = 1; k <= 2; ++k) {
            Tagtyp tt = TagtypVon(k, t);
            char num[8];
            std::snprintf(num, sizeof num, "%03d", k);
            const bool ft = Feiertag(k, t);
            if (!ka2.t(num).r(Julian(t)).t(kTagtypText[tt]).t(ft ? "FT" : kTagtypText[tt]).i(ft ? 3 : tt + 1).los())
                return false;
        }
    }
    return true;
}

bool PlangruppenSchreiben(Db& db, const Plan& p) {
    Einfuegen plg(db,
                  "insert into Dvm701Plg (PlgPlg,PlgTxt,PlgKal,PlgHzt,PlgSta,PlgDat,PlgErf,PlgPdt,PlgPlr,"
                  "PlgPgm,PlgUsr,PlgBeg,PlgFts,"
                  "PlgQu1,PlgAr1,PlgRu1,PlgMe1,PlgAm1,PlgRe1,PlgQu2,PlgAr2,PlgRu2,PlgMe2,PlgAm2,PlgRe2,"
                  "PlgQu3,PlgAr3,PlgRu3,PlgMe3,PlgAm3,PlgRe3,PlgOpt,PlgOpl) "
                  "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    Einfuegen pka(db, "insert into Dvm755Pka (PkaPlg,PkaNum,PkaDtm,PkaTtp,PkaGwt) values (?,?,?,?,?)");
    const double geaendert = Julian(p.heute - 1) + 0.5;  // yesterday noon
    for (std::size_t g = 0; g < p.plg.size(); ++g) {
        const Plangruppe& pg = p.plg[g];
        char kal[8], txt[64];
        std::snprintf(kal, sizeof kal, "%03d", pg.kalender);
        std::snprintf(txt, sizeof txt, "Plangruppe %s %s", kPlgName[g % 7], pg.plg.c_str() + 2);
        // Rule switches of level 2: all on in the first plan group, one of
        // the four off in each of the others.
        int s2[4] = {1, 1, 1, 1};
        if (g > 0) s2[(g - 1) % 4] = 0;
        plg.t(pg.plg).t(txt).t(kal).i(pg.hzt).i(0).r(geaendert).t(kErfasser).r(geaendert).t(kErfasser);
        plg.null().null().null().i(0);
        plg.i(1).i(1).i(1).i(1).i(0).i(0);
        plg.i(s2[0]).i(s2[1]).i(s2[2]).i(s2[3]).i(0).i(0);
        plg.i(1).i(0).i(0).i(1).i(0).i(0);
        plg.i(1).i(pg.opl);
        if (!plg.los()) return false;

        // The plan group's own calendar: the public holidays of the year
        // around today, and a works holiday of its own.
        for (int64_t t = p.heute - 182; t <= p.heute + 182; ++t) {
            const bool betrieb = t == p.heute + 9 + static_cast<int64_t>(g);
            if (!Feiertag(pg.kalender, t) && !betrieb) continue;
            if (!pka.t(pg.plg).t(kal).r(Julian(t)).t(betrieb ? "BF" : "FT").i(1).los()) return false;
        }
    }
    return true;
}

bool ModelleSchreiben(Db& db, const Plan& p) {
    Einfuegen azv(db,
                  "insert into Dvm140Azv (AzvNum,AzvGvo,AzvGbi,AzvKev,AzvKeb,AzvGlv,AzvGlb,AzvSol) "
                  "values (?,?,?,?,?,?,?,?)");
    const Datum d = Zivil(p.heute);
    const int64_t neu = db::jd::daysFromCivil(d.jahr - 2, 1, 1);
    const int64_t alt = db::jd::daysFromCivil(2015, 1, 1);
    struct Modell {
        const char* num;
        int kev, keb, glv, glb, sol;
    } modelle[] = {{"F8", 360, 840, 300, 900, 480},      {"S8", 840, 1320, 780, 1380, 480},
                   {"N8", 1320, 360, 1260, 420, 480},    {kTeilzeitModell, 360, 600, 330, 720, 240},
                   {kFreiModell, 0, 0, 0, 0, 0},         {"M8", 600, 1080, 540, 1140, 480},
                   {"T8", 480, 960, 420, 1020, 480}};
    for (const Modell& m : modelle) {
        // The middle and the day slot's models exist in plans that use them.
        if ((std::strcmp(m.num, "M8") == 0 && p.schichten < 4) || (std::strcmp(m.num, "T8") == 0 && p.schichten < 5))
            continue;
        // The shift models had shorter breaks in an earlier version, which ended
        // when the current one began.
        if (m.sol == 480 &&
            !azv.t(m.num).r(Julian(alt)).r(Julian(neu - 1)).i(m.kev - 15).i(m.keb - 15).i(m.glv).i(m.glb).i(m.sol).los())
            return false;
        if (!azv.t(m.num).r(Julian(neu)).null().i(m.kev).i(m.keb).i(m.glv).i(m.glb).i(m.sol).los()) return false;
    }
    Einfuegen ers(db, "insert into Dvm162Ers (ErsAgr,ErsAzt,ErsAze) values (?,?,?)");
    const char* const paare[][3] = {{"SCH", "F8", "S8"},   {"SCH", "S8", "F8"},   {"SCH", "S8", "N8"},
                                    {"SCH", "N8", "S8"},   {"SCH", kFreiModell, "F8"}, {"SCH", kFreiModell, "S8"},
                                    {"SCH", kFreiModell, "N8"}, {"TZ", kTeilzeitModell, "F8"},
                                    {"TZ", kFreiModell, kTeilzeitModell}};
    for (const auto& e : paare)
        if (!ers.t(e[0]).t(e[1]).t(e[2]).los()) return false;

    Einfuegen pss(db, "insert into Dvm708Pss (PssKss,PssGvo,PssGbi,PssWrt) values (?,?,?,?)");
    const int64_t jahr = db::jd::daysFromCivil(d.jahr, 1, 1);
    const int64_t vorjahr = db::jd::daysFromCivil(d.jahr - 1, 1, 1);
    for (int g = 0; g < kAnzEntgelt; ++g) {
        const std::string kss = Entgeltschluessel(g);
        const double satz = Stundensatz(g);
        if (!pss.t(kss).r(Julian(vorjahr)).r(Julian(jahr - 1)).r(std::round(satz / 1.035 * 100) / 100).los())
            return false;
        if (!pss.t(kss).r(Julian(jahr)).null().r(satz).los()) return false;
    }
    return true;
}

bool PersonenSchreiben(Db& db, Zufall& z, const Plan& p) {
    Einfuegen pgz(db, "insert into Dvm712Pgz (PgzPlg,PgzEso,PgzEsa,PgzAzk,PgzRzk) values (?,?,?,?,?)");
    Einfuegen qea(db, "insert into Dvm717Qea (QeaEsa,QeaQfk) values (?,?)");
    Einfuegen bss(db,
                  "insert into Dvm720Bss (BssPlg,BssEso,BssEsa,BssTtp,BssVon,BssBis,BssBsz,BssTxt,BssSol,"
                  "BssMax,BssMin,BssMwt,BssVtg,BssAtg,BssKgw,BssKmw,BssAsw) "
                  "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    for (const Arbeitsplatz& a : p.platz) {
        const std::string& plg = p.plg[static_cast<std::size_t>(a.plg)].plg;
        if (!pgz.t(plg).t(a.eso).t(a.esa).i(a.azk).i(11).los()) return false;
        for (int q : a.qualis)
            if (!qea.t(a.esa).t(kQualifikation[q]).los()) return false;
        for (int t = 0; t < 3; ++t) {
            for (int s = 0; s < std::max(3, p.schichten); ++s) {
                const Schicht& sc = kSchicht[s];
                const Ziel& zl = a.ziel[t][s];
                if (!bss.t(plg).t(a.eso).t(a.esa).t(kTagtypText[t]).i(sc.von).i(sc.bis).t(sc.bsz).t(sc.text)
                         .i(zl.sol).i(zl.max).i(zl.min).r(0.0).i(0).i(0).i(0).i(0).i(sc.asw).los())
                    return false;
            }
        }
    }

    Einfuegen pbv(db,
                  "insert into Dvm710Pbv (PbvPnr,PbvGvo,PbvGbi,PbvZrm,PbvEso,PbvEsa,PbvAwp,PbvSst) "
                  "values (?,?,?,?,?,?,?,?)");
    Einfuegen qzp(db, "insert into Dvm716Qzp (QzpPnr,QzpQfk,QzpVon,QzpBis) values (?,?,?,?)");
    for (const Person& pe : p.person) {
        const Arbeitsplatz& a = p.platz[static_cast<std::size_t>(pe.platz)];
        const std::string sst = Entgeltschluessel(pe.entgelt);
        int64_t gvo = pe.eintritt;
        // Some persons came from another workplace of their unit; that
        // assignment ended the day before the current one began.
        const std::vector<int>& nachbarn = p.einheitPlaetze[static_cast<std::size_t>(a.einheit)];
        if (!pe.einarbeitung && nachbarn.size() > 1 && z.chance(0.1)) {
            const int64_t wechsel = pe.eintritt + 1 + z.unter(static_cast<int>(p.heute - pe.eintritt - 1));
            const Arbeitsplatz& vorher = p.platz[static_cast<std::size_t>(nachbarn[(static_cast<std::size_t>(a.nr) + 1) % nachbarn.size()])];
            if (!pbv.t(pe.pnr).r(Julian(pe.eintritt)).r(Julian(wechsel - 1)).i(pe.zrm).t(vorher.eso).t(vorher.esa)
                     .i(pe.awp).t(sst).los())
                return false;
            gvo = wechsel;
        }
        if (!pbv.t(pe.pnr).r(Julian(gvo)).null().i(pe.zrm).t(a.eso).t(a.esa).i(pe.awp).t(sst).los()) return false;

        // The workplace's own qualifications, now and then one of them
        // lapsed, and sometimes one more.
        std::vector<int> held = a.qualis;
        if (z.chance(0.3)) {
            int q = z.unter(kAnzQualifikation);
            if (std::find(held.begin(), held.end(), q) == held.end()) held.push_back(q);
        }
        for (int q : held) {
            const bool abgelaufen = z.chance(0.08);
            const int64_t bis = p.heute - 1 - z.unter(200);
            if (abgelaufen && bis > pe.eintritt) {
                if (!qzp.t(pe.pnr).t(kQualifikation[q]).r(Julian(pe.eintritt)).r(Julian(bis)).los()) return false;
            } else if (!qzp.t(pe.pnr).t(kQualifikation[q]).r(Julian(pe.eintritt)).null().los()) {
                return false;
            }
        }
    }
    return true;
}

// ---- deployments and the staffing matrix ------------------------------------------

namespace {

std::string Kostenstelle(const Arbeitsplatz& a) { return "K-" + a.esa; }

bool EinsatzSchreiben(Plansatz& ps, const Plan& p, Person* pe, const Arbeitsplatz& a, const Tagesdaten& td,
                      const Einsatz& e, int rnd) {
    const Schicht& sc = kSchicht[e.schicht];
    const std::string& plg = p.plg[static_cast<std::size_t>(a.plg)].plg;
    int ztv = sc.von, ztb = sc.bis, azt = 450, pau = 30;
    if (pe && pe->teilzeit) {
        ztv = kTeilzeitVon;
        ztb = kTeilzeitBis;
        azt = 240;
        pau = 0;
    }
    double kos = 0.0;
    std::string pnr;
    int awp = 0, bnr = 0;
    if (pe) {
        pnr = pe->pnr;
        awp = pe->awp;
        bnr = ++pe->satznr;
        // Hourly rate with the surcharges for nights and Sundays or holidays.
        double faktor = 1.0 + (e.schicht == kN ? 0.25 : 0.0) + (td.tt == kSO ? 0.5 : 0.0);
        kos = std::round(Stundensatz(pe->entgelt) * azt / 60.0 * faktor * 100.0) / 100.0;
    } else {
        // Placeholder for a slot that could not be filled.
        pnr = "D" + a.esa;
        azt = 0;
        pau = 0;
    }
    const double geaendert = Julian(p.heute - 1) + 0.75;
    Einfuegen& b = ps.bdp_;
    b.t(pnr).r(Julian(td.t)).t(a.eso).t(a.esa).i(sc.von).i(sc.bis).t(sc.bsz).i(td.d.jahr).i(td.d.monat).i(td.woche)
        .i(td.wochenjahr * 100 + td.woche).t(kTagtypText[td.tt]).i(td.d.tag).i(ztv).i(ztb).t(Kostenstelle(a))
        .t(e.fc1).t("   ").t(e.fc3).t(a.eso).t(a.esa).i(sc.von).i(sc.bis).t(sc.bsz).i(sc.asw).t(plg).i(sc.asw)
        .i(awp).t(std::string(1, e.sts)).i(0).i(0).r(geaendert).null().t(kErfasser).i(azt)
        .i(td.tt == kSO ? 1 : 0).i(e.schicht == kN ? 1 : 0).i(0).i(0).i(0).i(0).i(0).i(0)
        .i(rnd).i(e.inaktiv ? 9999 : sc.von).i(bnr).i(pau).i(azt + pau).r(kos);
    if (!b.los()) return false;
    ++ps.anzBdp;
    return true;
}

// Chooses the persons of one workplace for one day (PersonenWaehlen) and
// writes their deployments and working-time entries.
bool TagBesetzen(Plansatz& ps, Plan& p, const Optionen& o, const Arbeitsplatz& a, const Tagesdaten& td,
                 const std::vector<int>& soll, const std::vector<int>& frei, Zufall& z) {
    const int erster = a.ersterPerson, anz = a.anzPersonen;
    const Tagesbesetzung tb = PersonenWaehlen(p, o, a, soll, frei, z);
    const std::vector<int>& heute = tb.heute;
    const std::vector<int>& besetzt = tb.besetzt;
    const std::vector<Einsatz>& einsaetze = tb.einsaetze;

    std::vector<int> rnd(kMaxSchichten, 0);
    for (const Einsatz& e : einsaetze) {
        Person& pe = p.person[static_cast<std::size_t>(e.person)];
        if (!EinsatzSchreiben(ps, p, &pe, a, td, e, ++rnd[static_cast<std::size_t>(e.schicht)])) return false;
        // Now and then the person was planned into another slot first; that
        // record was set inactive when the plan changed.
        if (o.schichten >= 2 && e.fc1[0] == ' ' && z.chance(0.03)) {
            Einsatz alt = e;
            alt.schicht = (e.schicht + 1 + z.unter(o.schichten - 1)) % o.schichten;
            alt.sts = 'O';
            alt.inaktiv = true;
            if (!EinsatzSchreiben(ps, p, &pe, a, td, alt, 0)) return false;
        }
    }
    // Placeholders for open positions in some short slots.
    for (int s = 0; s < o.schichten; ++s) {
        if (besetzt[static_cast<std::size_t>(s)] < a.ziel[td.tt][s].sol && z.chance(0.5)) {
            Einsatz e;
            e.person = -1;
            e.schicht = s;
            e.sts = 'D';
            if (!EinsatzSchreiben(ps, p, nullptr, a, td, e, 99)) return false;
        }
    }

    // Working-time entries of every person of the workplace, and the
    // scheduling state for the next day.
    for (int k = 0; k < anz; ++k) {
        Person& pe = p.person[static_cast<std::size_t>(erster + k)];
        const int s = heute[static_cast<std::size_t>(k)];
        const char* modell = s < 0 ? kFreiModell : (pe.teilzeit ? kTeilzeitModell : kSchicht[s].modell);
        if (!ps.ztg_.t(pe.pnr).r(Julian(td.t)).t(modell).t(Kostenstelle(a)).t(pe.teilzeit ? "TZ" : "SCH").los())
            return false;
        ++ps.anzZtg;
        if (s < 0) {
            pe.folge = 0;
        } else {
            ++pe.folge;
            ++pe.gearbeitet;
        }
        pe.gestern = s;
    }
    return true;
}

bool MatrixZeilenSchreiben(Plansatz& ps, const Plan& p, const Optionen& o, const Arbeitsplatz& a,
                           const Tagesdaten& td) {
    const std::string& plg = p.plg[static_cast<std::size_t>(a.plg)].plg;
    for (int s = 0; s < o.schichten; ++s) {
        const Schicht& sc = kSchicht[s];
        const Ziel& zl = a.ziel[td.tt][s];
        // Counts, costs and the deviation are filled by the recount.
        Einfuegen& m = ps.bsm_;
        m.r(Julian(td.t)).t(a.eso).t(a.esa).i(sc.von).i(sc.bis).t(sc.bsz).i(td.d.jahr).i(td.d.monat).i(td.woche)
            .i(td.wochenjahr * 100 + td.woche).i(td.d.tag).t(kTagtypText[td.tt]).i(zl.sol).i(zl.min).i(zl.max)
            .i(0).t(plg).i(0).i(0).i(0).i(0).i(0).i(sc.asw).i(0).r(Julian(p.heute - 1) + 0.75).t(kErfasser)
            .i(0).r(0.0).r(0.0).i(0).i(0);
        if (!m.los()) return false;
        ++ps.anzBsm;
    }
    return true;
}

}  // namespace

bool PlanSchreiben(Zufall& z, Plan& p, const Optionen& o, Plansatz& ps) {
    for (const Plangruppe& pg : p.plg) {
        for (int tagNr = 0; tagNr < o.tage; ++tagNr) {
            Tagesdaten td{};
            td.t = p.heute + tagNr;
            td.tt = TagtypVon(pg.kalender, td.t);
            td.d = Zivil(td.t);
            IsoWoche(td.t, td.woche, td.wochenjahr);
            std::vector<std::vector<int>> soll, frei;
            BesetzungPlanen(p, pg, o, td, tagNr, z, soll, frei);
            for (int e : pg.einheiten) {
                for (int ai : p.einheitPlaetze[static_cast<std::size_t>(e)]) {
                    const Arbeitsplatz& a = p.platz[static_cast<std::size_t>(ai)];
                    if (!TagBesetzen(ps, p, o, a, td, soll[static_cast<std::size_t>(ai)], frei[static_cast<std::size_t>(ai)], z)) return false;
                    if (!MatrixZeilenSchreiben(ps, p, o, a, td)) return false;
                }
            }
        }
    }
    return true;
}

// ---- the recount ------------------------------------------------------------

long MatrixNachzaehlen(const std::string& dbDir, const Optionen& o, const Plan& p, long& gezaehlt) {
    gezaehlt = 0;
    const std::string dienst = "sqlite:" + dbDir;
    int32_t r = dbConnect(o.user.c_str(), o.passwort.c_str(), dienst.c_str(), o.schema.c_str());
    if (r != 0) {
        std::fprintf(stderr, "dorvelian-demo: logon for the recount failed: RC %ld %s\n", static_cast<long>(r),
                     db::lastErrorText().c_str());
        return -1;
    }
    const std::string von = Text8(p.heute), bis = Text8(p.heute + o.tage - 1);
    long fehler = 0;
    for (const Plangruppe& pg : p.plg) {
        std::vector<Dvm725Bsm> zeilen;
        Bsm_PlgVonBis_Open(pg.plg.c_str(), von.c_str(), bis.c_str());
        Dvm725Bsm bsm;
        while ((r = Bsm_PlgVonBis_Read(bsm)) == 0) zeilen.push_back(bsm);
        Bsm_PlgVonBis_Close();
        if (r != 1403) {
            std::fprintf(stderr, "dorvelian-demo: reading the staffing matrix of %s failed: RC %ld %s\n",
                         pg.plg.c_str(), static_cast<long>(r), db::lastErrorText().c_str());
            ++fehler;
            continue;
        }
        for (Dvm725Bsm& z : zeilen) {
            if (Update_BsmSatz(z) != 1) ++fehler;
            else ++gezaehlt;
        }
    }
    db::disconnect();
    return fehler;
}

bool Zaehlen(Db& db, const char* sql, long& n) {
    sqlite3_stmt* st = nullptr;
    n = 0;
    if (sqlite3_prepare_v2(db.h, sql, -1, &st, nullptr) != SQLITE_OK) return false;
    if (sqlite3_step(st) == SQLITE_ROW) n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return true;
}

}  // namespace demoplan
