// The planners' views and dorvelian-report on both backends: a demo plan run
// for one of its two plan groups, whose report must show the counts that SQL
// on the same tables gives and whose views must agree with the tables row
// for row; an empty period; a plan on the older table layout with faulty
// rows; the command line. The markup of every report is checked to be
// well-formed.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "support/PlanRows.hpp"
#include "support/Program.hpp"
#include "support/ServerDb.hpp"
#include "support/TestDb.hpp"
#include "support/Workspace.hpp"
#include "support/XmlCheck.hpp"
#include "report/Kurztexte.hpp"

namespace {

using testdb::Backend;

// Runs dorvelian-report with the arguments.
testdb::Outcome Report(const std::vector<std::string>& args) {
    return testdb::runProgram({.program = "dorvelian-report", .args = args});
}

// A count of the plan schema as a number (NULL as 0).
long Zahl(testdb::PlanRows& l, const std::string& sql) {
    const std::string z = l.scalar(sql);
    return z.empty() || z == "~" ? 0 : std::stol(z);
}

// Effective staffing of a matrix row and its counts of open optimisation
// proposals out of and into the slot, in SQL that both backends run.
const char kEffektiv[] =
    "(coalesce(BsmIst,0)-coalesce(BsmHtg,0)-(case when coalesce(BsmHtv,0)<coalesce(BsmHtn,0) "
    "then coalesce(BsmHtv,0) else coalesce(BsmHtn,0) end))";
const char kAus[] =
    "(select count(*) from Dvm735Bdk a where a.BdkEso=m.BsmEso and a.BdkEsa=m.BsmEsa and a.BdkBdt=m.BsmBdt "
    "and a.BdkSzv=m.BsmSzv and a.BdkAsw=m.BsmAsw and a.BdkSta=9 and a.BdkErf='OPTIMIERUNG')";
const char kEin[] =
    "(select count(*) from Dvm735Bdk a where a.BdkOso=m.BsmEso and a.BdkOsa=m.BsmEsa and a.BdkBdt=m.BsmBdt "
    "and a.BdkOsv=m.BsmSzv and a.BdkOsw=m.BsmAsw and a.BdkSta=9 and a.BdkErf='OPTIMIERUNG')";
// "below the minimum" for an effective staffing e: below target and minimum.
std::string UnterMinimum(const std::string& e) {
    return "(" + e + " < coalesce(BsmSol,0) and " + e + " < coalesce(BsmMin,0))";
}

// The element of the page that starts with the opening text and ends with
// the matching close tag of its name (sections and rows do not nest in
// themselves).
std::string Element(const std::string& html, const std::string& anfang, const std::string& tag) {
    const std::size_t a = html.find(anfang);
    if (a == std::string::npos) return "";
    const std::size_t e = html.find("</" + tag + ">", a);
    return e == std::string::npos ? "" : html.substr(a, e - a);
}
// The figure named by data-n inside a piece of the page; -1 when missing.
long Figur(const std::string& stueck, const std::string& name) {
    std::smatch m;
    if (!std::regex_search(stueck, m, std::regex("data-n=\"" + name + "\">([0-9]+)<"))) return -1;
    return std::stol(m[1]);
}

std::string Uhr(const std::string& minuten) {
    if (minuten == "~") return "~";
    const long m = std::stol(minuten);
    if (m < 0 || m > 1439) return minuten;
    char b[8];
    std::snprintf(b, sizeof b, "%02ld:%02ld", m / 60, m % 60);
    return b;
}
std::string Iso(const std::string& d) {
    return d.size() == 8 ? d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2) : d;
}
std::string Text(std::string_view t) { return t.empty() ? "~" : std::string(t); }

