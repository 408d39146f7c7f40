// Batches of independent reads (db::ReadBatch) on both backends: every read
// answers its own code in the order added, a failure in the middle neither
// cancels the reads after it nor leaves the session in a failed transaction,
// and the server sends a batch in one exchange. On the server also a link
// lost in the middle of a batch (the forwarder drops it) and a session
// ended from a second connection, and the recount with a count that fails
// half-way, with its log line and the matrix row left as it was.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>

#include "db/Bdk.hpp"
#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "db/ResultCodes.hpp"
#include "db/Runtime.hpp"
#include "optim/Nachzaehlung.hpp"
#include "base/Log.hpp"
#include "support/PlanRows.hpp"
#include "support/Program.hpp"
#include "support/ServerDb.hpp"
#include "support/TestDb.hpp"

using testdb::jd;
using testdb::TestDb;

TESTDB_BOTH_BACKENDS(ReadBatch);
TESTDB_BOTH_BACKENDS(RecountBatch);

namespace {

const std::string kTag = "20261208";

void insertBdp(TestDb& db, const std::string& pnr, int kos) {
    db.exec("insert into Dvm730Bdp (BdpPnr,BdpBdt,BdpEso,BdpEsa,BdpSzv,BdpSzb,BdpPlg,BdpAsw,BdpAkt,"
            "BdpZtv,BdpZtb,BdpKos,BdpSts) values ('" + pnr + "'," + jd(kTag) +
            ",'E1','A1',480,960,'P1',1,1,480,960," + std::to_string(kos) + ",' ')");
}

const db::Sql kCountBdp("select count(*)  into :b0  from Dvm730Bdp where BdpEso=:b1");
const db::Sql kCountBdk("select count(*)  into :b0  from Dvm735Bdk where BdkEso=:b1");
const db::Sql kMissing("select count(*)  into :b0  from Dvm999Xyz where XyzEso=:b1");
const db::Sql kNoRow("select BdpPnr  into :b0  from Dvm730Bdp where BdpEso=:b1 and BdpPnr='none'");
const db::Sql kSumKos("select NVL(sum(BdpKos),0.0) into :b0  from Dvm730Bdp where BdpEso=:b1");

// The recount of the matrix row P1/E1/A1 at 480 on kTag (into bsm) fails
// with rc: the row answers 0, logs the failure in one line and keeps BsmIst.
void recountFailsAndLogs(TestDb& db, int32_t rc, Dvm725Bsm& bsm) {
    bsm.BsmPlg = "P1";
    bsm.BsmEso = "E1";
    bsm.BsmEsa = "A1";
    bsm.BsmBdt = kTag.c_str();
    bsm.BsmSzv = 480;
    bsm.BsmSzb = 960;
    bsm.BsmAsw = 1;
    EXPECT_EQ(Update_BsmSatz(bsm), 0);
    const auto log = testdb::logMessages(db.dir() + "/run.log");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "-Fehler: Update_BsmSatz()->Bdp_Bsz_Count() RC: " + std::to_string(rc) +
                          "! PLG: P1 ESO: E1 ESA: A1 UHRVON: 480 DAT: " + kTag);
    EXPECT_EQ(db.scalar("select BsmIst from Dvm725Bsm"), "5");
}

}  // namespace

