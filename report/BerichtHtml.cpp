// Writing the planners' report as HTML with inline SVG heat maps.
#include "report/BerichtHtml.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

#include "report/Kurztexte.hpp"

namespace {

// Fill and text colour of a staffing class -2..2.
const char* Farbe(int stufe) {
    static const char* f[5] = {"#d7301f", "#fc8d59", "#e5f5e0", "#9ecae1", "#3182bd"};
    return f[std::clamp(stufe, -2, 2) + 2];
}
const char* Schrift(int stufe) { return stufe == -2 || stufe == 2 ? "#ffffff" : "#111111"; }

std::string Esc(std::string_view s) {
    std::string o;
    o.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&': o += "&amp;"; break;
            case '<': o += "&lt;"; break;
            case '>': o += "&gt;"; break;
            case '"': o += "&quot;"; break;
            case '\'': o += "&#39;"; break;
            default:
                // Control characters are not allowed in the markup.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') o += ' ';
                else o += c;
        }
    }
    return o;
}

std::string Zahl(long long n) { return std::to_string(n); }

// "HH:MM" of a time of day; a value outside the day stays a number.
std::string Uhr(int32_t m) {
    if (m < 0 || m > 1439) return std::to_string(m);
    char b[8];
    std::snprintf(b, sizeof b, "%02d:%02d", m / 60, m % 60);
    return b;
}

// "Mi 09.12.2026" for 'yyyymmdd'; the text itself when it is no date.
std::string Datum(const std::string& d) {
    if (d.size() != 8) return d.empty() ? "ohne Datum" : d;
    using namespace std::chrono;
    const int y = std::stoi(d.substr(0, 4));
    const unsigned m = static_cast<unsigned>(std::stoi(d.substr(4, 2)));
    const unsigned t = static_cast<unsigned>(std::stoi(d.substr(6, 2)));
    const year_month_day ymd{year{y}, month{m}, day{t}};
    static const char* wt[7] = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
    std::string w = ymd.ok() ? std::string(wt[weekday{sys_days{ymd}}.c_encoding()]) + " " : "";
    return w + d.substr(6, 2) + "." + d.substr(4, 2) + "." + d.substr(0, 4);
}
std::string DatumKurz(const std::string& d) {
    return d.size() == 8 ? d.substr(6, 2) + "." + d.substr(4, 2) + "." + d.substr(0, 4) : d;
}

std::string GrundText(int32_t fnr) {
    std::string_view t = Grundtext(fnr);
    return t.empty() ? std::string("unbekannter Code") : std::string(t);
}
std::string FehlerText(int32_t fnr) {
    std::string_view t = Fehlertext(fnr);
    return t.empty() ? std::string("unbekannte Nummer") : std::string(t);
}

std::string Slot(const std::string& eso, const std::string& esa, const std::string& bsz, int32_t v, int32_t b) {
    std::string s = Esc(eso) + " / " + Esc(esa) + " · ";
    if (!bsz.empty()) s += Esc(bsz) + " ";
    return s + Uhr(v) + "–" + Uhr(b);
}

const char kStil[] =
    "body{font-family:'DejaVu Sans',Arial,Helvetica,sans-serif;font-size:13px;color:#222;margin:16px 24px}"
    "h1{font-size:20px;margin:0 0 4px}"
    "h2{font-size:16px;border-bottom:2px solid #445;padding-bottom:2px;margin:26px 0 8px}"
    "h3{font-size:14px;margin:18px 0 4px}"
    "p.meta{color:#555;margin:0 0 10px}"
    "table{border-collapse:collapse;margin:6px 0 10px}"
    "th,td{border:1px solid #bbb;padding:2px 6px;text-align:left;vertical-align:top}"
    "th{background:#eef}td.n{text-align:right}tr.gesamt td{font-weight:bold;background:#f4f4f8}"
    "tr.grund td{background:#fff1dc}tr.ok td.g{color:#1a7a3a}"
    "p.zahlen{margin:2px 0 6px;color:#333}p.leer{color:#777;font-style:italic;margin:2px 0}"
    ".legende span{display:inline-block;padding:1px 8px;margin:0 6px 4px 0;border:1px solid #999}"
    "div.tabellen{display:flex;gap:24px;flex-wrap:wrap;align-items:flex-start}"
    "svg text{font-family:'DejaVu Sans',Arial,Helvetica,sans-serif}"
    "@page{size:A4 landscape;margin:12mm}"
    "@media print{body{margin:0}section.tag{break-inside:avoid}h2,h3{break-after:avoid}"
    "*{-webkit-print-color-adjust:exact;print-color-adjust:exact}}";

