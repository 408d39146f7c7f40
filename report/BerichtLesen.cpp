// Reading the planners' report: plan groups, staffing matrix, proposals and
// error rows of the period, with statements of the report's own. Every
// statement only reads, and every column is read with its indicator, so that
// a NULL in a faulty row shows as 0 or an empty text instead of ending the
// report. Only columns that both table layouts have are read.
#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "db/Runtime.hpp"
#include "optim/Vorschlag.hpp"
#include "report/Bericht.hpp"
#include "report/Kurztexte.hpp"

namespace {

const db::Sql kPlgLetzterTag(
    "select TO_CHAR(max(BsmBdt),'yyyymmdd') into :b0:b1  from Dvm725Bsm  where BsmPlg=:b2");

// The slot of a proposal or matrix row as the recount matches them: unit,
// workplace, date, slot start and slot kind (the plan group is not compared).
using SlotSchluessel = std::tuple<std::string, std::string, std::string, int32_t, int32_t>;

void Merken(const std::string& was, int32_t rc, BerichtFehler& fehler) {
    fehler.was = was;
    fehler.rc = rc;
}

int32_t PlangruppenLesen(const BerichtFilter& f, Bericht& b, BerichtFehler& fehler) {
    static db::Cursor alle("select PlgPlg ,PlgTxt  from Dvm701Plg  order by PlgPlg");
    static db::Cursor eine("select PlgPlg ,PlgTxt  from Dvm701Plg  where PlgPlg=:b0");
    FixText<6> key(f.plg.c_str());
    db::Cursor& c = f.plg.empty() ? alle : eine;
    if (f.plg.empty())
        c.open({});
    else
        c.open({db::in(0, key)});
    FixText<64> plg, txt;
    int32_t r;
    while ((r = c.fetch({db::txti(plg), db::txti(txt)})) == 0) {
        Plangruppe p;
        p.plg = plg.str();
        p.txt = txt.str();
        
        b.plangruppen.push_back(std::move(p));
    }
    c.close();
    if (r != 1403) {
        Merken("Dvm701Plg", r, fehler);
        return r;
    }
    if (!f.plg.empty() && b.plangruppen.empty()) {
        Merken("Dvm701Plg", 1403, fehler);
        return 1403;
    }
    return 0;
}

int32_t MatrixLesen(const std::string& plg, const Bericht& b, std::vector<MatrixZeile>& out) {
    static db::Cursor c(
        "select TO_CHAR(BsmBdt,'yyyymmdd') ,BsmEso ,BsmEsa ,BsmBsz ,BsmSzv ,BsmSzb ,BsmAsw ,BsmSol ,BsmMin "
        ",BsmMax ,BsmIst ,BsmHtg ,BsmHtv ,BsmHtn ,BsmFkt  from Dvm725Bsm  where ((BsmPlg=:b0 and "
        "BsmBdt>=TO_DATE(:b1,'yyyymmdd')) and BsmBdt<=TO_DATE(:b2,'yyyymmdd'))  "
        "order by BsmBdt,BsmEso,BsmEsa,BsmSzv,BsmAsw");
    FixText<6> key(plg.c_str());
    FixText<11> von(b.von.c_str()), bis(b.bis.c_str());
    c.open({db::in(0, key), db::in(1, von), db::in(2, bis)});
    FixText<11> dat;
    FixText<16> eso, esa, bsz;
    MatrixZeile z;
    int32_t r;
    while ((r = c.fetch({db::txti(dat), db::txti(eso), db::txti(esa), db::txti(bsz), db::i32i(z.szv),
                         db::i32i(z.szb), db::i32i(z.asw), db::i32i(z.sol), db::i32i(z.min), db::i32i(z.max),
                         db::i32i(z.ist), db::i32i(z.htg), db::i32i(z.htv), db::i32i(z.htn),
                         db::i32i(z.fkt)})) == 0) {
        z.datum = dat.str();
        z.eso = eso.str();
        z.esa = esa.str();
        z.bsz = bsz.str();
        out.push_back(z);
    }
    c.close();
    return r == 1403 ? 0 : r;
}

// Every proposal of the period, whatever its plan group: the counts into and
// out of a slot take them all, as the recount does.
int32_t VorschlaegeLesen(const Bericht& b, std::vector<std::pair<std::string, Vorschlag>>& out) {
    static db::Cursor c(
        "select BdkPlg ,TO_CHAR(BdkBdt,'yyyymmdd') ,BdkPnr ,BdkEso ,BdkEsa ,BdkBsz ,BdkSzv ,BdkSzb "
        ",BdkOso ,BdkOsa ,BdkOsz ,BdkOsv ,BdkOsb ,BdkAsw ,BdkOsw ,BdkFnr ,BdkSta ,BdkErf ,BdkTxt  from Dvm735Bdk  "
        "where (BdkBdt>=TO_DATE(:b0,'yyyymmdd') and BdkBdt<=TO_DATE(:b1,'yyyymmdd'))  "
        "order by BdkBdt,BdkEso,BdkEsa,BdkSzv,BdkPnr",
        "BdkKey,BdkLfd");
    FixText<11> von(b.von.c_str()), bis(b.bis.c_str());
    c.open({db::in(0, von), db::in(1, bis)});
    FixText<16> plg, pnr, eso, esa, bsz, oso, osa, osz;
    FixText<11> dat;
    FixText<64> erf, vermerk;
    Vorschlag v;
    int32_t r;
    while ((r = c.fetch({db::txti(plg), db::txti(dat), db::txti(pnr), db::txti(eso), db::txti(esa), db::txti(bsz),
                         db::i32i(v.szv), db::i32i(v.szb), db::txti(oso), db::txti(osa), db::txti(osz),
                         db::i32i(v.osv), db::i32i(v.osb), db::i32i(v.asw), db::i32i(v.osw), db::i32i(v.fnr),
                         db::i32i(v.sta), db::txti(erf), db::txti(vermerk)})) == 0) {
        v.datum = dat.str();
        v.pnr = pnr.str();
        v.eso = eso.str();
        v.esa = esa.str();
        v.bsz = bsz.str();
        v.oso = oso.str();
        v.osa = osa.str();
        v.osz = osz.str();
        v.erf = erf.str();
        v.mindest = vermerk == kVermerkMindestdurchgang;
        out.emplace_back(plg.str(), v);
    }
    c.close();
    return r == 1403 ? 0 : r;
}

int32_t FehlerLesen(const std::string& plg, const Bericht& b, std::vector<FehlerZeile>& out) {
    static db::Cursor c(
        "select TO_CHAR(ErrBdt,'yyyymmdd') ,ErrKng ,ErrLfn ,ErrEso ,ErrEsa ,ErrKnz ,ErrZtv ,ErrZtb ,ErrFnr ,ErrPnr  "
        "from Dvm746Err  where ((ErrPlg=:b0 and ErrBdt>=TO_DATE(:b1,'yyyymmdd')) and "
        "ErrBdt<=TO_DATE(:b2,'yyyymmdd'))  order by ErrBdt,ErrLfn",
        "ErrKng,ErrEso,ErrEsa,ErrZtv,ErrFnr");
    FixText<6> key(plg.c_str());
    FixText<11> von(b.von.c_str()), bis(b.bis.c_str());
    c.open({db::in(0, key), db::in(1, von), db::in(2, bis)});
    FixText<11> dat;
    FixText<16> kng, eso, esa, knz, pnr;
    FehlerZeile e;
    int32_t r;
    while ((r = c.fetch({db::txti(dat), db::txti(kng), db::i32i(e.lfn), db::txti(eso), db::txti(esa), db::txti(knz),
                         db::i32i(e.ztv), db::i32i(e.ztb), db::i32i(e.fnr), db::txti(pnr)})) == 0) {
        e.datum = dat.str();
        e.kng = kng.str();
        e.eso = eso.str();
        e.esa = esa.str();
        e.knz = knz.str();
        e.pnr = pnr.str();
        out.push_back(e);
    }
    c.close();
    return r == 1403 ? 0 : r;
}

Tag& TagVon(Plangruppe& p, std::map<std::string, std::size_t>& index, const std::string& datum) {
    auto it = index.find(datum);
    if (it != index.end()) return p.tage[it->second];
    index.emplace(datum, p.tage.size());
    p.tage.push_back(Tag{});
    p.tage.back().datum = datum;
    return p.tage.back();
}

}  // namespace

