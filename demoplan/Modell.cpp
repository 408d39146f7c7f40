// The plan model of the demo plan generator (see demoplan/Modell.hpp).
#include "demoplan/Modell.hpp"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "db/JulianDate.hpp"

namespace demoplan {

// ---- dates -------------------------------------------------------------------

Datum Zivil(int64_t t) {
    Datum d{};
    db::jd::civilFromDays(t, d.jahr, d.monat, d.tag);
    return d;
}
int Wochentag(int64_t t) { return static_cast<int>(((t + 3) % 7 + 7) % 7) + 1; }
int Jahrestag(int64_t t) {
    Datum d = Zivil(t);
    return static_cast<int>(t - db::jd::daysFromCivil(d.jahr, 1, 1)) + 1;
}
void IsoWoche(int64_t t, int& woche, int& wochenjahr) {
    int64_t donnerstag = t - (Wochentag(t) - 1) + 3;
    wochenjahr = static_cast<int>(Zivil(donnerstag).jahr);
    woche = (Jahrestag(donnerstag) - 1) / 7 + 1;
}
int64_t Heute() {
    std::time_t jetzt = std::time(nullptr);
    std::tm lt{};
    localtime_r(&jetzt, &lt);
    return db::jd::daysFromCivil(lt.tm_year + 1900, static_cast<unsigned>(lt.tm_mon + 1),
                                 static_cast<unsigned>(lt.tm_mday));
}
int64_t StartTag(const std::string& text) {
    if (text.size() != 8 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    const int64_t t = db::jd::daysFromCivil(std::stoi(text.substr(0, 4)), static_cast<unsigned>(std::stoi(text.substr(4, 2))),
                                            static_cast<unsigned>(std::stoi(text.substr(6, 2))));
    return Text8(t) == text && t >= Heute() ? t : -1;
}
std::string Text8(int64_t t) {
    Datum d = Zivil(t);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(d.jahr), d.monat, d.tag);
    return buf;
}

bool Feiertag(int kalender, int64_t t) {
    Datum d = Zivil(t);
    const unsigned md = d.monat * 100 + d.tag;
    if (md == 101 || md == 501 || md == 1003 || md == 1225 || md == 1226) return true;
    return kalender == 2 && (md == 106 || md == 815 || md == 1101);
}

Tagtyp TagtypVon(int kalender, int64_t t) {
    if (Feiertag(kalender, t)) return kSO;  // staffed like a Sunday
    int w = Wochentag(t);
    return w == 7 ? kSO : (w == 6 ? kSA : kWT);
}

// ---- slots and working-time models -------------------------------------------

bool RuheOk(int gestern, int heute) {
    if (gestern < 0) return true;
    const Schicht& g = kSchicht[gestern];
    const int ende = g.bis < g.von ? g.bis + 1440 : g.bis;
    return kSchicht[heute].von + 1440 - ende >= 11 * 60;
}

double Stundensatz(int gruppe) { return 19.20 + 2.35 * gruppe; }
std::string Entgeltschluessel(int gruppe) { return "E" + std::to_string(gruppe + 105).substr(1); }

// ---- structure of the plan ----------------------------------------------------

char Zeichen36(int n) { return static_cast<char>(n < 10 ? '0' + n : 'A' + (n - 10)); }

std::string PlgZeichen(int g) { return std::string(1, Zeichen36(g)); }

std::string EinheitZeichen(int e) {
    if (e <= 99) {
        char b[3] = {static_cast<char>('0' + e / 10), static_cast<char>('0' + e % 10), '\0'};
        return b;
    }
    const int k = e - 100;
    return std::string{static_cast<char>('A' + k / 36), Zeichen36(k % 36)};
}

int PersonenBedarf(const Arbeitsplatz& a, int schichten) {
    int summe = 0;
    for (int s = 0; s < schichten; ++s) summe += a.ziel[kWT][s].sol;
    return (summe + 2) * 7 / 5 + 2;
}

void StrukturBauen(const Optionen& o, Zufall& z, Plan& p) {
    char buf[32];
    for (int g = 0; g < o.plangruppen; ++g) {
        Plangruppe pg;
        std::snprintf(buf, sizeof buf, "PG%02d", g + 1);
        pg.plg = buf;
        pg.kalender = g % 2 + 1;
        // Levels go round PLG, ESA, ESO, so that two plan groups already show
        // the widest and the narrowest search.
        static const int kStufe[3] = {1, 3, 2};
        pg.opl = kStufe[g % 3];
        // Horizon in weeks: the run's period from today reaches the last plan day.
        const int wtg = Wochentag(p.heute);
        const int noetig = o.tage - 1 - 7 + wtg;
        pg.hzt = noetig > 0 ? (noetig + 6) / 7 : 0;
        for (int e = 0; e < o.einheiten; ++e) {
            const int ei = static_cast<int>(p.einheitCode.size());
            p.einheitCode.push_back("E" + PlgZeichen(g + 1) + EinheitZeichen(e + 1));
            p.einheitPlaetze.emplace_back();
            pg.einheiten.push_back(ei);
            for (int w = 0; w < o.arbeitsplaetze; ++w) {
                Arbeitsplatz a;
                a.plg = g;
                a.einheit = ei;
                a.nr = w;
                a.eso = p.einheitCode[static_cast<std::size_t>(ei)];
                a.esa = "A" + PlgZeichen(g + 1) + EinheitZeichen(e + 1) + Zeichen36(w + 1);
                a.azk = (e % 3 == 2) ? 10 : 8;
                // Qualifications the workplace lists: the first workplace of a
                // unit always lists one, others none, one or two.
                int anzQ = w == 0 ? 1 + z.unter(2) : z.unter(3);
                while (static_cast<int>(a.qualis.size()) < anzQ) {
                    int q = z.unter(kAnzQualifikation);
                    if (std::find(a.qualis.begin(), a.qualis.end(), q) == a.qualis.end()) a.qualis.push_back(q);
                }
                std::sort(a.qualis.begin(), a.qualis.end());
                const int mehr = z.unter(2);
                for (int t = 0; t < 3; ++t) {
                    for (int s = 0; s < kMaxSchichten; ++s) {
                        Ziel& zl = a.ziel[t][s];
                        zl.sol = kGrundSoll[t][s] + (t == kWT && s != kN ? mehr : 0);
                        zl.min = zl.sol >= 2 ? zl.sol - 1 : zl.sol;
                        zl.max = zl.sol + 1;
                    }
                }
                p.einheitPlaetze[static_cast<std::size_t>(ei)].push_back(static_cast<int>(p.platz.size()));
                p.platz.push_back(a);
            }
        }
        p.plg.push_back(pg);
    }

    for (std::size_t ai = 0; ai < p.platz.size(); ++ai) {
        Arbeitsplatz& a = p.platz[ai];
        a.ersterPerson = static_cast<int>(p.person.size());
        a.anzPersonen = o.personen > 0 ? o.personen : std::min(kMaxPersonen, PersonenBedarf(a, o.schichten));
        for (int k = 0; k < a.anzPersonen; ++k) {
            Person pe;
            std::snprintf(buf, sizeof buf, "P%s%02d", a.esa.c_str() + 1, k + 1);
            pe.pnr = buf;
            pe.platz = static_cast<int>(ai);
            pe.eintritt = p.heute - 180 - z.unter(3400);
            // Every second workplace has a new hire in induction, who works
            // beside the counted staff.
            if (k == a.anzPersonen - 1 && ai % 2 == 0 && a.anzPersonen >= 4) {
                pe.einarbeitung = true;
                pe.eintritt = p.heute - 20 - z.unter(60);
            }
            const int r = z.unter(100);
            pe.awp = r < 70 ? 1 : (r < 95 ? 2 : 3);
            pe.zrm = z.chance(0.2) ? 2 : 1;
            pe.teilzeit = !pe.einarbeitung && pe.awp == 2 && z.chance(0.4);
            pe.entgelt = z.unter(kAnzEntgelt);
            p.person.push_back(pe);
        }
    }
}

// ---- the staffing of a day ------------------------------------------------------

void BesetzungPlanen(const Plan& p, const Plangruppe& pg, const Optionen& o, const Tagesdaten& td, int tagNr,
                     Zufall& z, std::vector<std::vector<int>>& soll, std::vector<std::vector<int>>& frei) {
    std::vector<int> plaetze;
    for (int e : pg.einheiten)
        for (int a : p.einheitPlaetze[static_cast<std::size_t>(e)]) plaetze.push_back(a);
    soll.assign(p.platz.size(), std::vector<int>());
    frei.assign(p.platz.size(), std::vector<int>(kMaxSchichten, 0));
    for (int a : plaetze) {
        soll[static_cast<std::size_t>(a)].resize(kMaxSchichten, 0);
        for (int s = 0; s < o.schichten; ++s)
            soll[static_cast<std::size_t>(a)][static_cast<std::size_t>(s)] = p.platz[static_cast<std::size_t>(a)].ziel[td.tt][s].sol;
    }
    auto add = [&](int a, int s, int n) {
        int& v = soll[static_cast<std::size_t>(a)][static_cast<std::size_t>(s)];
        v = std::max(0, v + n);
    };
    auto ueber = [&](int a, int s, int n) {
        add(a, s, n);
        frei[static_cast<std::size_t>(a)][static_cast<std::size_t>(s)] += n;
    };
    const int nS = o.schichten;
    // A slot of the night kind exists only with three slots; otherwise both
    // partners of a shift between workplaces are day slots, the surplus on
    // the early slot so that it cannot cancel the short late slot that the
    // case within the workplace leaves.
    const int andereArt = nS == 3 ? kN : (nS == 2 ? kS : kF);
    const auto& ersteEinheit = p.einheitPlaetze[static_cast<std::size_t>(pg.einheiten[0])];

    if (tagNr == 0) {
        // Today every scope has one case of its own.
        if (nS >= 2) {  // within a workplace: early over, late short
            ueber(ersteEinheit[0], kF, +1);
            add(ersteEinheit[0], kS, -1);
        }
        if (ersteEinheit.size() >= 2) {  // within a unit
            add(ersteEinheit[0], andereArt, -1);
            ueber(ersteEinheit[1], nS == 2 ? kF : andereArt, +1);
        }
        if (pg.einheiten.size() >= 2) {  // across units
            const auto& zweite = p.einheitPlaetze[static_cast<std::size_t>(pg.einheiten[1])];
            add(zweite[0], andereArt, -1);
            ueber(ersteEinheit.back(), nS == 2 ? kF : andereArt, +1);
        }
        return;
    }
    for (int a : plaetze) {
        if (nS >= 2 && z.chance(0.3)) {
            const int k = 1 + z.unter(2);
            const bool frueh = z.chance(0.5);
            add(a, frueh ? kF : kS, +k);
            add(a, frueh ? kS : kF, -k);
        }
    }
    for (int e : pg.einheiten) {
        const auto& ap = p.einheitPlaetze[static_cast<std::size_t>(e)];
        if (ap.size() >= 2 && z.chance(0.3)) {
            const int s = z.unter(nS);
            const int i = z.unter(static_cast<int>(ap.size()));
            const int j = (i + 1 + z.unter(static_cast<int>(ap.size()) - 1)) % static_cast<int>(ap.size());
            add(ap[static_cast<std::size_t>(i)], s, +1);
            add(ap[static_cast<std::size_t>(j)], s, -1);
        }
    }
    if (pg.einheiten.size() >= 2 && z.chance(0.5)) {
        const int n = static_cast<int>(pg.einheiten.size());
        const int s = z.unter(nS);
        const int i = z.unter(n);
        const int j = (i + 1 + z.unter(n - 1)) % n;
        const auto& ai = p.einheitPlaetze[static_cast<std::size_t>(pg.einheiten[static_cast<std::size_t>(i)])];
        const auto& aj = p.einheitPlaetze[static_cast<std::size_t>(pg.einheiten[static_cast<std::size_t>(j)])];
        add(ai[static_cast<std::size_t>(z.unter(static_cast<int>(ai.size())))], s, +1);
        add(aj[static_cast<std::size_t>(z.unter(static_cast<int>(aj.size())))], s, -1);
    }
    for (int a : plaetze)
        for (int s = 0; s < nS; ++s)
            if (z.chance(0.08)) add(a, s, z.chance(0.5) ? +1 : -1);
}

Tagesbesetzung PersonenWaehlen(const Plan& p, const Optionen& o, const Arbeitsplatz& a, const std::vector<int>& soll,
                               const std::vector<int>& frei, Zufall& z) {
    const int erster = a.ersterPerson, anz = a.anzPersonen;
    Tagesbesetzung tb;
    std::vector<int>& heute = tb.heute;
    heute.assign(static_cast<std::size_t>(anz), -1);
    std::vector<Einsatz>& einsaetze = tb.einsaetze;
    std::vector<int>& besetzt = tb.besetzt;
    besetzt.assign(kMaxSchichten, 0);
    std::vector<int> los(static_cast<std::size_t>(anz));
    for (int& l : los) l = z.unter(1000);

    // The night first, then late, then early: the slots whose persons are
    // most bound by yesterday's slot are filled while the choice is widest.
    static const int kReihe[kMaxSchichten] = {kN, kS, 3, 4, kF};
    for (int r = 0; r < kMaxSchichten; ++r) {
        const int s = kReihe[r];
        if (s >= o.schichten) continue;
        const int bedarf = soll[static_cast<std::size_t>(s)];
        for (int strikt = 1; strikt >= 0 && besetzt[static_cast<std::size_t>(s)] < bedarf; --strikt) {
            std::vector<std::pair<int, int>> kandidaten;  // key, person
            for (int k = 0; k < anz; ++k) {
                const Person& pe = p.person[static_cast<std::size_t>(erster + k)];
                if (heute[static_cast<std::size_t>(k)] >= 0 || pe.einarbeitung) continue;
                if (pe.teilzeit && s != kF) continue;
                const int maxFolge = pe.teilzeit ? 3 : 5;
                if (strikt) {
                    if (pe.folge >= maxFolge || !RuheOk(pe.gestern, s)) continue;
                } else if (pe.folge >= maxFolge + 1) {
                    continue;
                }
                int key = pe.gearbeitet * 1000 + (pe.gestern == s ? 0 : 1500) + los[static_cast<std::size_t>(k)];
                if (pe.awp == 3 && frei[static_cast<std::size_t>(s)] > 0) key += 10000000;  // chosen last
                kandidaten.emplace_back(key, k);
            }
            std::sort(kandidaten.begin(), kandidaten.end());
            for (const auto& kd : kandidaten) {
                if (besetzt[static_cast<std::size_t>(s)] >= bedarf) break;
                heute[static_cast<std::size_t>(kd.second)] = s;
                ++besetzt[static_cast<std::size_t>(s)];
                Einsatz e;
                e.person = erster + kd.second;
                e.schicht = s;
                einsaetze.push_back(e);
            }
        }
    }
    // Shift leads (function code 3) in well staffed slots, a few records
    // already changed by a planner ('U', 'M'); none of them is movable.
    std::vector<bool> leitung(kMaxSchichten, false);
    for (Einsatz& e : einsaetze) {
        if (frei[static_cast<std::size_t>(e.schicht)] > 0) continue;
        if (!leitung[static_cast<std::size_t>(e.schicht)] && besetzt[static_cast<std::size_t>(e.schicht)] >= 3 &&
            z.chance(0.15)) {
            leitung[static_cast<std::size_t>(e.schicht)] = true;
            e.fc3 = "SLT";
            continue;
        }
        const int r = z.unter(100);
        if (r < 2) e.sts = 'U';
        else if (r < 3) e.sts = 'M';
    }
    // The new hire works the early slot beside the counted staff.
    for (int k = 0; k < anz; ++k) {
        const Person& pe = p.person[static_cast<std::size_t>(erster + k)];
        if (!pe.einarbeitung || pe.folge >= 5) continue;
        heute[static_cast<std::size_t>(k)] = kF;
        Einsatz e;
        e.person = erster + k;
        e.schicht = kF;
        e.fc1 = "EIN";
        einsaetze.push_back(e);
    }
    return tb;
}

}  // namespace demoplan