void Legende(std::string& o) {
    o += "<p class=\"legende\">";
    for (int s = -2; s <= 2; ++s)
        o += std::string("<span style=\"background:") + Farbe(s) + ";color:" + Schrift(s) + "\">" +
             Esc(Stufentext(s)) + "</span>";
    o += " Jedes Feld der Besetzungskarte: links vorher (effektiv/Soll), rechts nach den offenen "
         "Vorschlägen.</p>\n";
}

// The heat map of one day: a row per unit and workplace, a column per slot.
void Karte(std::string& o, const Tag& t) {
    using Spalte = std::tuple<int32_t, int32_t, int32_t>;  // start, end, kind
    std::vector<std::pair<std::string, std::string>> zeilen;
    std::vector<Spalte> spalten;
    std::map<std::pair<std::size_t, std::size_t>, const MatrixZeile*> feld;
    std::map<Spalte, std::string> kuerzel;
    for (const MatrixZeile& m : t.matrix) {
        const Spalte s{m.szv, m.szb, m.asw};
        if (std::find(spalten.begin(), spalten.end(), s) == spalten.end()) spalten.push_back(s);
        if (!m.bsz.empty()) kuerzel.emplace(s, m.bsz);
        const std::pair<std::string, std::string> z{m.eso, m.esa};
        if (std::find(zeilen.begin(), zeilen.end(), z) == zeilen.end()) zeilen.push_back(z);
    }
    std::sort(spalten.begin(), spalten.end());
    for (const MatrixZeile& m : t.matrix) {
        const std::size_t zi = static_cast<std::size_t>(
            std::find(zeilen.begin(), zeilen.end(), std::make_pair(m.eso, m.esa)) - zeilen.begin());
        const std::size_t si = static_cast<std::size_t>(
            std::find(spalten.begin(), spalten.end(), Spalte{m.szv, m.szb, m.asw}) - spalten.begin());
        feld[{zi, si}] = &m;
    }
    const int links = 130, kopf = 34, breite = 112, hoehe = 30;
    const int w = links + static_cast<int>(spalten.size()) * breite + 2;
    const int h = kopf + static_cast<int>(zeilen.size()) * hoehe + 2;
    o += "<svg xmlns=\"http://www.w3.org/2000/svg\" role=\"img\" width=\"" + Zahl(w) + "\" height=\"" + Zahl(h) +
         "\" viewBox=\"0 0 " + Zahl(w) + " " + Zahl(h) + "\" aria-label=\"Besetzungskarte " + DatumKurz(t.datum) +
         "\">\n";
    for (std::size_t si = 0; si < spalten.size(); ++si) {
        const auto& [v, b, art] = spalten[si];
        const int x = links + static_cast<int>(si) * breite + breite / 2;
        auto k = kuerzel.find(spalten[si]);
        o += "<text x=\"" + Zahl(x) + "\" y=\"14\" font-size=\"11\" text-anchor=\"middle\">" +
             (k != kuerzel.end() ? Esc(k->second) + " " : std::string()) + "Art " + Zahl(art) + "</text>";
        o += "<text x=\"" + Zahl(x) + "\" y=\"28\" font-size=\"11\" text-anchor=\"middle\">" + Uhr(v) + "–" +
             Uhr(b) + "</text>\n";
    }
    for (std::size_t zi = 0; zi < zeilen.size(); ++zi) {
        const int y = kopf + static_cast<int>(zi) * hoehe;
        o += "<text x=\"4\" y=\"" + Zahl(y + 19) + "\" font-size=\"12\">" + Esc(zeilen[zi].first) + " / " +
             Esc(zeilen[zi].second) + "</text>\n";
        for (std::size_t si = 0; si < spalten.size(); ++si) {
            const int x = links + static_cast<int>(si) * breite;
            auto it = feld.find({zi, si});
            if (it == feld.end()) {
                o += "<rect x=\"" + Zahl(x + 1) + "\" y=\"" + Zahl(y + 1) + "\" width=\"" + Zahl(breite - 2) +
                     "\" height=\"" + Zahl(hoehe - 2) + "\" fill=\"#f2f2f2\" stroke=\"#ddd\"/>\n";
                continue;
            }
            const MatrixZeile& m = *it->second;
            const int vor = m.stufe(), nach = m.stufeNach();
            const int halb = (breite - 2) / 2;
            o += "<g><title>" + Esc(m.eso) + " / " + Esc(m.esa) + " " + Uhr(m.szv) + "–" + Uhr(m.szb) +
                 ": Soll " + Zahl(m.sol) + ", Minimum " + Zahl(m.min) + ", Maximum " + Zahl(m.max) + ", effektiv " +
                 Zahl(m.effektiv()) + " (" + Esc(Stufentext(vor)) + "), nach den Vorschlägen " +
                 Zahl(m.effektivNach()) + " (" + Esc(Stufentext(nach)) + ")</title>";
            o += "<rect x=\"" + Zahl(x + 1) + "\" y=\"" + Zahl(y + 1) + "\" width=\"" + Zahl(halb) + "\" height=\"" +
                 Zahl(hoehe - 2) + "\" fill=\"" + Farbe(vor) + "\"/>";
            o += "<rect x=\"" + Zahl(x + 1 + halb) + "\" y=\"" + Zahl(y + 1) + "\" width=\"" + Zahl(halb) +
                 "\" height=\"" + Zahl(hoehe - 2) + "\" fill=\"" + Farbe(nach) + "\"/>";
            o += "<text x=\"" + Zahl(x + 1 + halb / 2) + "\" y=\"" + Zahl(y + 19) +
                 "\" font-size=\"12\" text-anchor=\"middle\" fill=\"" + Schrift(vor) + "\">" + Zahl(m.effektiv()) +
                 "/" + Zahl(m.sol) + "</text>";
            o += "<text x=\"" + Zahl(x + 1 + halb + halb / 2) + "\" y=\"" + Zahl(y + 19) +
                 "\" font-size=\"12\" text-anchor=\"middle\" fill=\"" + Schrift(nach) + "\">" +
                 Zahl(m.effektivNach()) + "/" + Zahl(m.sol) + "</text></g>\n";
        }
    }
    o += "</svg>\n";
}