int32_t Bericht_Lesen(const BerichtFilter& f, Bericht& b, BerichtFehler& fehler) {
    b.plangruppen.clear();
    b.von = f.von;
    b.bis = f.bis;
    int32_t r = PlangruppenLesen(f, b, fehler);
    if (r != 0) return r;

    // Without a last day the report runs to the last day of the matrix of
    // its plan groups; an empty matrix gives the single first day.
    if (b.bis.empty()) {
        std::string letzter;
        for (const Plangruppe& p : b.plangruppen) {
            FixText<6> key(p.plg.c_str());
            FixText<11> tag;
            r = db::selectInto(kPlgLetzterTag, {db::in(2, key)}, {db::txti(tag)});
            if (r != 0 && r != 1403) {
                Merken("Dvm725Bsm", r, fehler);
                return r;
            }
            letzter = std::max(letzter, tag.str());
        }
        b.bis = letzter < b.von ? b.von : letzter;
    }

    std::vector<std::pair<std::string, Vorschlag>> alle;
    if ((r = VorschlaegeLesen(b, alle)) != 0) {
        Merken("Dvm735Bdk", r, fehler);
        return r;
    }
    std::map<SlotSchluessel, int32_t> aus, ein;
    for (const auto& [plg, v] : alle) {
        if (!v.offen()) continue;
        ++aus[{v.eso, v.esa, v.datum, v.szv, v.asw}];
        ++ein[{v.oso, v.osa, v.datum, v.osv, v.osw}];
    }

    for (Plangruppe& p : b.plangruppen) {
        std::vector<MatrixZeile> matrix;
        std::vector<FehlerZeile> fehlerZeilen;
        if ((r = MatrixLesen(p.plg, b, matrix)) != 0) {
            Merken("Dvm725Bsm", r, fehler);
            return r;
        }
        if ((r = FehlerLesen(p.plg, b, fehlerZeilen)) != 0) {
            Merken("Dvm746Err", r, fehler);
            return r;
        }
        std::map<std::string, std::size_t> index;
        for (MatrixZeile& z : matrix) {
            const SlotSchluessel k{z.eso, z.esa, z.datum, z.szv, z.asw};
            if (auto it = aus.find(k); it != aus.end()) z.aus = it->second;
            if (auto it = ein.find(k); it != ein.end()) z.ein = it->second;
            TagVon(p, index, z.datum).matrix.push_back(z);
        }
        for (const auto& [plg, v] : alle)
            if (plg == p.plg) TagVon(p, index, v.datum).vorschlaege.push_back(v);
        for (const FehlerZeile& e : fehlerZeilen) TagVon(p, index, e.datum).fehler.push_back(e);
        std::sort(p.tage.begin(), p.tage.end(), [](const Tag& a, const Tag& c) { return a.datum < c.datum; });
    }
    Bericht_Zaehlen(b);
    return 0;
}