TEST_P(ReadBatch, EveryReadAnswersItsOwnCodeInOrderAndAFailureStopsNothingAfterIt) {
    TestDb db(backend());
    insertBdp(db, "A", 10);
    insertBdp(db, "B", 5);
    const FixText<6> eso("E1");
    int32_t n1 = -7, n2 = -7, n3 = -7;
    FixText<9> pnr("keep");
    double kos = -1.0;
    db::ReadBatch reads;
    reads.add(kCountBdp, {db::in(1, eso)}, {db::i32(n1)});
    reads.add(kMissing, {db::in(1, eso)}, {db::i32(n2)});
    reads.add(kNoRow, {db::in(1, eso)}, {db::txt(pnr)});
    reads.add(kSumKos, {db::in(1, eso)}, {db::dbl(kos)});
    reads.add(kCountBdk, {db::in(1, eso)}, {db::i32(n3)});
    const uint64_t statements = db::statementCount();

    EXPECT_EQ(reads.take(), 0);
    EXPECT_EQ(n1, 2);
    EXPECT_EQ(reads.take(), db::rc::kNoTable);
    EXPECT_EQ(n2, -7);
    EXPECT_EQ(reads.take(), db::rc::kNotFound);
    EXPECT_EQ(pnr.view(), "keep");
    EXPECT_EQ(reads.take(), 0);
    EXPECT_DOUBLE_EQ(kos, 15.0);
    // Not taken: its output stays as it was, and it is not counted.
    EXPECT_EQ(n3, -7);
    EXPECT_EQ(db::statementCount(), statements + 4);

    // The session is not left in a failed transaction: a write after the
    // batch commits, and a second connection sees it.
    static const db::Sql sp("savepoint Bdp_Test_Sp");
    static const db::Sql rb("rollback  to Bdp_Test_Sp");
    static const db::Sql upd("update Dvm730Bdp  set BdpKos=:b0 where BdpPnr=:b1");
    const int32_t neu = 99;
    const FixText<9> a("A");
    EXPECT_EQ(db::guardedWrite(sp, upd, rb, {db::in(0, neu), db::in(1, a)}), 0);
    EXPECT_EQ(db.scalar("select BdpKos from Dvm730Bdp where BdpPnr='A'"), "99.0");

    // Taking past the end answers an error and writes nothing.
    EXPECT_EQ(reads.take(), 0);
    EXPECT_EQ(n3, 0);
    EXPECT_EQ(reads.take(), db::rc::kInternal);
}

TEST_P(ReadBatch, TheServerSendsABatchInOneExchangeAndThePlainPathOneByOne) {
    for (const bool plain : {false, true}) {
        SCOPED_TRACE(plain ? "plain" : "batched");
        const auto dbOnPath = testdb::onPath(backend(), plain);
        TestDb& db = *dbOnPath;
        insertBdp(db, "A", 10);
        const FixText<6> eso("E1");
        int32_t n[4] = {};
        // Each text prepared once beforehand, so that only the batch counts.
        for (int k = 0; k < 2; ++k) {
            db::ReadBatch warm;
            warm.add(kCountBdp, {db::in(1, eso)}, {db::i32(n[0])});
            warm.add(kCountBdk, {db::in(1, eso)}, {db::i32(n[1])});
            while (warm.take() == 0) {
            }
        }
        const uint64_t before = db::roundTripCount();
        db::ReadBatch reads;
        reads.add(kCountBdp, {db::in(1, eso)}, {db::i32(n[0])});
        reads.add(kCountBdk, {db::in(1, eso)}, {db::i32(n[1])});
        reads.add(kCountBdp, {db::in(1, eso)}, {db::i32(n[2])});
        reads.add(kCountBdk, {db::in(1, eso)}, {db::i32(n[3])});
        for (int k = 0; k < 4; ++k) EXPECT_EQ(reads.take(), 0);
        EXPECT_EQ(n[0] + n[2], 2);
        EXPECT_EQ(n[1] + n[3], 0);
        const uint64_t trips = db::roundTripCount() - before;
        if (!db.postgres()) EXPECT_EQ(trips, 0u);
        else EXPECT_EQ(trips, plain ? 4u : 1u);
    }
}

