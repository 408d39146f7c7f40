// The same demo plan, run once on the embedded database and once on the
// server, must leave the same proposals, staffing-matrix rows, error rows and
// plan-group rows: apart from the random proposal keys and the time stamps,
// row for row. The server is DORVELIAN_PG_URI or ctest's private cluster; without one the case
// skips with one line. The case works in a database of its own, so that its
// central calendar cannot disturb other cases on the same server.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "support/PlanRows.hpp"
#include "support/Program.hpp"
#include "support/ServerDb.hpp"
#include "support/TestDb.hpp"

namespace {

struct Spalte {
    std::string name, typ;
};

// A number in one text form for both backends ("10.0" and "10" are 10).
std::string Zahl(const std::string& t) {
    if (t.empty()) return t;
    char* ende = nullptr;
    double v = std::strtod(t.c_str(), &ende);
    if (*ende != '\0') return t;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

// The rows of a table as sorted texts, its time stamps and the listed
// columns left out; dates as 'yyyymmdd', numbers in one form, NULL as "~".
class Tabellen {
public:
    Tabellen(testdb::PlanRows& server, testdb::PlanRows& eingebettet) : server_(server), eingebettet_(eingebettet) {}

    std::vector<Spalte> spalten(const std::string& tabelle, const std::vector<std::string>& ohne) {
        std::vector<Spalte> out;
        for (const auto& z : server_.cells("select column_name, data_type from information_schema.columns where "
                                           "table_schema = 'plan' and table_name = '" + tabelle +
                                           "' order by ordinal_position")) {
            Spalte s{z[0], z[1]};
            if (s.typ.rfind("timestamp", 0) == 0) continue;
            if (std::find(ohne.begin(), ohne.end(), s.name) != ohne.end()) continue;
            out.push_back(s);
        }
        return out;
    }
    std::vector<std::string> server(const std::string& tabelle, const std::vector<Spalte>& sp) {
        return Zeilen(server_, tabelle, sp);
    }
    std::vector<std::string> eingebettet(const std::string& tabelle, const std::vector<Spalte>& sp) {
        return Zeilen(eingebettet_, tabelle, sp);
    }

private:
    static std::vector<std::string> Zeilen(testdb::PlanRows& db, const std::string& tabelle,
                                           const std::vector<Spalte>& sp) {
        std::string sql = "select ";
        for (std::size_t i = 0; i < sp.size(); ++i)
            sql += (i ? "," : "") + (sp[i].typ == "date" ? db.day(sp[i].name) : sp[i].name);
        std::vector<std::string> out;
        for (const auto& z : db.cells(sql + " from " + tabelle)) {
            std::string zeile;
            for (std::size_t i = 0; i < z.size(); ++i) zeile += (z[i] == "~" ? z[i] : Wert(sp[i], z[i])) + "|";
            out.push_back(zeile);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    static std::string Wert(const Spalte& s, const std::string& t) {
        return s.typ == "integer" || s.typ == "double precision" ? Zahl(t) : t;
    }
    testdb::PlanRows& server_;
    testdb::PlanRows& eingebettet_;
};

// Plan shapes: 10 days, 2 plan groups at levels PLG and ESA, so that every
// search scope has work; two smaller plans of other seeds, where rows of
// equal deviation decide which person is proposed; and two plans with NULLs
// in the deployments' sort columns (BdpRnd, BdpOsv, BdpAkt, BdpAzt), where
// the place of a NULL in a cursor decides.
class DemoAufBeidenBackends : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(Plaene, DemoAufBeidenBackends,
                         ::testing::Values(" --seed 7 --days 10 --units 3 --workplaces 2",
                                           " --seed 2 --days 6 --units 3 --workplaces 2",
                                           " --seed 3 --days 6 --units 3 --workplaces 2",
                                           " --seed 7 --days 10 --units 3 --workplaces 2 --nulls",
                                           " --seed 4 --days 6 --units 3 --workplaces 2 --nulls"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return "Plan" + std::to_string(info.index);
                         });

TEST_P(DemoAufBeidenBackends, HinterlaesstDieselbenZeilen) {
    const std::string server = testdb::postgresUri();
    if (server.empty()) GTEST_SKIP() << testdb::skipReason();
    testdb::ServerDb datenbank("dv_demob");
    ASSERT_TRUE(datenbank.ok());
    const std::string& uri = datenbank.uri();

    const std::string wurzel = testdb::makeTempDir();
    const std::string sq = wurzel + "/sqlite", pg = wurzel + "/pg";
    const std::string groesse = GetParam();
    std::vector<std::string> optionen = testdb::words(groesse);
    optionen.insert(optionen.begin(), {"--dir", sq});
    ASSERT_EQ(testdb::runDemo(optionen).code, 0);
    optionen[1] = pg;
    optionen.insert(optionen.end(), {"--pg", uri, "--user", "dorvelian", "--password", "dorvelian"});
    const testdb::Outcome made = testdb::runDemo(optionen);
    ASSERT_EQ(made.code, 0) << made.out << made.err;

    ASSERT_EQ(testdb::runProgram(testdb::demoRun(sq)).code, 0);
    ASSERT_EQ(testdb::runProgram(testdb::demoRun(pg)).code, 0);
    // Both runs end cleanly: nothing but the start and end lines in either log.
    EXPECT_EQ(testdb::readFile(sq + "/zentravis_php/log/dorvelian_PLAN.log").size(),
              testdb::readFile(pg + "/zentravis_php/log/dorvelian_PLAN.log").size());
    EXPECT_EQ(testdb::readFile(pg + "/zentravis_php/log/dorvelian_PLAN.log").find("Fehler"), std::string::npos)
        << testdb::readFile(pg + "/zentravis_php/log/dorvelian_PLAN.log");

    testdb::PlanRows c(testdb::Backend::Postgres, uri), s(testdb::Backend::Sqlite, "sqlite:" + sq + "/db");
    Tabellen t(c, s);
    const std::map<std::string, std::vector<std::string>> vergleich = {
        {"dvm735bdk", {"bdkkey"}}, {"dvm725bsm", {}}, {"dvm746err", {}}, {"dvm701plg", {}}};
    for (const auto& [tabelle, ohne] : vergleich) {
        SCOPED_TRACE(tabelle);
        const auto sp = t.spalten(tabelle, ohne);
        ASSERT_GT(sp.size(), 3u);
        const auto a = t.eingebettet(tabelle, sp), b = t.server(tabelle, sp);
        EXPECT_EQ(a.size(), b.size());
        EXPECT_FALSE(a.empty());
        std::vector<std::string> nurA, nurB;
        std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(nurA));
        std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(nurB));
        EXPECT_TRUE(nurA.empty() && nurB.empty())
            << nurA.size() << " rows only on SQLite, " << nurB.size() << " only on the server; first: "
            << (nurA.empty() ? "" : nurA[0]) << " / " << (nurB.empty() ? "" : nurB[0]);
    }
    // The runs did work: proposals and recounted overstaffed rows exist.
    EXPECT_GT(t.eingebettet("dvm735bdk", t.spalten("dvm735bdk", {"bdkkey"})).size(), 10u);

    testdb::removeTree(wurzel);
}

}  // namespace
