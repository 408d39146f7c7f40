// Concurrent use of one plan: two runs on different plan groups write at the
// same time while a front-end reader reads the matrix and the proposals.
// Nothing may fail for a lock that waiting would have resolved, the result
// must be that of the same runs one after the other, and the reader must see
// committed rows only: a proposal it has seen never disappears again.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "db/Connect.hpp"
#include "db/PlgSperre.hpp"
#include "db/Runtime.hpp"
#include "support/DemoCopies.hpp"
#include "support/PlanCopy.hpp"
#include "support/TestDb.hpp"
#include "support/Workspace.hpp"

namespace {

using testdb::PlanRows;

std::vector<std::string> params(const std::string& plg, const std::string& job) {
    return testdb::RunLine{.user = "planner", .job = job, .key = "KEY" + job, .plg = plg}.args();
}

struct Result {
    std::vector<std::string> proposals, matrix, errors;
};

Result results(const std::string& dbDir) {
    PlanRows r(testdb::Backend::Sqlite, "sqlite:" + dbDir);
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

    PlanRows front(testdb::Backend::Sqlite, "sqlite:" + par);
    const std::string matrixRows = front.scalar("SELECT count(*) FROM Dvm725Bsm");
    std::atomic<bool> running{true};
    std::vector<std::string> readerFaults;
    std::set<std::string> seen;  // every proposal row the reader has seen
    int snapshots = 0;
    std::thread reader([&] {
        PlanRows r(testdb::Backend::Sqlite, "sqlite:" + par);
        std::vector<std::string> rows, matrix;
        std::string err;
        bool last = false;
        while (!last) {
            last = !running.load();
            bool ok = r.tryQuery("BEGIN", rows, err);
            ok = ok && r.tryQuery("SELECT * FROM Dvm725Bsm ORDER BY BsmPlg, BsmBdt, BsmFkt", matrix, err);
            ok = ok && r.tryQuery("SELECT * FROM Dvm735Bdk", rows, err);
            std::vector<std::string> ignored;
            std::string ignoredErr;
            r.tryQuery(ok ? "COMMIT" : "ROLLBACK", ignored, ignoredErr);
            if (!ok) {
                readerFaults.push_back(err);
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

// Two runs of the same schema started a moment apart (a scheduler's retry,
// or the front end starting a run while the nightly one works), while a
// front end reads the proposals and accepts some. One run of a plan group
// at a time: the second run finds the first one's open proposals and writes
// none twice, its error review replaces the first one's rows, and neither
// run meets a lock it could not wait for.
TESTDB_BOTH_BACKENDS(ConcurrentRuns);

std::vector<std::string> allGroups(const std::string& job) {
    return testdb::RunLine{.user = "planner", .job = job, .key = "KEY" + job}.args();
}

TEST_P(ConcurrentRuns, TwoRunsOfOneSchemaWhileTheFrontEndAcceptsDuplicateNothing) {
    testdb::DemoCopies plans(backend(), "--days 8 --plangroups 2 --units 3 --workplaces 3 --seed 11");
    ASSERT_TRUE(plans.ok());
    const std::string refService = plans.copy("ref"), service = plans.copy("par");
    testdb::Workspace ref, ws;
    ref.writeConfig(refService, "PLAN", plans.login(), plans.password());
    ws.writeConfig(service, "PLAN", plans.login(), plans.password());
    ASSERT_EQ(ref.run(allGroups("REF")), 0);
    testdb::PlanRows refDb(backend(), refService);
    const testdb::EndState want = testdb::endState(refDb);
    ASSERT_GT(want.proposals.size(), 20u);

    std::atomic<bool> running{true};
    std::vector<std::string> frontFaults;
    int accepted = 0, readings = 0;
    std::thread front([&] {
        testdb::PlanRows fe(backend(), service);
        std::vector<std::string> rows;
        std::string err;
        while (running.load()) {
            if (!fe.tryQuery("SELECT BdkKey FROM Dvm735Bdk WHERE BdkSta = 9 ORDER BY BdkKey", rows, err)) {
                frontFaults.push_back(err);
                continue;
            }
            ++readings;
            // The planner accepts every seventh open proposal.
            for (std::size_t i = 0; i < rows.size(); i += 7) {
                std::vector<std::string> none;
                if (fe.tryQuery("UPDATE Dvm735Bdk SET BdkSta = 1 WHERE BdkKey = '" + rows[i] + "' AND BdkSta = 9",
                                none, err))
                    ++accepted;
                else
                    frontFaults.push_back(err);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const int a = ws.start(allGroups("J1"));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const int b = ws.start(allGroups("J2"));
    EXPECT_EQ(testdb::Workspace::wait(a), 0);
    EXPECT_EQ(testdb::Workspace::wait(b), 0);
    running = false;
    front.join();

    EXPECT_EQ(frontFaults, std::vector<std::string>{});
    EXPECT_GT(readings, 0);
    EXPECT_GT(accepted, 0) << "the front end accepted nothing while the runs worked";
    std::vector<std::string> log = ws.logMessages("PLAN");
    EXPECT_EQ(faults(ws), std::vector<std::string>{}) << "a run met a lock or another failure";
    EXPECT_EQ(std::count(log.begin(), log.end(), "*** Programmende Dorvelian ***"), 2);

    testdb::PlanRows db(backend(), service);
    EXPECT_EQ(db.rows("SELECT BdkPnr, BdkBdt, BdkEso, BdkEsa, BdkSzv, count(*) FROM Dvm735Bdk WHERE BdkSta = 9 "
                      "GROUP BY BdkPnr, BdkBdt, BdkEso, BdkEsa, BdkSzv HAVING count(*) > 1"),
              std::vector<std::string>{})
        << "a person proposed twice out of one slot";
    // The error review depends on the deployments only: its rows are those
    // of the undisturbed run, each once.
    const testdb::EndState got = testdb::endState(db);
    EXPECT_EQ(got.errors, want.errors);
    EXPECT_EQ(got.inWork, std::vector<std::string>{});
}

// This process holds the lock of plan group PG01 as a run would. A run over
// all plan groups with a wait bound of one second skips PG01 with one line
// and does PG02; a run with the default bound waits until the lock is let
// go and then does PG01.
TEST_P(ConcurrentRuns, ARunWaitsForItsPlanGroupAndSkipsItAfterTheBound) {
    testdb::DemoCopies plans(backend(), "--days 4 --plangroups 2 --units 2 --workplaces 2 --seed 5");
    ASSERT_TRUE(plans.ok());
    const std::string service = plans.copy("a");
    testdb::Workspace ws;
    ws.writeConfig(service, "PLAN", plans.login(), plans.password());
    testdb::PlanRows db(backend(), service);
    ASSERT_EQ(dbConnect(plans.login().c_str(), plans.password().c_str(), service.c_str(), "PLAN"), 0);
    ASSERT_EQ(Plg_Sperren("PG01", 0), 0);

    ::setenv("DORVELIAN_LOCK_WAIT", "1", 1);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(ws.run(allGroups("J1")), 0);
    const auto waited = std::chrono::steady_clock::now() - t0;
    ::unsetenv("DORVELIAN_LOCK_WAIT");
    EXPECT_GE(waited, std::chrono::seconds(1));
    EXPECT_EQ(faults(ws), std::vector<std::string>{"-Fehler: Einsatzplan_Optimieren()->Plg_Sperren() RC: -54! "
                                                   "PLG: PG01 Plangruppe uebersprungen."});
    EXPECT_EQ(db.scalar("SELECT count(*) FROM Dvm701Plg WHERE PlgPlg = 'PG01' AND PlgBeg IS NOT NULL"), "0")
        << "the skipped plan group was marked";
    EXPECT_EQ(db.scalar("SELECT count(*) FROM Dvm735Bdk WHERE BdkPlg = 'PG01'"), "0");
    EXPECT_NE(db.scalar("SELECT count(*) FROM Dvm735Bdk WHERE BdkPlg = 'PG02'"), "0");

    const int pid = ws.start(params("PG01", "J2"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    int st = 0;
    EXPECT_EQ(::waitpid(pid, &st, WNOHANG), 0) << "the run did not wait for the plan group";
    EXPECT_EQ(db.scalar("SELECT count(*) FROM Dvm735Bdk WHERE BdkPlg = 'PG01'"), "0");
    EXPECT_EQ(Plg_Freigeben("PG01"), 0);
    EXPECT_EQ(testdb::Workspace::wait(pid), 0);
    EXPECT_NE(db.scalar("SELECT count(*) FROM Dvm735Bdk WHERE BdkPlg = 'PG01'"), "0");
    EXPECT_EQ(faults(ws).size(), 1u);
    db::disconnect();
}

}  // namespace
