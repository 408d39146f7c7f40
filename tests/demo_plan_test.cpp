// The demo plan: created by one command, internally consistent, and every
// statement the program runs on it finds its rows through an index, the
// cursors with their NULL place as without it.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <set>

#include "db/Connect.hpp"
#include "db/Err.hpp"
#include "db/Runtime.hpp"
#include "run/Config.hpp"
#include "run/Einsatzplan.hpp"
#include "base/Log.hpp"
#include "run/Main.hpp"
#include "support/PlanRows.hpp"
#include "support/Program.hpp"
#include "support/TestDb.hpp"

namespace {

int demo(const std::string& dir) {
    return testdb::runDemo({"--dir", dir, "--days", "3", "--plangroups", "3", "--units", "2", "--workplaces", "2",
                            "--seed", "7"})
        .code;
}

void platzhalter(sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_null(ctx); }

class Raw : public testdb::PlanRows {
public:
    explicit Raw(const std::string& dir) : PlanRows(testdb::Backend::Sqlite, "sqlite:" + dir + "/db") {
        // The plans do not depend on what these compute, only that they are
        // deterministic functions of their arguments.
        const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
        for (const char* f : {"TO_DATE", "TO_CHAR"})
            for (int n : {1, 2}) sqlite3_create_function(sqlite(), f, n, det, nullptr, platzhalter, nullptr, nullptr);
        sqlite3_create_function(sqlite(), "ora_sysdate", 0, det, nullptr, platzhalter, nullptr, nullptr);
    }
    // Column `col` of every row.
    std::vector<std::string> spalte(const std::string& sql, std::size_t col = 0) {
        std::vector<std::string> out;
        for (const auto& z : cells(sql)) out.push_back(z.at(col));
        return out;
    }
};

class DemoPlan : public ::testing::Test {
protected:
    std::string root = testdb::makeTempDir();
    std::string dir = root + "/demo";
    void TearDown() override {
        db::disconnect();
        testdb::removeTree(root);
    }
};

TEST_F(DemoPlan, IsCreatedOnceConsistentAndDeterministic) {
    ASSERT_EQ(demo(dir), 0);
    EXPECT_NE(demo(dir), 0) << "an existing demo is replaced only with --force";
    Raw raw(dir);
    // Every matrix row counts the deployments of its slot.
    EXPECT_EQ(raw.scalar("SELECT count(*) FROM Dvm725Bsm m WHERE BsmIst <> (SELECT count(*) FROM Dvm730Bdp d WHERE "
                       "d.BdpPlg=m.BsmPlg AND d.BdpEso=m.BsmEso AND d.BdpEsa=m.BsmEsa AND d.BdpBdt=m.BsmBdt AND "
                       "d.BdpSzv=m.BsmSzv AND d.BdpAsw=m.BsmAsw AND d.BdpSts NOT IN ('O','D'))"),
              "0");
    // Work for the optimiser: short and over slots of the same day and kind.
    EXPECT_NE(raw.scalar("SELECT count(*) FROM Dvm725Bsm u JOIN Dvm725Bsm o ON o.BsmPlg=u.BsmPlg AND o.BsmBdt=u.BsmBdt "
                       "AND o.BsmAsw=u.BsmAsw AND o.BsmEso=u.BsmEso WHERE u.BsmFkt<0 AND o.BsmFkt>0"),
              "0");

    const std::string cfg = dir + "/work/dorvelian.cfg";
    Config_Read("", "SCHEMA", 0, cfg.c_str());
    EXPECT_EQ(Config_Ergebnis().wert, "PLAN.");
    Config_Read("", "NET8", 0, cfg.c_str());
    EXPECT_EQ(Config_Ergebnis().wert, "sqlite:" + dir + "/db");

    const std::string other = root + "/again";
    ASSERT_EQ(demo(other), 0);
    const std::string checksum =
        "SELECT group_concat(x) FROM (SELECT BdpPnr||BdpBdt||BdpSzv||BdpAkt||BdpFc1||BdpZtb AS x FROM Dvm730Bdp "
        "UNION ALL SELECT BsmEso||BsmEsa||BsmBdt||BsmSzv||BsmIst||BsmFkt||BsmSol FROM Dvm725Bsm ORDER BY 1)";
    Raw again(other);
    EXPECT_EQ(raw.scalar(checksum), again.scalar(checksum));
}

TEST_F(DemoPlan, NoStatementOfARunScansAGrowingTable) {
    ASSERT_EQ(demo(dir), 0);
    Log_Pfade_Setzen(root + "/run.log", root + "/run.bak");
    ASSERT_EQ(dbConnect("demo", "demo", ("sqlite:" + dir + "/db").c_str(), "PLAN"), 0);

    // All plan groups, then one unit and one workplace, so that every scan,
    // search and review cursor is prepared.
    Laufkontext& lk = Lauf();
    std::vector<std::string> worte = testdb::RunLine{.user = "demo", .job = "J", .key = "K"}.args();
    worte.insert(worte.begin(), {"dorvelian", "cfg"});
    std::vector<char*> args;
    for (std::string& w : worte) args.push_back(w.data());
    Parameter_Uebernehmen(12, args.data(), lk);
    Plangruppen_Ermitteln();
    lk.Eso = "E101";
    Einsatzplan_Optimieren(lk, "PG01", "E101", "", Fehlersatz());
    lk.Esa = "A1011";
    Einsatzplan_Optimieren(lk, "PG01", "E101", "A1011", Fehlersatz());
    EXPECT_GT(std::stoi(Raw(dir).scalar("SELECT count(*) FROM Dvm735Bdk")), 0);

    std::vector<std::string> texte = db::preparedTexts();
    EXPECT_GT(texte.size(), 40u);
    const std::set<std::string> wachsend = {"Dvm725Bsm", "Dvm730Bdp", "Dvm735Bdk", "Dvm746Err", "Dvm329Ztg"};
    Raw raw(dir);
    int geprueft = 0;
    for (const std::string& text : texte) {
        std::string anfang = text.substr(0, 6);
        if (anfang != "select" && anfang != "update" && anfang != "delete") continue;
        ++geprueft;
        for (std::string schritt : raw.spalte("EXPLAIN QUERY PLAN " + text, 3)) {
            for (char& c : schritt) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            for (const std::string& tabelle : wachsend) {
                // "SCAN t" and "SCAN t USING INDEX i" both read the whole table.
                std::string name = tabelle;
                for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                bool voll = schritt.rfind("scan " + name, 0) == 0;
                EXPECT_FALSE(voll) << schritt << "\n  in: " << text;
            }
        }
    }
    EXPECT_GT(geprueft, 35);

    // The NULL place of the order-by terms keeps every access path: each
    // cursor reads through the same index with the same constraints as
    // without it, and sorts no more than it did.
    int mitNullPlatz = 0;
    for (const std::string& text : texte) {
        if (text.find(" NULLS ") == std::string::npos) continue;
        ++mitNullPlatz;
        std::string ohne = text;
        for (const std::string& klausel : {std::string(" NULLS LAST"), std::string(" NULLS FIRST")})
            for (std::size_t p; (p = ohne.find(klausel)) != std::string::npos;) ohne.erase(p, klausel.size());
        EXPECT_EQ(raw.spalte("EXPLAIN QUERY PLAN " + text, 3), raw.spalte("EXPLAIN QUERY PLAN " + ohne, 3))
            << "in: " << text;
    }
    EXPECT_GE(mitNullPlatz, 9);  // deviations, random rank, second slot, working time
}

}  // namespace