TEST_P(ReadBatch, AFailingReadInsideAUnitAnswersItsCodeAndKeepsTheUnitsWrites) {
    // Reads inside a unit of work, after its first write: a read that fails
    // on the server goes back to the savepoint of the read, the reads after
    // it still answer, and the unit's write is committed with the unit;
    // the same with the reads one by one.
    static const db::Sql sp("savepoint Bdp_Test_Sp");
    static const db::Sql rb("rollback  to Bdp_Test_Sp");
    static const db::Sql upd("update Dvm730Bdp  set BdpKos=:b0 where BdpPnr=:b1");
    // Fails while the server runs it (a division by zero on the server; on
    // SQLite the division gives NULL and the count 0).
    static const db::Sql kDivide(
        "select count(*)  into :b0  from Dvm730Bdp where BdpEso=:b1 and 1/(BdpSzv-480)>0");
    const FixText<6> eso("E1");
    const FixText<9> a("A");
    int32_t answers[2][3] = {};
    uint64_t trips[2] = {};
    for (const bool plain : {false, true}) {
        SCOPED_TRACE(plain ? "plain" : "batched");
        const auto dbOnPath = testdb::onPath(backend(), plain);
        TestDb& db = *dbOnPath;
        insertBdp(db, "A", 10);
        int32_t n1 = 0, n2 = 0, n3 = 0;
        {
            // The texts prepared outside the unit.
            db::ReadBatch warm;
            warm.add(kCountBdp, {db::in(1, eso)}, {db::i32(n1)});
            warm.add(kDivide, {db::in(1, eso)}, {db::i32(n2)});
            while (warm.take() != db::rc::kInternal) {
            }
        }
        db::beginUnit();
        const int32_t neu = 7;
        ASSERT_EQ(db::guardedWrite(sp, upd, rb, {db::in(0, neu), db::in(1, a)}), 0);
        n1 = n2 = n3 = -1;
        const uint64_t before = db::roundTripCount();
        db::ReadBatch reads;
        reads.add(kCountBdp, {db::in(1, eso)}, {db::i32(n1)});
        reads.add(kDivide, {db::in(1, eso)}, {db::i32(n2)});
        reads.add(kCountBdp, {db::in(1, eso)}, {db::i32(n3)});
        for (int k = 0; k < 3; ++k) answers[plain][k] = reads.take();
        trips[plain] = db::roundTripCount() - before;
        EXPECT_EQ(n1, 1);
        EXPECT_EQ(n3, 1);
        EXPECT_EQ(db.scalar("select BdpKos from Dvm730Bdp where BdpPnr='A'"), "10.0");
        ASSERT_EQ(db::commitUnit(), 0);
        EXPECT_EQ(db.scalar("select BdpKos from Dvm730Bdp where BdpPnr='A'"), "7.0");
    }
    EXPECT_EQ(answers[0][0], 0);
    EXPECT_EQ(answers[0][2], 0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(answers[0][k], answers[1][k]) << k;
    if (GetParam() == testdb::Backend::Postgres) {
        EXPECT_LT(answers[0][1], 0);
        // Batched: the three reads under one savepoint, the rollback to it,
        // the third again. One by one: the savepoint, a read each, and the
        // rollback after the second.
        EXPECT_EQ(trips[0], 3u);
        EXPECT_EQ(trips[1], 5u);
    }
}

TEST_P(RecountBatch, ACountFailingHalfWayLogsItsCodeAndLeavesTheMatrixRow) {
    TestDb db(backend());
    Log_Pfade_Setzen(db.dir() + "/run.log", db.dir() + "/run.bak");
    insertBdp(db, "A", 10);
    db.exec("insert into Dvm725Bsm (BsmPlg,BsmEso,BsmEsa,BsmBdt,BsmSzv,BsmSzb,BsmAsw,BsmIst,BsmSol,"
            "BsmFkt) values ('P1','E1','A1'," + jd(kTag) + ",480,960,1,5,1,4)");
    // The fifth count of the slot names a column the table no longer has.
    db.exec("alter table Dvm730Bdp drop column BdpFc2");

    BszZaehlSatz z;
    z.Datum = kTag.c_str();
    z.Plg = "P1";
    z.Eso = "E1";
    z.Esa = "A1";
    z.Asw = 1;
    z.Szv = 480;
    z.Szb = 960;
    z.AnzFc2 = 33;
    z.SumKos = 44.0;
    EXPECT_EQ(Bdp_Bsz_Count(z), db::rc::kInvalidColumn);
    EXPECT_EQ(z.AnzGesamt, 1);   // the counts before it were delivered
    EXPECT_EQ(z.AnzFc1, 0);
    EXPECT_EQ(z.AnzFc2, 33);     // the failing one and those after it not
    EXPECT_DOUBLE_EQ(z.SumKos, 44.0);

    Dvm725Bsm bsm;
    recountFailsAndLogs(db, -904, bsm);
    EXPECT_EQ(db.scalar("select BsmFkt from Dvm725Bsm"), "4");

    // The proposal counts: the first failing leaves its value and the second
    // still runs.
    db.exec("drop index if exists Dvm735Bdk_Ein");  // SQLite keeps a column that an index names
    db.exec("alter table Dvm735Bdk drop column BdkOsw");
    int32_t aus = -1, ein = -1;
    EXPECT_EQ(Count_OptVorschlaege(bsm, aus, ein), db::rc::kInvalidColumn);
    EXPECT_EQ(aus, 0);
    EXPECT_EQ(ein, -1);
    db.exec("alter table Dvm735Bdk rename column BdkErf to BdkErx");
    aus = ein = -1;
    EXPECT_EQ(Count_OptVorschlaege(bsm, aus, ein), db::rc::kInvalidColumn);
    EXPECT_EQ(aus, -1);
    EXPECT_EQ(ein, -1);
    Log_Pfade_Setzen(std::string(), std::string());
}

namespace {

// The server's Unix socket from a URI "...?host=/dir...", "" when it has none.
std::string socketOf(const std::string& uri) {
    std::size_t h = uri.find("host=/");
    if (h == std::string::npos) return "";
    std::size_t end = uri.find('&', h);
    return uri.substr(h + 5, end == std::string::npos ? std::string::npos : end - h - 5) + "/.s.PGSQL.5432";
}

// dorvelian-forwarder in front of a socket, with a delay each way.
struct Forwarder {
    pid_t pid = -1;
    int port = 0;
    Forwarder(const std::string& socket, int delayUs) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            const std::string bin = std::string(DORVELIAN_BIN_DIR) + "/bench/dorvelian-forwarder";
            const std::string to = "unix:" + socket, us = std::to_string(delayUs);
            execl(bin.c_str(), bin.c_str(), "--to", to.c_str(), "--delay-us", us.c_str(), nullptr);
            _exit(127);
        }
        close(fds[1]);
        char buf[16] = {};
        ssize_t n = read(fds[0], buf, sizeof buf - 1);
        close(fds[0]);
        if (n > 0) port = std::atoi(buf);
    }
    ~Forwarder() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            testdb::waitProgram(pid, 10);
        }
    }
};