void Vorschlaege(std::string& o, const Tag& t) {
    if (t.vorschlaege.empty()) {
        o += "<p class=\"leer\">Keine Vorschläge.</p>\n";
        return;
    }
    o += "<table class=\"vorschlaege\"><thead><tr><th>Person</th><th>von</th><th>nach</th><th>Grund</th>"
         "<th>Status</th></tr></thead><tbody>\n";
    for (const Vorschlag& v : t.vorschlaege) {
        o += std::string("<tr class=\"") + (v.fnr == 0 ? "ok" : "grund") + "\"><td>" + Esc(v.pnr) + "</td><td>" +
             Slot(v.eso, v.esa, v.bsz, v.szv, v.szb) + "</td><td>" + Slot(v.oso, v.osa, v.osz, v.osv, v.osb) +
             "</td><td class=\"g\">" + (v.fnr == 0 ? std::string("✓ ") : Zahl(v.fnr) + " ") + Esc(GrundText(v.fnr)) +
             "</td><td>" + (v.sta == 9 ? std::string("offen") : Zahl(v.sta)) + "</td></tr>\n";
    }
    o += "</tbody></table>\n";
}

void Fehler(std::string& o, const Tag& t) {
    if (t.fehler.empty()) {
        o += "<p class=\"leer\">Keine Fehlerzeilen.</p>\n";
        return;
    }
    o += "<table class=\"fehler\"><thead><tr><th>Einheit</th><th>Arbeitsplatz</th><th>Schicht</th><th>Zeit</th>"
         "<th>Fehler</th><th>Liste</th></tr></thead><tbody>\n";
    for (const FehlerZeile& e : t.fehler)
        o += "<tr><td>" + Esc(e.eso) + "</td><td>" + Esc(e.esa) + "</td><td>" + Esc(e.knz) + "</td><td>" +
             Uhr(e.ztv) + "–" + Uhr(e.ztb) + "</td><td>" + Zahl(e.fnr) + " " + Esc(FehlerText(e.fnr)) + "</td><td>" +
             Esc(e.kng) + "</td></tr>\n";
    o += "</tbody></table>\n";
}

