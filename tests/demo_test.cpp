// The demo program as a new user meets it: the command it prints runs the
// optimiser with proposals on every search scope, --force replaces only the
// database, the options shape the plan, and the reference data covers every
// deployment the optimiser may review.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "run/Config.hpp"
#include "support/PlanRows.hpp"
#include "support/Program.hpp"
#include "support/TestDb.hpp"

namespace {

// Runs dorvelian-demo with --dir `dir` (none when "") and the options; its
// standard output goes to `ausgabe` when given.
int DemoStarten(const std::string& dir, const std::string& optionen, std::string* ausgabe = nullptr) {
    std::vector<std::string> args = testdb::words(optionen);
    if (!dir.empty()) args.insert(args.begin(), {"--dir", dir});
    testdb::Outcome o = testdb::runDemo(args);
    if (ausgabe) *ausgabe = o.out + o.err;
    return o.code;
}

// A demo's plan database (with the calendar attached); counts as numbers.
struct Plan : testdb::PlanRows {
    explicit Plan(const std::string& demo, const std::string& schema = "PLAN")
        : PlanRows(testdb::Backend::Sqlite, "sqlite:" + demo + "/db", schema) {}
    long long zahl(const std::string& sql) {
        const std::string z = scalar(sql);
        return z.empty() || z == "~" ? 0 : std::stoll(z);
    }
};

class Demo : public ::testing::Test {
protected:
    std::string root = testdb::makeTempDir();
    std::string demo = root + "/demo";
    void TearDown() override { testdb::removeTree(root); }
};

// The slot a proposal takes a person to, seen from the slot the person leaves.
constexpr char kReichweite[] =
    "SELECT BdkPlg, CASE WHEN BdkEso=BdkOso AND BdkEsa=BdkOsa THEN 'ESA' WHEN BdkEso=BdkOso THEN 'ESO' "
    "ELSE 'PLG' END AS r, count(*) FROM Dvm735Bdk GROUP BY 1, 2 ORDER BY 1, 2";

TEST_F(Demo, PrintedCommandRunsTheOptimiserWithProposalsOnEveryScope) {
    std::string ausgabe;
    ASSERT_EQ(DemoStarten(demo, "--days 3 --plangroups 2 --units 2 --workplaces 2 --seed 3", &ausgabe), 0) << ausgabe;

    std::istringstream in(ausgabe);
    std::string zeile, befehl;
    while (std::getline(in, zeile))
        if (zeile.rfind("  cd ", 0) == 0) befehl = zeile.substr(2);
    ASSERT_FALSE(befehl.empty()) << ausgabe;
    const std::string werk = std::filesystem::canonical(demo).string() + "/work";
    EXPECT_EQ(befehl, "cd " + werk + " && " + std::string(DORVELIAN_BIN_DIR) +
                          "/dorvelian dorvelian.cfg demo 00000000 00000000 PLG JOB0001 KEY0001 00000 00000 00000 "
                          "PLAN_OPTIM");

    const std::string cfg = werk + "/dorvelian.cfg";
    Config_Read("", "LOGIN", 0, cfg.c_str());
    EXPECT_EQ(Config_Ergebnis().wert, "demo");
    Config_Read("", "PASS", 0, cfg.c_str());
    EXPECT_EQ(Config_Ergebnis().wert, "demo");

    ASSERT_EQ(std::system(befehl.c_str()), 0);
    const std::string log = testdb::readFile(demo + "/zentravis_php/log/dorvelian_PLAN.log");
    EXPECT_NE(log.find("*** Programmstart Dorvelian ***"), std::string::npos) << log;
    EXPECT_NE(log.find("*** Programmende Dorvelian ***"), std::string::npos) << log;
    // Every candidate finds its assignment, limits, working time and calendar.
    EXPECT_EQ(log.find("-Fehler"), std::string::npos) << log;

    // PG01 searches the whole plan group, PG02 only the workplace.
    Plan plan(demo);
    std::vector<std::vector<std::string>> soll = {{"PG01", "ESA"}, {"PG01", "ESO"}, {"PG01", "PLG"}, {"PG02", "ESA"}};
    auto ist = plan.cells(kReichweite);
    ASSERT_EQ(ist.size(), soll.size()) << "proposals by plan group and scope differ";
    for (std::size_t i = 0; i < soll.size(); ++i) {
        EXPECT_EQ(ist[i][0], soll[i][0]);
        EXPECT_EQ(ist[i][1], soll[i][1]);
        EXPECT_GT(std::stoi(ist[i][2]), 0);
    }
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM Dvm701Plg WHERE PlgBeg IS NULL"), 0) << "both plan groups ran";
}

TEST_F(Demo, ForceReplacesOnlyTheDatabase) {
    ASSERT_EQ(DemoStarten(demo, "--days 2 --units 1 --seed 5"), 0);
    const std::string notiz = demo + "/work/notes.txt";
    const std::string log = demo + "/zentravis_php/log/dorvelian_PLAN.log";
    std::ofstream(notiz) << "mine";
    std::ofstream(log) << "earlier run\n";
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((demo + "/db/PLAN.db").c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "UPDATE Dvm701Plg SET PlgTxt='changed by hand'", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    const char* zaehlung = "SELECT count(*) FROM Dvm701Plg WHERE PlgTxt='changed by hand'";

    EXPECT_EQ(DemoStarten(demo, "--days 2 --units 1 --seed 5"), 2);
    EXPECT_EQ(Plan(demo).zahl(zaehlung), 2) << "a refused run leaves the plan alone";

    ASSERT_EQ(DemoStarten(demo, "--days 2 --units 1 --seed 5 --force"), 0);
    EXPECT_EQ(Plan(demo).zahl(zaehlung), 0) << "--force writes a fresh plan";
    EXPECT_EQ(testdb::readFile(notiz), "mine");
    EXPECT_EQ(testdb::readFile(log), "earlier run\n");
    Config_Read("", "SCHEMA", 0, (demo + "/work/dorvelian.cfg").c_str());
    EXPECT_EQ(Config_Ergebnis().wert, "PLAN.");

    // A plain file in the way is not taken for a demo directory.
    const std::string datei = root + "/file";
    std::ofstream(datei) << "x";
    EXPECT_EQ(DemoStarten(datei, "--force"), 2);
    EXPECT_EQ(testdb::readFile(datei), "x");
}

TEST_F(Demo, OptionsShapeThePlanAndBadOnesAreRefused) {
    ASSERT_EQ(
        DemoStarten(demo, "--schema ABT_7 --days 2 --plangroups 1 --units 1 --workplaces 3 --slots 2 --persons 9"), 0);
    Config_Read("", "SCHEMA", 0, (demo + "/work/dorvelian.cfg").c_str());
    EXPECT_EQ(Config_Ergebnis().wert, "ABT_7.");
    Plan plan(demo, "ABT_7");
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM Dvm725Bsm"), 1 * 1 * 3 * 2 * 2);
    EXPECT_EQ(plan.zahl("SELECT count(DISTINCT BsmBdt) FROM Dvm725Bsm"), 2);
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM Dvm725Bsm WHERE BsmBsz NOT IN ('F','S')"), 0);
    EXPECT_EQ(plan.zahl("SELECT count(DISTINCT PbvPnr) FROM Dvm710Pbv"), 27);
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM Dvm701Plg"), 1);
    EXPECT_EQ(plan.zahl("SELECT min(BsmBdt) = julianday(date('now','localtime')) FROM Dvm725Bsm"), 1)
        << "the plan starts today";

    for (const char* falsch : {"--slots 6", "--units 0", "--units 1036", "--days 701", "--plangroups 36", "--schema bad-name",
                               "--seed -1", "--colour red", "--days"}) {
        const std::string d = root + "/bad";
        EXPECT_EQ(DemoStarten(d, falsch), 2) << falsch;
        EXPECT_FALSE(std::filesystem::exists(d)) << falsch;
    }
    EXPECT_EQ(DemoStarten("", "--days 2"), 2) << "--dir is required";

    // Wide plans: past 99 units and 9 plan groups the codes take letters and
    // keep their widths; five slots a day add a middle and a day slot.
    const std::string breit = root + "/breit";
    ASSERT_EQ(DemoStarten(breit, "--days 1 --plangroups 11 --units 2 --workplaces 1 --slots 5"), 0);
    auto text = [](Plan& p, const std::string& sql) {
        auto z = p.cells(sql);
        return z.empty() || z[0].empty() ? std::string() : z[0][0];
    };
    Plan p11(breit);
    EXPECT_EQ(p11.zahl("SELECT count(*) FROM Dvm701Plg"), 11);
    EXPECT_EQ(text(p11, "SELECT group_concat(DISTINCT BsmEso) FROM (SELECT BsmEso FROM Dvm725Bsm WHERE BsmPlg IN "
                         "('PG10', 'PG11') ORDER BY BsmEso)"),
              "EA01,EA02,EB01,EB02");
    EXPECT_EQ(p11.zahl("SELECT count(*) FROM Dvm725Bsm"), 11 * 2 * 1 * 5);
    EXPECT_EQ(text(p11, "SELECT group_concat(BsmBsz, '') FROM (SELECT DISTINCT BsmBsz FROM Dvm725Bsm ORDER BY BsmSzv)"),
              "FTMSN");
    ASSERT_EQ(DemoStarten(breit, "--force --days 1 --plangroups 1 --units 137 --workplaces 1 --slots 1"), 0);
    Plan p137(breit);
    EXPECT_EQ(p137.zahl("SELECT count(DISTINCT BsmEso) FROM Dvm725Bsm"), 137);
    EXPECT_EQ(p137.zahl("SELECT count(DISTINCT BsmEsa) FROM Dvm725Bsm"), 137);
    EXPECT_EQ(p137.zahl("SELECT max(length(BsmEsa)) FROM Dvm725Bsm"), 5);
    EXPECT_EQ(p137.zahl("SELECT count(DISTINCT PbvPnr) FROM Dvm710Pbv WHERE PbvEso IN ('E199', 'E1A0', 'E1A1', 'E1B0')"),
              p137.zahl("SELECT count(*) FROM Dvm710Pbv WHERE PbvEso IN ('E199', 'E1A0', 'E1A1', 'E1B0')"));
    EXPECT_EQ(p137.zahl("SELECT count(DISTINCT BsmEso) FROM Dvm725Bsm WHERE BsmEso IN ('E199', 'E1A0', 'E1A1', 'E1A9', "
                        "'E1B0')"),
              5);

    // Another seed gives another plan.
    const std::string a = root + "/a", b = root + "/b";
    ASSERT_EQ(DemoStarten(a, "--days 2 --seed 1"), 0);
    ASSERT_EQ(DemoStarten(b, "--days 2 --seed 2"), 0);
    const std::string summe = "SELECT group_concat(BdpPnr||BdpSzv||BdpSts||BdpFc3, ',') FROM "
                              "(SELECT * FROM Dvm730Bdp ORDER BY BdpPlg,BdpEso,BdpEsa,BdpPnr,BdpBdt,BdpSzv,BdpAkt)";
    EXPECT_NE(Plan(a).cells(summe), Plan(b).cells(summe));
}

TEST_F(Demo, ReferenceDataCoversEveryDeployment) {
    ASSERT_EQ(DemoStarten(demo, "--days 7 --units 2 --seed 11"), 0);
    Plan plan(demo);
    const char* person = "(SELECT DISTINCT BdpPnr p, BdpBdt t, BdpPlg g FROM Dvm730Bdp WHERE BdpSts<>'D')";

    // Exactly one assignment on each working day, in the workplace worked in.
    EXPECT_EQ(plan.zahl(std::string("SELECT count(*) FROM ") + person +
                        " WHERE (SELECT count(*) FROM Dvm710Pbv WHERE PbvPnr=p AND PbvGvo<=t AND "
                        "(PbvGbi IS NULL OR PbvGbi>=t)) <> 1"),
              0);
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM Dvm730Bdp d JOIN Dvm710Pbv a ON PbvPnr=BdpPnr AND PbvGvo<=BdpBdt AND "
                        "(PbvGbi IS NULL OR PbvGbi>=BdpBdt) WHERE PbvEso<>BdpEso OR PbvEsa<>BdpEsa OR "
                        "NOT EXISTS (SELECT 1 FROM Dvm712Pgz WHERE PgzPlg=BdpPlg AND PgzEso=PbvEso AND PgzEsa=PbvEsa)"),
              0);
    // One working-time entry per person-day whose model is valid and whose
    // calendar day exists in the plan group's calendar.
    EXPECT_EQ(plan.zahl(std::string("SELECT count(*) FROM ") + person +
                        " WHERE (SELECT count(*) FROM Dvm329Ztg, Dvm140Azv, Dvm133Ka2, Dvm701Plg WHERE ZtgPnr=p AND "
                        "ZtgVon=t AND ZtgAzt=AzvNum AND ZtgVon>=AzvGvo AND (ZtgVon<=AzvGbi OR AzvGbi IS NULL) AND "
                        "PlgPlg=g AND PlgKal=Ka2Num AND Ka2Dtm=ZtgVon) <> 1"),
              0);
    // Nobody works two slots a day; every deployment has its matrix row, and
    // every matrix row its target of the day type.
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM (SELECT 1 FROM Dvm730Bdp WHERE BdpAkt<>9999 AND BdpSts<>'D' "
                        "GROUP BY BdpPnr, BdpBdt HAVING count(*) > 1)"),
              0);
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM Dvm730Bdp d WHERE NOT EXISTS (SELECT 1 FROM Dvm725Bsm WHERE "
                        "BsmPlg=BdpPlg AND BsmEso=BdpEso AND BsmEsa=BdpEsa AND BsmBdt=BdpBdt AND BsmSzv=BdpSzv AND "
                        "BsmAsw=BdpAsw)"),
              0);
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM Dvm725Bsm m JOIN Dvm701Plg ON PlgPlg=BsmPlg JOIN Dvm133Ka2 ON "
                        "Ka2Num=PlgKal AND Ka2Dtm=BsmBdt LEFT JOIN Dvm720Bss ON BssPlg=BsmPlg AND BssEso=BsmEso AND "
                        "BssEsa=BsmEsa AND BssTtp=BsmTtp AND BssVon=BsmSzv AND BssAsw=BsmAsw WHERE BsmTtp<>Ka2Ttp OR "
                        "BssSol IS NULL OR BssSol<>BsmSol OR BssMin<>BsmMin OR BssMax<>BsmMax"),
              0);
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM Dvm725Bsm"),
              plan.zahl("SELECT count(*) FROM Dvm725Bsm m JOIN Dvm701Plg ON PlgPlg=BsmPlg JOIN Dvm133Ka2 ON "
                        "Ka2Num=PlgKal AND Ka2Dtm=BsmBdt"));
    // Function codes 1 stand beside the counted staff: the deviation follows
    // the staffing without them (no proposals yet).
    EXPECT_GT(plan.zahl("SELECT count(*) FROM Dvm725Bsm WHERE BsmHtg > 0"), 0);
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM Dvm725Bsm WHERE BsmHtg <> (SELECT count(*) FROM Dvm730Bdp WHERE "
                        "BdpPlg=BsmPlg AND BdpEso=BsmEso AND BdpEsa=BsmEsa AND BdpBdt=BsmBdt AND BdpSzv=BsmSzv AND "
                        "BdpAsw=BsmAsw AND BdpFc1<>'   ' AND BdpSts NOT IN ('O','D'))"),
              0);
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM Dvm725Bsm WHERE sign(BsmIst - BsmHtg - min(BsmHtv, BsmHtn) - BsmSol) "
                        "<> sign(BsmFkt)"),
              0);

    // What the optimiser must pass over is there: placeholders, inactive and
    // changed records, shift leads, persons of assignment kind 3.
    EXPECT_GT(plan.zahl("SELECT count(*) FROM Dvm730Bdp WHERE BdpSts='D'"), 0);
    EXPECT_GT(plan.zahl("SELECT count(*) FROM Dvm730Bdp WHERE BdpAkt=9999"), 0);
    EXPECT_GT(plan.zahl("SELECT count(*) FROM Dvm730Bdp WHERE BdpSts IN ('U','M')"), 0);
    EXPECT_GT(plan.zahl("SELECT count(*) FROM Dvm730Bdp WHERE BdpFc3<>'   '"), 0);
    EXPECT_GT(plan.zahl("SELECT count(*) FROM Dvm710Pbv WHERE PbvAwp=3"), 0);

    // The calendar: two years either side of today, Monday = 1, and day
    // types by weekday except on holidays.
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM DVMASTER.Dvm133Bak"), 1461);
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM DVMASTER.Dvm133Bak WHERE BakWtg <> "
                        "(CAST(strftime('%w', BakDtm) AS INTEGER) + 6) % 7 + 1 OR BakJtg <> "
                        "CAST(strftime('%j', BakDtm) AS INTEGER) OR BakTag <> CAST(strftime('%d', BakDtm) AS INTEGER)"),
              0);
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM Dvm133Ka2 JOIN DVMASTER.Dvm133Bak ON BakDtm=Ka2Dtm WHERE Ka2Ptp<>'FT' "
                        "AND Ka2Ttp <> CASE BakWtg WHEN 6 THEN 'SA' WHEN 7 THEN 'SO' ELSE 'WT' END"),
              0);
    EXPECT_EQ(plan.zahl("SELECT count(*) FROM Dvm133Ka2 WHERE Ka2Ptp='FT' AND Ka2Ttp<>'SO'"), 0);
}

}  // namespace