// The database name of a URI "postgresql:///NAME?..." or ".../NAME".
std::string databaseOf(const std::string& uri) {
    std::size_t s = uri.find('/', uri.find("://") + 3);
    std::size_t q = uri.find('?', s);
    return uri.substr(s + 1, q == std::string::npos ? std::string::npos : q - s - 1);
}

}  // namespace

TEST(ServerBatch, ALinkLostInTheMiddleOfABatchFailsEveryReadOfItAndWhatFollows) {
    if (testdb::serverMissing(testdb::Backend::Postgres)) GTEST_SKIP() << testdb::skipReason();
    TestDb db(testdb::Backend::Postgres);
    const std::string socket = socketOf(db.service());
    if (socket.empty()) GTEST_SKIP() << "the server is not named by a Unix socket";
    insertBdp(db, "A", 10);
    Forwarder fwd(socket, 200000);  // 0.2 s each way
    ASSERT_GT(fwd.port, 0);
    ASSERT_EQ(db::connect("dorvelian/dorvelian@postgresql://127.0.0.1:" + std::to_string(fwd.port) + "/" +
                          databaseOf(db.service()) + "?sslmode=disable"),
              0)
        << db::lastErrorText();
    ASSERT_EQ(db::executeImmediate("ALTER SESSION SET CURRENT_SCHEMA=PLAN"), 0);

    const FixText<6> eso("E1");
    int32_t n1 = -7, n2 = -7;
    {
        db::ReadBatch ready;
        ready.add(kCountBdp, {db::in(1, eso)}, {db::i32(n1)});
        ready.add(kCountBdk, {db::in(1, eso)}, {db::i32(n2)});
        ASSERT_EQ(ready.take(), 0);
        ASSERT_EQ(ready.take(), 0);
    }
    n1 = n2 = -7;
    db::ReadBatch reads;
    reads.add(kCountBdp, {db::in(1, eso)}, {db::i32(n1)});
    reads.add(kCountBdk, {db::in(1, eso)}, {db::i32(n2)});
    // The link goes while the batch is on its way.
    std::thread drop([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        kill(fwd.pid, SIGUSR1);
    });
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(reads.take(), db::rc::kConnectionLost);
    EXPECT_EQ(reads.take(), db::rc::kConnectionLost);
    drop.join();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    EXPECT_EQ(n1, -7);
    EXPECT_EQ(n2, -7);
    // What follows fails the same way and does not hang.
    int32_t n3 = -7;
    EXPECT_EQ(db::selectInto(kCountBdp, {db::in(1, eso)}, {db::i32(n3)}), db::rc::kConnectionLost);
    static const db::Sql sp("savepoint Bdp_Test_Sp");
    static const db::Sql rb("rollback  to Bdp_Test_Sp");
    static const db::Sql upd("update Dvm730Bdp  set BdpKos=:b0 where BdpPnr=:b1");
    const int32_t neu = 1;
    const FixText<9> a("A");
    EXPECT_EQ(db::guardedWrite(sp, upd, rb, {db::in(0, neu), db::in(1, a)}), db::rc::kConnectionLost);
    EXPECT_EQ(db.scalar("select BdpKos from Dvm730Bdp where BdpPnr='A'"), "10.0");
    db::disconnect();
}