std::string Zelle(const char* name, long n) {
    return std::string("<td class=\"n\" data-n=\"") + name + "\">" + Zahl(n) + "</td>";
}

void UebersichtZeile(std::string& o, const std::string& plg, const std::string& titel, const Zaehlung& z,
                     bool gesamt) {
    o += std::string("<tr") + (gesamt ? " class=\"gesamt\"" : "") + " data-plg=\"" + Esc(plg) + "\"><td>" +
         Esc(titel) + "</td>" + Zelle("tage", z.tage) + Zelle("schichten", z.schichten) +
         Zelle("vorschlaege", z.vorschlaege) + Zelle("ohnegrund", z.ohneGrund) +
         Zelle("mitgrund", z.vorschlaege - z.ohneGrund) + Zelle("mindest", z.mindest) + Zelle("fehler", z.fehler) +
         Zelle("unterminimum", z.stufeVor[0]) + Zelle("unterminimumnach", z.stufeNach[0]) + "</tr>\n";
}

void Summen(std::string& o, const Bericht& b) {
    o += "<section id=\"summen\"><h2>Summen des Zeitraums</h2>\n";
    if (b.zaehlung.schichten == 0 && b.zaehlung.vorschlaege == 0 && b.zaehlung.fehler == 0)
        o += "<p class=\"leer\">Im Zeitraum gibt es keine Schichten, Vorschläge oder Fehlerzeilen.</p>\n";
    o += "<table class=\"uebersicht\"><thead><tr><th>Plangruppe</th><th>Tage</th><th>Schichten</th>"
         "<th>Vorschläge</th><th>ohne Regelverstoß</th><th>mit Grund</th><th>aus dem Mindestdurchgang</th>"
         "<th>Fehlerzeilen</th>"
         "<th>unter Minimum vorher</th><th>unter Minimum nachher</th></tr></thead><tbody>\n";
    for (const Plangruppe& p : b.plangruppen)
        UebersichtZeile(o, p.plg, p.txt.empty() ? p.plg : p.plg + " " + p.txt, p.zaehlung, false);
    UebersichtZeile(o, "*", "Gesamt", b.zaehlung, true);
    o += "</tbody></table>\n<div class=\"tabellen\">\n";

    o += "<table class=\"stufen\"><thead><tr><th>Besetzung der Schichten</th><th>vorher</th>"
         "<th>nach den Vorschlägen</th></tr></thead><tbody>\n";
    for (int s = -2; s <= 2; ++s)
        o += "<tr data-stufe=\"" + Zahl(s) + "\"><td><span style=\"color:" + Farbe(s) + "\">■</span> " +
             Esc(Stufentext(s)) + "</td>" + Zelle("vor", b.zaehlung.stufeVor[s + 2]) +
             Zelle("nach", b.zaehlung.stufeNach[s + 2]) + "</tr>\n";
    o += "</tbody></table>\n";

    // Every known code, and any other code that occurs.
    std::size_t anzahl = 0;
    const Kurztext* k = Kurztexte(anzahl);
    std::set<int32_t> gruende, fehler;
    for (std::size_t i = 0; i < anzahl; ++i) (k[i].art == "Grund" ? gruende : fehler).insert(k[i].code);
    for (const auto& [c, n] : b.zaehlung.nachGrund) gruende.insert(c);
    for (const auto& [c, n] : b.zaehlung.nachFehler) fehler.insert(c);
    o += "<table class=\"gruende\"><thead><tr><th>Grund</th><th>Kurztext</th><th>Vorschläge</th></tr></thead>"
         "<tbody>\n";
    for (int32_t c : gruende) {
        auto it = b.zaehlung.nachGrund.find(c);
        o += "<tr data-grund=\"" + Zahl(c) + "\"><td class=\"n\">" + Zahl(c) + "</td><td>" + Esc(GrundText(c)) +
             "</td>" + Zelle("anzahl", it == b.zaehlung.nachGrund.end() ? 0 : it->second) + "</tr>\n";
    }
    o += "</tbody></table>\n";
    o += "<table class=\"fehlernummern\"><thead><tr><th>Fehler</th><th>Kurztext</th><th>Fehlerzeilen</th></tr>"
         "</thead><tbody>\n";
    for (int32_t c : fehler) {
        auto it = b.zaehlung.nachFehler.find(c);
        o += "<tr data-fehler=\"" + Zahl(c) + "\"><td class=\"n\">" + Zahl(c) + "</td><td>" + Esc(FehlerText(c)) +
             "</td>" + Zelle("anzahl", it == b.zaehlung.nachFehler.end() ? 0 : it->second) + "</tr>\n";
    }
    o += "</tbody></table>\n</div>\n</section>\n";
}