int64_t MatrixZeile::effektiv() const {
    return int64_t{ist} - htg - std::min(htv, htn);
}
int MatrixZeile::stufe() const { return Besetzungsstufe(effektiv(), sol, min, max); }
int MatrixZeile::stufeNach() const { return Besetzungsstufe(effektivNach(), sol, min, max); }

void Zaehlung::add(const Zaehlung& o) {
    tage += o.tage;
    schichten += o.schichten;
    vorschlaege += o.vorschlaege;
    ohneGrund += o.ohneGrund;
    mindest += o.mindest;
    fehler += o.fehler;
    for (const auto& [k, n] : o.nachGrund) nachGrund[k] += n;
    for (const auto& [k, n] : o.nachFehler) nachFehler[k] += n;
    for (int i = 0; i < 5; ++i) {
        stufeVor[i] += o.stufeVor[i];
        stufeNach[i] += o.stufeNach[i];
    }
}

void Bericht_Zaehlen(Bericht& b) {
    b.zaehlung = Zaehlung{};
    for (Plangruppe& p : b.plangruppen) {
        p.zaehlung = Zaehlung{};
        for (Tag& t : p.tage) {
            Zaehlung& z = t.zaehlung;
            z = Zaehlung{};
            z.tage = 1;
            z.schichten = static_cast<long>(t.matrix.size());
            for (const MatrixZeile& m : t.matrix) {
                ++z.stufeVor[m.stufe() + 2];
                ++z.stufeNach[m.stufeNach() + 2];
            }
            z.vorschlaege = static_cast<long>(t.vorschlaege.size());
            for (const Vorschlag& v : t.vorschlaege) {
                ++z.nachGrund[v.fnr];
                if (v.fnr == 0) ++z.ohneGrund;
                if (v.mindest) ++z.mindest;
            }
            z.fehler = static_cast<long>(t.fehler.size());
            for (const FehlerZeile& e : t.fehler) ++z.nachFehler[e.fnr];
            p.zaehlung.add(z);
        }
        b.zaehlung.add(p.zaehlung);
    }
}