TEST(ServerBatch, ASessionEndedFromASecondConnectionFailsTheNextBatchAsLost) {
    if (testdb::serverMissing(testdb::Backend::Postgres)) GTEST_SKIP() << testdb::skipReason();
    TestDb db(testdb::Backend::Postgres);
    insertBdp(db, "A", 10);
    Log_Pfade_Setzen(db.dir() + "/run.log", db.dir() + "/run.bak");
    db.exec("insert into Dvm725Bsm (BsmPlg,BsmEso,BsmEsa,BsmBdt,BsmSzv,BsmSzb,BsmAsw,BsmIst,BsmSol,"
            "BsmFkt) values ('P1','E1','A1'," + jd(kTag) + ",480,960,1,5,1,4)");
    db.exec("select pg_terminate_backend(pid) from pg_stat_activity where application_name = 'dorvelian' "
            "and datname = current_database()");
    Dvm725Bsm bsm;
    recountFailsAndLogs(db, -3113, bsm);
    Log_Pfade_Setzen(std::string(), std::string());
}

TEST_P(ReadBatch, AReadAheadAnswersTheSameReadOnceAndNeverAcrossAWrite) {
    TestDb db(backend());
    insertBdp(db, "A", 10);
    const FixText<6> e1("E1"), e2("E2");
    // Each text prepared once beforehand, so that only the reads count.
    int32_t warm = 0;
    double warmKos = 0;
    db::selectInto(kCountBdp, {db::in(1, e2)}, {db::i32(warm)});
    db::selectInto(kSumKos, {db::in(1, e2)}, {db::dbl(warmKos)});
    const uint64_t start = db::roundTripCount();
    {
        db::ReadAhead vorab;
        vorab.add(kCountBdp, {db::in(1, e1)});
        vorab.add(kMissing, {db::in(1, e1)});
        vorab.add(kSumKos, {db::in(1, e1)});
        vorab.send();
        const uint64_t sent = db::roundTripCount();
        // One exchange for the batch; the read of a missing table fails at
        // its prepare, one exchange before it, and is not sent.
        EXPECT_EQ(sent - start, db.postgres() ? 2u : 0u);
        // Another row changes after the sending: the answer kept is that of
        // the moment it was sent (the server), or of the read itself (SQLite).
        db.exec("update Dvm730Bdp set BdpKos = 12 where BdpPnr = 'A'");
        int32_t n = -1;
        EXPECT_EQ(db::selectInto(kMissing, {db::in(1, e1)}, {db::i32(n)}), db::rc::kNoTable);
        EXPECT_EQ(db::selectInto(kCountBdp, {db::in(1, e1)}, {db::i32(n)}), 0);
        EXPECT_EQ(n, 1);
        EXPECT_EQ(db::roundTripCount(), sent);
        // Other inputs, or the same read a second time, ask the database.
        EXPECT_EQ(db::selectInto(kCountBdp, {db::in(1, e2)}, {db::i32(n)}), 0);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(db::selectInto(kCountBdp, {db::in(1, e1)}, {db::i32(n)}), 0);
        EXPECT_EQ(n, 1);
        EXPECT_EQ(db::roundTripCount() - sent, db.postgres() ? 2u : 0u);
        // The session's own write drops what was read ahead.
        static const db::Sql sp("savepoint Bdp_Test_Sp");
        static const db::Sql rb("rollback  to Bdp_Test_Sp");
        static const db::Sql upd("update Dvm730Bdp  set BdpKos=:b0 where BdpPnr=:b1");
        const int32_t neu = 30;
        const FixText<9> a("A");
        ASSERT_EQ(db::guardedWrite(sp, upd, rb, {db::in(0, neu), db::in(1, a)}), 0);
        double kos = 0;
        EXPECT_EQ(db::selectInto(kSumKos, {db::in(1, e1)}, {db::dbl(kos)}), 0);
        EXPECT_DOUBLE_EQ(kos, 30.0);
        // A wrong output list fails as it does without reading ahead.
        db::ReadAhead zweite;
        zweite.add(kCountBdp, {db::in(1, e1)});
        zweite.send();
        FixText<9> text;
        EXPECT_EQ(db::selectInto(kCountBdp, {db::in(1, e1)}, {db::i32(n), db::txt(text)}),
                  db::rc::kSelectListMismatch);
    }
    // Without a ReadAhead every read asks the database.
    int32_t n = -1;
    const uint64_t before = db::roundTripCount();
    EXPECT_EQ(db::selectInto(kCountBdp, {db::in(1, e1)}, {db::i32(n)}), 0);
    EXPECT_EQ(db::roundTripCount() - before, db.postgres() ? 1u : 0u);
}