void TagAbschnitt(std::string& o, const Plangruppe& p, const Tag& t) {
    const Zaehlung& z = t.zaehlung;
    o += "<section class=\"tag\" data-plg=\"" + Esc(p.plg) + "\" data-datum=\"" + Esc(t.datum) + "\"><h3>" +
         Esc(Datum(t.datum)) + "</h3>\n";
    o += "<p class=\"zahlen\">Schichten <b data-n=\"schichten\">" + Zahl(z.schichten) +
         "</b> · unter Minimum vorher <b data-n=\"unterminimum\">" + Zahl(z.stufeVor[0]) +
         "</b>, nachher <b data-n=\"unterminimumnach\">" + Zahl(z.stufeNach[0]) +
         "</b> · Vorschläge <b data-n=\"vorschlaege\">" + Zahl(z.vorschlaege) +
         "</b>, davon mit Grund <b data-n=\"mitgrund\">" + Zahl(z.vorschlaege - z.ohneGrund) +
         "</b>, aus dem Mindestdurchgang <b data-n=\"mindest\">" + Zahl(z.mindest) +
         "</b> · Fehlerzeilen <b data-n=\"fehler\">" + Zahl(z.fehler) + "</b></p>\n";
    if (t.matrix.empty())
        o += "<p class=\"leer\">Keine Schichten in der Besetzungsmatrix.</p>\n";
    else
        Karte(o, t);
    Vorschlaege(o, t);
    Fehler(o, t);
    o += "</section>\n";
}

}  // namespace

std::string Bericht_Html(const Bericht& b) {
    std::string o;
    o.reserve(1 << 16);
    const std::string titel = "Einsatzplan " + b.schema + ", " + DatumKurz(b.von) + " bis " + DatumKurz(b.bis);
    o += "<!DOCTYPE html>\n<html lang=\"de\" xmlns=\"http://www.w3.org/1999/xhtml\"><head><meta charset=\"utf-8\"/>"
         "<meta name=\"viewport\" content=\"width=device-width\"/><title>" +
         Esc(titel) + "</title><style>" + kStil + "</style></head>\n<body>\n";
    o += "<h1>" + Esc(titel) + "</h1>\n<p class=\"meta\">Bericht nach dem Optimierungslauf, erstellt " +
         Esc(b.erstellt) + ". Besetzung effektiv: Ist ohne Funktionscode 1 und ohne den kleineren Teil der "
                           "Funktionscodes 2 und 3.</p>\n";
    Legende(o);
    Summen(o, b);
    for (const Plangruppe& p : b.plangruppen) {
        o += "<section class=\"plangruppe\" data-plg=\"" + Esc(p.plg) + "\"><h2>Plangruppe " + Esc(p.plg) +
             (p.txt.empty() ? std::string() : " – " + Esc(p.txt)) + "</h2>\n";
        if (p.tage.empty()) o += "<p class=\"leer\">Keine Schichten, Vorschläge oder Fehlerzeilen im Zeitraum.</p>\n";
        for (const Tag& t : p.tage) TagAbschnitt(o, p, t);
        o += "</section>\n";
    }
    o += "</body>\n</html>\n";
    return o;
}