std::vector<std::string> Teile(const std::string& zeile) {
    std::vector<std::string> out;
    std::size_t a = 0;
    for (;;) {
        std::size_t e = zeile.find('|', a);
        out.push_back(zeile.substr(a, e == std::string::npos ? std::string::npos : e - a));
        if (e == std::string::npos) return out;
        a = e + 1;
    }
}
std::string Verbinden(const std::vector<std::string>& t) {
    std::string o;
    for (std::size_t i = 0; i < t.size(); ++i) o += (i ? "|" : "") + t[i];
    return o;
}
std::vector<std::string> Sortiert(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// The views against the tables, row for row: each view row is computed here
// from the table's raw row and compared as text.
void ViewsPruefen(testdb::PlanRows& l) {
    {
        SCOPED_TRACE("Planer_Codes");
        std::size_t n = 0;
        const Kurztext* k = Kurztexte(n);
        std::vector<std::string> soll;
        for (std::size_t i = 0; i < n; ++i)
            soll.push_back(std::to_string(k[i].code) + "|" + std::string(k[i].art) + "|" + std::string(k[i].text));
        EXPECT_EQ(Sortiert(l.rows("select Code, Art, Kurztext from Planer_Codes")), Sortiert(soll));
    }
    {
        SCOPED_TRACE("Planer_Vorschlaege");
        std::vector<std::string> soll;
        for (const std::string& z : l.rows("select BdkPlg," + l.day("BdkBdt") +
                                             ",BdkPnr,BdkEso,BdkEsa,BdkBsz,BdkSzv,BdkSzb,BdkOso,BdkOsa,BdkOsz,BdkOsv,"
                                             "BdkOsb,BdkAsw,BdkOsw,BdkFnr,BdkSta,BdkErf,BdkKey,BdkLfd from Dvm735Bdk")) {
            auto t = Teile(z);
            t[1] = Iso(t[1]);
            for (int i : {6, 7, 11, 12}) t[static_cast<std::size_t>(i)] = Uhr(t[static_cast<std::size_t>(i)]);
            t.insert(t.begin() + 16, t[15] == "~" ? "~" : Text(Grundtext(std::stoi(t[15]))));
            soll.push_back(Verbinden(t));
        }
        EXPECT_EQ(Sortiert(l.rows("select Plangruppe,Datum,Person,VonEinheit,VonArbeitsplatz,VonSchicht,VonBeginn,"
                                    "VonEnde,NachEinheit,NachArbeitsplatz,NachSchicht,NachBeginn,NachEnde,Schichtart,"
                                    "NachSchichtart,Grund,Grundtext,Status,Herkunft,Schluessel,Lfd "
                                    "from Planer_Vorschlaege")),
                  Sortiert(soll));
    }
    {
        SCOPED_TRACE("Planer_Fehler");
        std::vector<std::string> soll;
        for (const std::string& z : l.rows("select ErrPlg,ErrKng,ErrLfn," + l.day("ErrBdt") +
                                             ",ErrEso,ErrEsa,ErrKnz,ErrZtv,ErrZtb,ErrFnr,ErrPnr from Dvm746Err")) {
            auto t = Teile(z);
            t[3] = Iso(t[3]);
            t[7] = Uhr(t[7]);
            t[8] = Uhr(t[8]);
            t.insert(t.begin() + 10, t[9] == "~" ? "~" : Text(Fehlertext(std::stoi(t[9]))));
            soll.push_back(Verbinden(t));
        }
        EXPECT_EQ(Sortiert(l.rows("select Plangruppe,Liste,Lfn,Datum,Einheit,Arbeitsplatz,Schicht,Beginn,Ende,Fehler,"
                                    "Fehlertext,Person from Planer_Fehler")),
                  Sortiert(soll));
    }
    {
        SCOPED_TRACE("Planer_Besetzung");
        // Open optimisation proposals per slot, counted here from the raw rows.
        std::map<std::string, long> aus, ein;
        for (const std::string& z : l.rows("select BdkEso,BdkEsa," + l.day("BdkBdt") +
                                             ",BdkSzv,BdkAsw,BdkOso,BdkOsa,BdkOsv,BdkOsw from Dvm735Bdk "
                                             "where BdkSta=9 and BdkErf='OPTIMIERUNG'")) {
            auto t = Teile(z);
            ++aus[t[0] + "|" + t[1] + "|" + t[2] + "|" + t[3] + "|" + t[4]];
            ++ein[t[5] + "|" + t[6] + "|" + t[2] + "|" + t[7] + "|" + t[8]];
        }
        auto n = [](const std::string& s) { return s == "~" ? 0L : std::stol(s); };
        std::vector<std::string> soll;
        for (const std::string& z : l.rows("select BsmPlg," + l.day("BsmBdt") +
                                             ",BsmEso,BsmEsa,BsmBsz,BsmSzv,BsmSzb,BsmAsw,BsmSol,BsmMin,BsmMax,BsmIst,"
                                             "BsmHtg,BsmHtv,BsmHtn,BsmFkt from Dvm725Bsm")) {
            auto t = Teile(z);
            const std::string slot = t[2] + "|" + t[3] + "|" + t[1] + "|" + t[5] + "|" + t[7];
            const long e = n(t[11]) - n(t[12]) - std::min(n(t[13]), n(t[14]));
            const long a = aus.count(slot) ? aus[slot] : 0, i = ein.count(slot) ? ein[slot] : 0;
            const int32_t sol = static_cast<int32_t>(n(t[8])), mi = static_cast<int32_t>(n(t[9])),
                          ma = static_cast<int32_t>(n(t[10]));
            const int vor = Besetzungsstufe(e, sol, mi, ma), nach = Besetzungsstufe(e + i - a, sol, mi, ma);
            soll.push_back(Verbinden({t[0], Iso(t[1]), t[2], t[3], t[4], Uhr(t[5]), Uhr(t[6]), t[7],
                                      std::to_string(sol), std::to_string(mi), std::to_string(ma),
                                      std::to_string(n(t[11])), std::to_string(e), std::to_string(vor),
                                      std::string(Stufentext(vor)), std::to_string(n(t[15])), std::to_string(a),
                                      std::to_string(i), std::to_string(e + i - a), std::to_string(nach),
                                      std::string(Stufentext(nach))}));
        }
        EXPECT_EQ(Sortiert(l.rows("select Plangruppe,Datum,Einheit,Arbeitsplatz,Schicht,Beginn,Ende,Schichtart,Soll,"
                                    "Minimum,Maximum,Ist,Effektiv,Stufe,Klasse,Abweichung,VorschlaegeAus,"
                                    "VorschlaegeEin,EffektivNach,StufeNach,KlasseNach from Planer_Besetzung")),
                  Sortiert(soll));
    }
}

TESTDB_BOTH_BACKENDS(PlanerBericht);

// Demo of two plan groups, run for PG01 only (with the minimum pass): PG02
// keeps its matrix but gets no proposal and no error row.
TEST_P(PlanerBericht, ZeigtDieZahlenDerTabellenUndDieViewsStimmenMitIhnen) {
    const std::string wurzel = testdb::makeTempDir();
    std::unique_ptr<testdb::ServerDb> server;
    std::vector<std::string> demo =
        testdb::words("--days 5 --plangroups 2 --units 2 --slots 5 --seed 3 --dir " + wurzel + "/demo");
    if (backend() == Backend::Postgres) {
        server = std::make_unique<testdb::ServerDb>("dv_rep");
        demo.insert(demo.end(), {"--pg", server->uri(), "--user", "dorvelian", "--password", "dorvelian"});
    }
    const testdb::Outcome made = testdb::runDemo(demo);
    ASSERT_EQ(made.code, 0) << made.out << made.err;
    ASSERT_EQ(testdb::runProgram({.program = "dorvelian-config",
                                  .args = {wurzel + "/demo/work/dorvelian.cfg", "--minimum-pass", "on"}})
                  .code,
              0);
    ASSERT_EQ(testdb::runProgram(testdb::demoRun(wurzel + "/demo", {.user = "demo", .job = "JOB0001", .key = "KEY0001",
                                                                    .plg = "PG01"}))
                  .code,
              0);
    const std::string html = wurzel + "/bericht.html";
    const testdb::Outcome bericht = Report({"--output", html, wurzel + "/demo/work/dorvelian.cfg"});
    ASSERT_EQ(bericht.code, 0) << bericht.err;
    const std::string seite = testdb::readFile(html);
    EXPECT_EQ(testdb::xmlProblem(seite), "");

    testdb::PlanRows l(backend(), server ? server->uri() : "sqlite:" + wurzel + "/demo/db");
    ASSERT_GT(Zahl(l, "select count(*) from Dvm735Bdk where BdkPlg='PG01'"), 0);
    ASSERT_GT(Zahl(l, "select count(*) from Dvm725Bsm where BsmPlg='PG02'"), 0);

    ASSERT_GT(Zahl(l, "select count(*) from Dvm735Bdk where BdkTxt='MINDESTDURCHGANG'"), 0);
    // Totals per plan group and of the whole report.
    for (const std::string plg : {"PG01", "PG02", "*"}) {
        SCOPED_TRACE(plg);
        const std::string zeile = Element(seite, "data-plg=\"" + plg + "\"><td>", "tr");
        ASSERT_FALSE(zeile.empty());
        const std::string bsm = plg == "*" ? "" : " and m.BsmPlg='" + plg + "'";
        const std::string bdk = plg == "*" ? "" : " and BdkPlg='" + plg + "'";
        const std::string err = plg == "*" ? "" : " and ErrPlg='" + plg + "'";
        EXPECT_EQ(Figur(zeile, "schichten"), Zahl(l, "select count(*) from Dvm725Bsm m where 1=1" + bsm));
        EXPECT_EQ(Figur(zeile, "vorschlaege"), Zahl(l, "select count(*) from Dvm735Bdk where 1=1" + bdk));
        EXPECT_EQ(Figur(zeile, "ohnegrund"), Zahl(l, "select count(*) from Dvm735Bdk where BdkFnr=0" + bdk));
        EXPECT_EQ(Figur(zeile, "mitgrund"), Zahl(l, "select count(*) from Dvm735Bdk where BdkFnr<>0" + bdk));
        EXPECT_EQ(Figur(zeile, "mindest"),
                  Zahl(l, "select count(*) from Dvm735Bdk where BdkTxt='MINDESTDURCHGANG'" + bdk));
        EXPECT_EQ(Figur(zeile, "fehler"), Zahl(l, "select count(*) from Dvm746Err where 1=1" + err));
        EXPECT_EQ(Figur(zeile, "unterminimum"),
                  Zahl(l, "select count(*) from Dvm725Bsm m where " + UnterMinimum(kEffektiv) + bsm));
        EXPECT_EQ(Figur(zeile, "unterminimumnach"),
                  Zahl(l, "select count(*) from Dvm725Bsm m where " +
                         UnterMinimum(std::string("(") + kEffektiv + "+" + kEin + "-" + kAus + ")") + bsm));
        if (plg != "*") {
            EXPECT_EQ(Figur(zeile, "tage"),
                      Zahl(l, "select count(distinct BsmBdt) from Dvm725Bsm m where 1=1" + bsm));
        }
    }
    // Proposals per reason code and error rows per error number.
    for (const std::string& z : l.rows("select BdkFnr, count(*) from Dvm735Bdk group by BdkFnr")) {
        auto t = Teile(z);
        EXPECT_EQ(Figur(Element(seite, "<tr data-grund=\"" + t[0] + "\">", "tr"), "anzahl"), std::stol(t[1])) << t[0];
    }
    for (const std::string& z : l.rows("select ErrFnr, count(*) from Dvm746Err group by ErrFnr")) {
        auto t = Teile(z);
        EXPECT_EQ(Figur(Element(seite, "<tr data-fehler=\"" + t[0] + "\">", "tr"), "anzahl"), std::stol(t[1])) << t[0];
    }
    EXPECT_FALSE(l.rows("select ErrFnr from Dvm746Err").empty());
    // Each day of each plan group.
    for (const std::string plg : {"PG01", "PG02"}) {
        for (const std::string& z : l.rows("select " + l.day("BsmBdt") + ", count(*) from Dvm725Bsm where BsmPlg='" +
                                             plg + "' group by BsmBdt")) {
            auto t = Teile(z);
            SCOPED_TRACE(plg + " " + t[0]);
            const std::string tag =
                Element(seite, "<section class=\"tag\" data-plg=\"" + plg + "\" data-datum=\"" + t[0] + "\">", "section");
            ASSERT_FALSE(tag.empty());
            EXPECT_EQ(Figur(tag, "schichten"), std::stol(t[1]));
            const std::string amTag = " and " + l.day("BdkBdt") + "='" + t[0] + "'";
            const long vorschlaege = Zahl(l, "select count(*) from Dvm735Bdk where BdkPlg='" + plg + "'" + amTag);
            EXPECT_EQ(Figur(tag, "vorschlaege"), vorschlaege);
            EXPECT_EQ(Figur(tag, "fehler"), Zahl(l, "select count(*) from Dvm746Err where ErrPlg='" + plg + "' and " +
                                                   l.day("ErrBdt") + "='" + t[0] + "'"));
            // One heat-map cell per matrix row, and a table row per proposal.
            std::size_t zellen = 0, tabellenzeilen = 0;
            for (std::size_t p = tag.find("<g><title>"); p != std::string::npos; p = tag.find("<g><title>", p + 1)) ++zellen;
            for (const char* c : {"<tr class=\"ok\">", "<tr class=\"grund\">"})
                for (std::size_t p = tag.find(c); p != std::string::npos; p = tag.find(c, p + 1)) ++tabellenzeilen;
            EXPECT_EQ(zellen, static_cast<std::size_t>(std::stol(t[1])));
            EXPECT_EQ(tabellenzeilen, static_cast<std::size_t>(vorschlaege));
            if (plg == "PG02") {
                EXPECT_NE(tag.find("Keine Vorschläge."), std::string::npos);
                EXPECT_NE(tag.find("Keine Fehlerzeilen."), std::string::npos);
            }
        }
    }
    EXPECT_EQ(Figur(Element(seite, "data-plg=\"PG02\"><td>", "tr"), "vorschlaege"), 0);
    // The staffing classes agree with the error review of the run (PG01; the
    // run's period is the whole matrix): a slot is out of balance exactly
    // when it got an error row, above the target or maximum as its number says.
    EXPECT_EQ(Zahl(l, "select count(*) from Planer_Besetzung where Plangruppe='PG01' and Stufe<>0"),
              Zahl(l, "select count(*) from Dvm746Err where ErrPlg='PG01'"));
    EXPECT_EQ(Zahl(l, "select count(*) from Planer_Besetzung where Plangruppe='PG01' and Stufe=2"),
              Zahl(l, "select count(*) from Dvm746Err where ErrPlg='PG01' and ErrFnr=1605"));
    EXPECT_EQ(Zahl(l, "select count(*) from Planer_Besetzung where Plangruppe='PG01' and Stufe=1"),
              Zahl(l, "select count(*) from Dvm746Err where ErrPlg='PG01' and ErrFnr=1604"));

    ViewsPruefen(l);
    testdb::removeTree(wurzel);
}

// A plan on the older table layout with rows the program would not write
// (unknown reason code, NULL slot end, a time beyond the day, a proposal of
// another origin, an error row without date): views and report read it.
TEST_P(PlanerBericht, LiestDieAeltereTabellenformUndFehlerhafteZeilen) {
    testdb::TestDb db(backend(), testdb::Layout::Older);
    db.exec(testdb::readFile(std::string(DORVELIAN_SOURCE_DIR) + "/schema/" + testdb::backendName(backend()) +
                             "/views.sql"));
    const std::string d = testdb::dayOffset(1);
    db.exec("INSERT INTO Dvm701Plg (PlgPlg, PlgTxt) VALUES ('PGA', 'Alt')");
    // Four slots of one workplace: below minimum, below target, balanced
    // (after one proposal in), above maximum (before one proposal out).
    const std::string bsm =
        "INSERT INTO Dvm725Bsm (BsmBdt, BsmEso, BsmEsa, BsmSzv, BsmSzb, BsmBsz, BsmSol, BsmMin, BsmMax, BsmIst, "
        "BsmHtg, BsmHtv, BsmHtn, BsmPlg, BsmAsw, BsmFkt) VALUES (" + testdb::jd(d) + ", 'E1', 'A1', ";
    db.exec(bsm + "360, 840, 'F', 3, 2, 4, 1, 0, 0, 0, 'PGA', 1, -150)");
    db.exec(bsm + "840, 1320, 'S', 3, 2, 4, 3, 0, 2, 1, 'PGA', 1, -25)");   // 3 - min(2,1) = 2
    db.exec(bsm + "1320, 360, 'N', 2, 1, 2, 1, 0, 0, 0, 'PGA', 1, -33)");
    db.exec(bsm + "1500, NULL, NULL, 1, 1, 2, 4, 1, 0, 0, 'PGA', 1, 190)");  // 4 - 1 = 3 > 2
    const std::string bdk =
        "INSERT INTO Dvm735Bdk (BdkKey, BdkLfd, BdkPnr, BdkBdt, BdkEso, BdkEsa, BdkSzv, BdkSzb, BdkOso, BdkOsa, "
        "BdkOsv, BdkOsb, BdkPlg, BdkAsw, BdkOsw, BdkFnr, BdkSta, BdkErf) VALUES (";
    db.exec(bdk + "'K1', 1, 'P1', " + testdb::jd(d) + ", 'E1', 'A1', 1500, NULL, 'E1', 'A1', 1320, 360, 'PGA', 1, 1, "
                  "9999, 9, 'OPTIMIERUNG')");
    db.exec(bdk + "'K2', 1, 'P2', " + testdb::jd(d) + ", 'E1', 'A1', 1500, NULL, 'E1', 'A1', 360, 840, 'PGA', 1, 1, "
                  "0, 9, 'HAND')");
    db.exec("INSERT INTO Dvm746Err (ErrPlg, ErrKng, ErrLfn, ErrEso, ErrEsa, ErrBdt, ErrZtv, ErrZtb, ErrFnr) VALUES "
            "('PGA', 'PLANO', 1, 'E1', 'A1', " + testdb::jd(d) + ", 360, 840, 1602), "
            "('PGA', 'PLANO', 2, 'E1', 'A1', NULL, 0, 0, 1777)");

    // The views.
    EXPECT_EQ(db.joined("select Klasse || '>' || KlasseNach from Planer_Besetzung order by Beginn"),
              "unter Minimum>unter Minimum,unter Soll>unter Soll,über Maximum>über Soll,unter Soll>ausgeglichen");
    EXPECT_EQ(db.joined("select coalesce(Grundtext,'?') || ' ' || VonBeginn || '-' || coalesce(VonEnde,'?') "
                        "from Planer_Vorschlaege order by Schluessel"),
              "? 1500-?,keine Regel verletzt 1500-?");
    EXPECT_EQ(db.joined("select coalesce(Datum,'-') || ' ' || coalesce(Fehlertext,'?') from Planer_Fehler order by Lfn"),
              Iso(d) + " unter Mindestbesetzung,- ?");

    // The report, from the plan group's first day. It only reads: every
    // table it reads is the same afterwards, row for row.
    auto Stand = [&db] {
        std::vector<std::vector<std::string>> alle;
        for (const char* t : {"Dvm701Plg", "Dvm725Bsm", "Dvm735Bdk", "Dvm746Err"})
            for (auto& z : db.rows(std::string("select * from ") + t + " order by rowid")) alle.push_back(z);
        return alle;
    };
    const auto vorher = Stand();
    testdb::Workspace ws;
    ws.writeConfig(db.service(), db.schema(), db.login(), db.password());
    const std::string html = ws.root() + "/b.html";
    const testdb::Outcome bericht = Report({"-o", html, ws.configPath()});
    ASSERT_EQ(bericht.code, 0) << bericht.err;
    EXPECT_EQ(Stand(), vorher);
    const std::string seite = testdb::readFile(html);
    EXPECT_EQ(testdb::xmlProblem(seite), "");
    const std::string summe = Element(seite, "data-plg=\"PGA\"><td>", "tr");
    EXPECT_EQ(Figur(summe, "schichten"), 4);
    EXPECT_EQ(Figur(summe, "vorschlaege"), 2);
    EXPECT_EQ(Figur(summe, "mitgrund"), 1);
    EXPECT_EQ(Figur(summe, "fehler"), 1) << "the row without date lies in no period";
    EXPECT_EQ(Figur(summe, "unterminimum"), 1);
    EXPECT_EQ(Figur(Element(seite, "<tr data-stufe=\"2\">", "tr"), "vor"), 1);
    EXPECT_EQ(Figur(Element(seite, "<tr data-stufe=\"2\">", "tr"), "nach"), 0);
    EXPECT_EQ(Figur(Element(seite, "<tr data-stufe=\"0\">", "tr"), "nach"), 1);
    EXPECT_EQ(Figur(Element(seite, "<tr data-grund=\"9999\">", "tr"), "anzahl"), 1);
    EXPECT_NE(seite.find("9999 unbekannter Code"), std::string::npos);
    EXPECT_NE(seite.find("E1 / A1 · 1500–00:00"), std::string::npos) << "a time beyond the day shows as its number";
}

// A period without rows, and the command line.
TEST_P(PlanerBericht, LeererZeitraumUndAufruf) {
    testdb::TestDb db(backend());
    db.exec("INSERT INTO Dvm701Plg (PlgPlg) VALUES ('PGX')");
    db.exec("INSERT INTO Dvm725Bsm (BsmBdt, BsmEso, BsmEsa, BsmSzv, BsmSzb, BsmPlg, BsmAsw, BsmSol, BsmMin) VALUES (" +
            testdb::jd(testdb::dayOffset(2)) + ", 'E1', 'A1', 360, 840, 'PGX', 1, 1, 1)");
    testdb::Workspace ws;
    ws.writeConfig(db.service(), db.schema(), db.login(), db.password());
    const std::string cfg = ws.configPath();

    testdb::Outcome o = Report({"--from", testdb::dayOffset(5), "--to", testdb::dayOffset(9), cfg});
    ASSERT_EQ(o.code, 0) << o.err;
    std::string seite = o.out;
    EXPECT_EQ(testdb::xmlProblem(seite), "");
    EXPECT_EQ(Figur(Element(seite, "data-plg=\"*\"><td>", "tr"), "schichten"), 0);
    EXPECT_EQ(Figur(Element(seite, "data-plg=\"PGX\"><td>", "tr"), "tage"), 0);
    EXPECT_NE(seite.find("Im Zeitraum gibt es keine Schichten"), std::string::npos);
    EXPECT_EQ(seite.find("<svg"), std::string::npos);

    // The same plan group from today: its one row.
    o = Report({"-p", "PGX", cfg});
    ASSERT_EQ(o.code, 0) << o.err;
    seite = o.out;
    EXPECT_EQ(Figur(Element(seite, "data-plg=\"PGX\"><td>", "tr"), "schichten"), 1);
    EXPECT_EQ(Figur(Element(seite, "<tr data-stufe=\"-2\">", "tr"), "vor"), 1);

    // The command line: exit code, and a text the stream ("out"/"err") holds
    // ("" = none checked); the version line begins with it, --help writes no error.
    const struct {
        std::vector<std::string> args;
        int code;
        const char* stream;
        const char* text;
    } aufrufe[] = {
        {{"-p", "NOPE", cfg}, 1, "err", "NOPE not found"},
        {{"--to", testdb::dayOffset(1), "--from", testdb::dayOffset(3), cfg}, 2, "", ""},
        {{"--from", "20261332", cfg}, 2, "", ""},
        {{"--frobnicate", cfg}, 2, "err", "unknown option --frobnicate"},
        {{}, 2, "", ""},
        {{"--help"}, 0, "out", "usage: dorvelian-report"},
        {{"--version"}, 0, "out", "dorvelian-report "},
        {{ws.root() + "/missing.cfg"}, 1, "", ""},
    };
    for (const auto& a : aufrufe) {
        SCOPED_TRACE(testing::PrintToString(a.args));
        o = Report(a.args);
        EXPECT_EQ(o.code, a.code);
        const std::string& strom = std::string(a.stream) == "out" ? o.out : o.err;
        const std::size_t wo = strom.find(a.text);
        EXPECT_NE(wo, std::string::npos) << strom;
        if (a.args == std::vector<std::string>{"--version"}) { EXPECT_EQ(wo, 0u); }
        if (a.args == std::vector<std::string>{"--help"}) { EXPECT_EQ(o.err, ""); }
    }
}

// The same demo plan, run on each backend, gives the same page (apart from
// the time it was made): the report's statements read alike on both.
TEST(PlanerBerichtBeideBackends, GleicheSeite_postgresql) {
    if (testdb::serverMissing(Backend::Postgres)) GTEST_SKIP() << testdb::skipReason();
    const std::string wurzel = testdb::makeTempDir();
    testdb::ServerDb server("dv_rep");
    const std::vector<std::string> demo = testdb::words("--days 4 --plangroups 2 --units 2 --dir");
    std::vector<std::string> sq = demo, pg = demo;
    sq.push_back(wurzel + "/sq");
    pg.insert(pg.end(), {wurzel + "/pg", "--pg", server.uri(), "--user", "dorvelian", "--password", "dorvelian"});
    ASSERT_EQ(testdb::runDemo(sq).code, 0);
    ASSERT_EQ(testdb::runDemo(pg).code, 0);
    std::string seiten[2];
    int i = 0;
    for (const char* d : {"/sq", "/pg"}) {
        ASSERT_EQ(testdb::runProgram(testdb::demoRun(wurzel + d)).code, 0);
        const testdb::Outcome bericht = Report({"-o", wurzel + d + ".html", wurzel + d + "/work/dorvelian.cfg"});
        ASSERT_EQ(bericht.code, 0) << bericht.err;
        seiten[i++] = std::regex_replace(testdb::readFile(wurzel + d + ".html"),
                                         std::regex("erstellt [0-9-]+ [0-9:]+\\."), "erstellt X.");
    }
    EXPECT_NE(seiten[0].find("<svg"), std::string::npos);
    EXPECT_NE(seiten[0].find("<tr class=\"grund\">"), std::string::npos);
    EXPECT_TRUE(seiten[0] == seiten[1]) << "the pages differ: " << wurzel << "/sq.html and /pg.html";
    if (seiten[0] == seiten[1]) testdb::removeTree(wurzel);
}

TEST(XmlCheck, ErkenntFehlerhaftesMarkup) {
    EXPECT_EQ(testdb::xmlProblem("<!DOCTYPE html>\n<a x=\"1\"><b/>t &amp; &#8211;</a>\n"), "");
    EXPECT_NE(testdb::xmlProblem("<a><b></a></b>"), "");
    EXPECT_NE(testdb::xmlProblem("<a><br></a>"), "");
    EXPECT_NE(testdb::xmlProblem("<a>x & y</a>"), "");
    EXPECT_NE(testdb::xmlProblem("<a x=1></a>"), "");
    EXPECT_NE(testdb::xmlProblem("<a x=\"1\" x=\"2\"></a>"), "");
    EXPECT_NE(testdb::xmlProblem("<a></a><b></b>"), "");
    EXPECT_NE(testdb::xmlProblem("<a>&nbsp;</a>"), "");
}

}  // namespace