namespace {

// The rows of the run's tables in one sorted text per table, without the
// time stamps and the random proposal keys.
std::string tablesOf(testdb::PlanRows& db) {
    std::string out;
    for (const char* t : {"dvm735bdk", "dvm725bsm", "dvm746err", "dvm701plg"}) {
        const std::string cols = db.scalar(
            "select string_agg(c, ',' order by o) from (select case when data_type = 'date' then "
            "'to_char(' || column_name || ',''YYYYMMDD'')' else column_name end as c, ordinal_position as o "
            "from information_schema.columns where table_schema = 'plan' and table_name = '" + std::string(t) +
            "' and data_type not like 'timestamp%' and column_name <> 'bdkkey') x");
        const auto r = db.cells("select count(*), coalesce(string_agg(z, E'\\n' order by z), '') from (select row(" +
                                cols + ")::text as z from plan." + t + ") y");
        if (!r.empty()) out += std::string(t) + " " + r[0][0] + "\n" + r[0][1] + "\n";
    }
    return out;
}

}  // namespace

// The same plan run with the batches sent together and with every statement
// on its own leaves the same rows and log, and takes fewer round trips; with
// the default settings and with the minimum pass and only persons who fit.
TEST(ServerBatch, ARunWithBatchesLeavesEveryRowAsARunOneStatementAtATime) {
    if (testdb::postgresUri().empty()) GTEST_SKIP() << testdb::skipReason();
    const std::string root = testdb::makeTempDir();
    const std::pair<std::string, std::string> laeufe[] = {
        {"", "--seed 7 --days 6 --units 3 --workplaces 2"},
        {"--minimum-pass on --person-choice fitting-only", "--seed 2 --days 7 --slots 5"}};
    for (const auto& [einstellungen, plan] : laeufe) {
        SCOPED_TRACE(einstellungen);
        std::string rows[2], logs[2];
        unsigned long long trips[2] = {};
        for (int plain = 0; plain < 2; ++plain) {
            SCOPED_TRACE(plain ? "plain" : "batched");
            const testdb::ServerDb server("dv_batch");
            ASSERT_TRUE(server.ok());
            const std::string& uri = server.uri();
            const std::string dir = root + "/" + std::to_string(plain);
            std::vector<std::string> demo = testdb::words(plan);
            demo.insert(demo.end(), {"--dir", dir, "--pg", uri, "--user", "dorvelian", "--password", "dorvelian"});
            const testdb::Outcome made = testdb::runDemo(demo);
            ASSERT_EQ(made.code, 0) << made.err;
            if (!einstellungen.empty()) {
                std::vector<std::string> args = testdb::words(einstellungen);
                args.insert(args.begin(), dir + "/work/dorvelian.cfg");
                ASSERT_EQ(testdb::runProgram({.program = "dorvelian-config", .args = args}).code, 0);
            }
            testdb::Call run = testdb::demoRun(dir);
            run.env = {{"DORVELIAN_STATS", dir + "/stats"}};
            if (plain) run.env.emplace_back("DORVELIAN_PIPELINE", "off");
            ASSERT_EQ(testdb::runProgram(run).code, 0);
            for (const std::string& m : testdb::logMessages(dir + "/zentravis_php/log/dorvelian_PLAN.log"))
                logs[plain] += m + "\n";
            const std::string stats = testdb::readFile(dir + "/stats");
            const std::size_t at = stats.find("roundtrips ");
            ASSERT_NE(at, std::string::npos) << stats;
            trips[plain] = std::stoull(stats.substr(at + 11));
            testdb::PlanRows db(testdb::Backend::Postgres, uri);
            rows[plain] = tablesOf(db);
        }
        EXPECT_NE(rows[0].find("dvm735bdk "), std::string::npos);
        EXPECT_EQ(rows[0].find("dvm735bdk 0\n"), std::string::npos) << "the run wrote no proposal";
        EXPECT_EQ(rows[0], rows[1]);
        EXPECT_EQ(logs[0], logs[1]);
        EXPECT_LT(trips[0] * 10, trips[1] * 8) << trips[0] << " batched, " << trips[1] << " one by one";
        EXPECT_EQ(rows[0].find("MINDESTDURCHGANG") != std::string::npos, !einstellungen.empty());
        testdb::removeTree(root + "/0");
        testdb::removeTree(root + "/1");
    }
    testdb::removeTree(root);
}

