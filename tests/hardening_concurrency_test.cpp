// Concurrent use of one plan: two runs on different plan groups write at the
// same time while a front-end reader reads the matrix and the proposals.
// Nothing may fail for a lock that waiting would have resolved, the result
// must be that of the same runs one after the other, and the reader must see
// committed rows only: a proposal it has seen never disappears again.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "support/PlanCopy.hpp"
#include "support/TestDb.hpp"
#include "support/Workspace.hpp"

namespace {

using testdb::PlanReader;

std::vector<std::string> params(const std::string& plg, const std::string& job) {
    return {"planner", "00000000", "00000000", "PLG", job, "KEY" + job, plg, "00000", "00000", "PLAN_OPTIM"};
}

struct Result {
    std::vector<std::string> proposals, matrix, errors;
};

Result results(const std::string& dbDir) {
    PlanReader r(dbDir);
    auto sorted = [&](const std::string& table, const std::vector<std::string>& skip) {
        std::vector<std::string> v = r.rows("SELECT " + r.columnsExcept(table, skip) + " FROM " + table);
        std::sort(v.begin(), v.end());
        return v;
    };
    // Keys are random and time stamps are the clock's: neither is compared.
    return {sorted("Dvm735Bdk", {"BdkKey", "BdkDat"}), sorted("Dvm725Bsm", {"BsmDat"}),
            sorted("Dvm746Err", {"ErrDat", "ErrJbd", "ErrJbk"})};
}

std::vector<std::string> faults(const testdb::Workspace& ws) {
    std::vector<std::string> out;
    for (const std::string& m : ws.logMessages("PLAN"))
        if (m.find("-Fehler") != std::string::npos) out.push_back(m);
    return out;
}

TEST(ConcurrentUse, TwoWritersAndAReaderGetWhatSequentialRunsGet) {
    const std::string root = testdb::makeTempDir();
    ASSERT_TRUE(testdb::makeDemoPlan(root + "/demo", "--days 10 --units 3 --workplaces 3 --seed 11"));
    const std::string seq = root + "/seq", par = root + "/par";
    ASSERT_TRUE(testdb::copyPlan(root + "/demo/db", seq));
    ASSERT_TRUE(testdb::copyPlan(root + "/demo/db", par));

    testdb::Workspace wsSeq, wsPar;
    wsSeq.writeConfig("sqlite:" + seq, "PLAN", "demo", "demo");
    wsPar.writeConfig("sqlite:" + par, "PLAN", "demo", "demo");
    ASSERT_EQ(wsSeq.run(params("PG01", "J1")), 0);
    ASSERT_EQ(wsSeq.run(params("PG02", "J2")), 0);
    const Result expected = results(seq);
    ASSERT_GT(expected.proposals.size(), 20u) << "the plan gives the runs too little to write";

    PlanReader front(par);
    const std::string matrixRows = front.scalar("SELECT count(*) FROM Dvm725Bsm");
    std::atomic<bool> running{true};
    std::vector<std::string> readerFaults;
    std::set<std::string> seen;  // every proposal row the reader has seen
    int snapshots = 0;
    std::thread reader([&] {
        PlanReader r(par);
        std::vector<std::string> rows, matrix;
        std::string err;
        bool last = false;
        while (!last) {
            last = !running.load();
            int rc = r.query("BEGIN", rows, err);
            if (rc == SQLITE_OK) rc = r.query("SELECT * FROM Dvm725Bsm ORDER BY BsmPlg, BsmBdt, BsmFkt", matrix, err);
            if (rc == SQLITE_OK) rc = r.query("SELECT * FROM Dvm735Bdk", rows, err);
            std::vector<std::string> ignored;
            r.query(rc == SQLITE_OK ? "COMMIT" : "ROLLBACK", ignored, err);
            if (rc != SQLITE_OK) {
                readerFaults.push_back(std::to_string(rc) + " " + err);
                continue;
            }
            ++snapshots;
            if (std::to_string(matrix.size()) != matrixRows)
                readerFaults.push_back("matrix with " + std::to_string(matrix.size()) + " rows");
            std::set<std::string> now(rows.begin(), rows.end());
            for (const std::string& p : seen)
                if (!now.count(p)) readerFaults.push_back("proposal gone again: " + p);
            seen.insert(now.begin(), now.end());
        }
    });

    const int a = wsPar.start(params("PG01", "J1"));
    const int b = wsPar.start(params("PG02", "J2"));
    EXPECT_EQ(testdb::Workspace::wait(a), 0);
    EXPECT_EQ(testdb::Workspace::wait(b), 0);
    running = false;
    reader.join();

    EXPECT_EQ(faults(wsSeq), std::vector<std::string>{});
    EXPECT_EQ(faults(wsPar), std::vector<std::string>{}) << "a write failed while another run wrote";
    EXPECT_EQ(readerFaults, std::vector<std::string>{});
    EXPECT_GT(snapshots, 1);

    const Result got = results(par);
    EXPECT_EQ(got.proposals, expected.proposals);
    EXPECT_EQ(got.matrix, expected.matrix);
    EXPECT_EQ(got.errors, expected.errors);
    std::vector<std::string> finalRows = front.rows("SELECT * FROM Dvm735Bdk");
    for (const std::string& p : seen)
        EXPECT_NE(std::find(finalRows.begin(), finalRows.end(), p), finalRows.end()) << "seen, not committed: " << p;
    // Runs started in the same second must not draw the same proposal keys.
    EXPECT_EQ(front.scalar("SELECT count(DISTINCT BdkKey) FROM Dvm735Bdk"),
              front.scalar("SELECT count(*) FROM Dvm735Bdk"));
    EXPECT_EQ(front.scalar("SELECT count(*) FROM Dvm701Plg WHERE PlgUsr IS NOT NULL"), "0");
    testdb::removeTree(root);
}

}  // namespace