// Writes: on the server the BEGIN, savepoint, write and (for an insert that
// commits at once) the commit go out together. A failing write answers its
// own code and leaves no trace, the next write commits, a unit's writes wait
// for its commit; the same codes and rows with every statement on its own.
TEST_P(ReadBatch, AFailingWriteAnswersItsCodeAndTheWritesAfterItGoOnAsOneByOne) {
    static const db::Sql sp("savepoint Bdp_Test_Sp");
    static const db::Sql rb("rollback  to Bdp_Test_Sp");
    static const db::Sql ins(
        "insert into Dvm730Bdp (BdpPnr,BdpBdt,BdpEso,BdpEsa,BdpSzv,BdpPlg,BdpAsw,BdpAkt) values "
        "(:b0,TO_DATE(:b1,'yyyymmdd'),'E1','A1',480,'P1',1,1)");
    static const db::Sql upd("update Dvm730Bdp  set BdpKos=:b0 where BdpPnr=:b1");
    const FixText<11> tag(kTag.c_str());
    std::string seen[2];
    uint64_t trips[2] = {};
    for (const bool plain : {false, true}) {
        SCOPED_TRACE(plain ? "plain" : "batched");
        const auto dbOnPath = testdb::onPath(backend(), plain);
        TestDb& db = *dbOnPath;
        db.refuse("before insert", "Dvm730Bdp", "new.BdpPnr = 'BAD'", true);
        std::string& out = seen[plain];
        auto write = [&](const char* pnr) {
            const FixText<9> p(pnr);
            return db::guardedWrite(sp, ins, rb, {db::in(0, p), db::in(1, tag)});
        };
        auto update = [&](const char* pnr, int32_t kos) {
            const FixText<9> p(pnr);
            return db::guardedWrite(sp, upd, rb, {db::in(0, kos), db::in(1, p)});
        };
        ASSERT_EQ(write("W0"), 0);  // prepares the texts
        ASSERT_EQ(update("W0", 1), 0);
        const uint64_t before = db::roundTripCount();
        const int32_t bad = write("BAD");
        EXPECT_LT(bad, 0);
        EXPECT_EQ(write("W1"), 0);
        EXPECT_EQ(update("NONE", 5), db::rc::kNotFound);
        EXPECT_EQ(update("W1", 7), 0);
        // Both committed at once: a second connection sees them, and nothing
        // of the refused insert (not even its trigger's trace).
        EXPECT_EQ(db.joined("select BdpPnr || ':' || cast(coalesce(BdpKos, 0) as integer) from Dvm730Bdp order by BdpPnr"),
                  "W0:1,W1:7");
        EXPECT_EQ(db.count("select count(*) from Spur"), 0);

        // A unit: a failing write undoes only itself, nothing shows before
        // the commit, everything the unit kept after it.
        db::beginUnit();
        EXPECT_EQ(write("U1"), 0);
        EXPECT_EQ(write("BAD"), bad);
        EXPECT_EQ(update("U1", 3), 0);
        EXPECT_EQ(db.count("select count(*) from Dvm730Bdp where BdpPnr = 'U1'"), 0);
        EXPECT_EQ(db::commitUnit(), 0);
        EXPECT_EQ(db.joined("select BdpPnr || ':' || cast(coalesce(BdpKos, 0) as integer) from Dvm730Bdp order by BdpPnr"),
                  "U1:3,W0:1,W1:7");
        trips[plain] = db::roundTripCount() - before;
        out = std::to_string(bad);
    }
    EXPECT_EQ(seen[0], seen[1]);
    if (GetParam() == testdb::Backend::Postgres) {
        // Batched: the refused insert 3 (its rollback and the commit follow),
        // the insert 1, the update of no row 3, the update 2 (its commit
        // follows), in the unit 1 + 2 (the rollback follows) + 1, and the
        // unit's commit 1. One by one: 5, 4, 5, 4, 3 + 3 + 2, 1.
        EXPECT_EQ(trips[0], 14u);
        EXPECT_EQ(trips[1], 27u);
    }
}
