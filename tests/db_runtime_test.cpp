// The statement runtime on real SQLite files: result codes, the write under
// its savepoint, indicators, the INTO list and the logon.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "db/Connect.hpp"
#include "db/ResultCodes.hpp"
#include "db/Runtime.hpp"
#include "db/SqlText.hpp"
#include "support/TestDb.hpp"

using testdb::TestDb;

namespace {
const db::Sql kSp("savepoint Test_Sp");
const db::Sql kRb("rollback  to Test_Sp");
}  // namespace

TEST(SqlText, IntoListIsTakenOutWithItsIndicators) {
    db::ParsedSql p = db::parseSql("select PlgHzt ,PlgTxt into :b0:b1,:b2  from Dvm701Plg where PlgPlg=:b3");
    EXPECT_EQ(p.kind, db::SqlKind::SelectInto);
    ASSERT_EQ(p.into.size(), 2u);
    EXPECT_TRUE(p.into[0].indicator);
    EXPECT_EQ(p.into[1].n, 2);
    EXPECT_FALSE(p.into[1].indicator);
    EXPECT_EQ(p.placeholders, std::vector<int>{3});
    std::string text = db::renderSql(p, [](int n) { return "?" + std::to_string(n + 1); },
                                     [](const std::string& w) { return w; });
    EXPECT_EQ(text, "select PlgHzt ,PlgTxt  from Dvm701Plg where PlgPlg=?4");
}

TEST(SqlText, QuotedTextAndRepeatedPlaceholdersStayIntact) {
    db::ParsedSql p = db::parseSql("select count(*)  into :b0  from T where (a=:b5 and b<>'   ' and c=':b9' and d=:b5)");
    EXPECT_EQ(p.placeholders, std::vector<int>{5});
    std::string text = db::renderSql(p, [](int n) { return "$" + std::to_string(n); },
                                     [](const std::string& w) { return w; });
    EXPECT_NE(text.find("c=':b9'"), std::string::npos);
    EXPECT_NE(text.find("b<>'   '"), std::string::npos);
    EXPECT_NE(text.find("d=$5"), std::string::npos);
}

TEST(SqlText, TieBreakExtendsOrBecomesTheOrderBy) {
    EXPECT_EQ(db::withTieBreak("select a from T where b=:b0 order by c desc", "d,e desc"),
              "select a from T where b=:b0 order by c desc,d,e desc");
    EXPECT_EQ(db::withTieBreak("select a from T ORDER  BY c", "d"), "select a from T ORDER  BY c,d");
    EXPECT_EQ(db::withTieBreak("select a from T where b=:b0", "d"), "select a from T where b=:b0 order by d");
    // Words inside quotes and a column named like the keyword are no order by.
    EXPECT_EQ(db::withTieBreak("select a from T where b='order by' and c=Border", "d"),
              "select a from T where b='order by' and c=Border order by d");
    EXPECT_EQ(db::withTieBreak("select a from T order by c", nullptr), "select a from T order by c");
    EXPECT_EQ(db::withTieBreak("select a from T order by c", ""), "select a from T order by c");
}

class Runtime : public testdb::BackendTest {
protected:
    TestDb t{GetParam()};
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped()) return;
        // One DDL for both backends: SQLite takes the types by affinity.
        t.exec("CREATE TABLE T (K varchar(10) PRIMARY KEY, N integer, D double precision, "
               "S varchar(10) NOT NULL DEFAULT 'x', DT date)");
        t.exec("INSERT INTO T (K, N, D, DT) VALUES ('a', 1, 2.5, " + testdb::jd("20261208") + ")");
        t.exec("INSERT INTO T (K, N, D) VALUES ('n', NULL, NULL)");
    }
};

TESTDB_INSTANTIATE_BOTH(Runtime);

TEST_P(Runtime, ReadWithoutRowAnswers1403AndLeavesOutputs) {
    static const db::Sql s("select N into :b0  from T where K=:b1");
    int32_t n = 77;
    EXPECT_EQ(db::selectInto(s, {db::in(1, "zz")}, {db::i32(n)}), 1403);
    EXPECT_EQ(n, 77);
    EXPECT_EQ(db::selectInto(s, {db::in(1, "a")}, {db::i32(n)}), 0);
    EXPECT_EQ(n, 1);
}

TEST_P(Runtime, NullReadsOnlyWithIndicator) {
    static const db::Sql withInd("select N ,D into :b0:b1,:b2:b3  from T where K=:b4");
    static const db::Sql withoutInd("select N into :b0  from T where K=:b1");
    int32_t n = 5;
    double d = 9.0;
    EXPECT_EQ(db::selectInto(withInd, {db::in(4, "n")}, {db::i32i(n), db::dbli(d)}), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(d, 0.0);
    EXPECT_EQ(db::selectInto(withoutInd, {db::in(1, "n")}, {db::i32(n)}), db::rc::kNullFetch);
    // An output list that disagrees with the INTO list is a fault, not a read.
    EXPECT_EQ(db::selectInto(withoutInd, {db::in(1, "a")}, {db::i32i(n)}), db::rc::kSelectListMismatch);
}

TEST_P(Runtime, MissingColumnAndTableHaveTheirCodes) {
    static const db::Sql col("select NoSuch into :b0  from T where K=:b1");
    static const db::Sql tab("select N into :b0  from NoSuchTable where K=:b1");
    int32_t n = 0;
    EXPECT_EQ(db::selectInto(col, {db::in(1, "a")}, {db::i32(n)}), db::rc::kInvalidColumn);
    EXPECT_EQ(db::selectInto(tab, {db::in(1, "a")}, {db::i32(n)}), db::rc::kNoTable);
}

TEST_P(Runtime, FailedWriteLeavesNoTraceAndReturnsItsOwnCode) {
    static const db::Sql ins("insert into T (K,N) values (:b0,:b1)");
    static const db::Sql upd("update T  set N=:b0 where K=:b1");
    int32_t v = 3;
    EXPECT_EQ(db::guardedWrite(kSp, ins, kRb, {db::in(0, "b"), db::in(1, v)}), 0);
    EXPECT_EQ(db::guardedWrite(kSp, ins, kRb, {db::in(0, "b"), db::in(1, v)}), db::rc::kUnique);
    EXPECT_EQ(t.count("SELECT count(*) FROM T WHERE K='b'"), 1);
    // An update of no row answers "no rows", as the original embedded SQL did.
    EXPECT_EQ(db::guardedWrite(kSp, upd, kRb, {db::in(0, v), db::in(1, "zz")}), 1403);
    // The write was committed at once: another connection sees it, and no
    // transaction is left open that would block it.
    t.exec("UPDATE T SET N = 4 WHERE K = 'b'");
    EXPECT_EQ(t.scalar("SELECT N FROM T WHERE K='b'"), "4");
}

// Inside a unit of work the writes keep their savepoints but commit only
// together; a failing write or read inside the unit undoes only itself.
TEST_P(Runtime, UnitOfWorkCommitsItsWritesTogether) {
    static const db::Sql ins("insert into T (K,N) values (:b0,:b1)");
    static const db::Sql upd("update T  set N=:b0 where K=:b1");
    static const db::Sql read("select N into :b0  from T where K=:b1");
    static const db::Sql bad("select NoSuch into :b0  from T where K=:b1");
    int32_t seven = 7, eight = 8, n = 0;
    db::beginUnit();
    EXPECT_TRUE(db::inUnit());
    EXPECT_EQ(db::guardedWrite(kSp, ins, kRb, {db::in(0, "u"), db::in(1, seven)}), 0);
    EXPECT_EQ(db::guardedWrite(kSp, ins, kRb, {db::in(0, "u"), db::in(1, eight)}), db::rc::kUnique);
    EXPECT_EQ(db::guardedWrite(kSp, upd, kRb, {db::in(0, eight), db::in(1, "zz")}), 1403);
    EXPECT_EQ(db::selectInto(bad, {db::in(1, "u")}, {db::i32(n)}), db::rc::kInvalidColumn);
    EXPECT_EQ(db::selectInto(read, {db::in(1, "u")}, {db::i32(n)}), 0);
    EXPECT_EQ(n, 7) << "a read inside the unit sees the unit's own write";
    EXPECT_EQ(db::guardedWrite(kSp, upd, kRb, {db::in(0, eight), db::in(1, "a")}), 0);
    // Nothing is committed yet: another connection sees neither write.
    EXPECT_EQ(t.count("SELECT count(*) FROM T WHERE K='u'"), 0);
    EXPECT_EQ(t.scalar("SELECT N FROM T WHERE K='a'"), "1");
    EXPECT_EQ(db::commitUnit(), 0);
    EXPECT_FALSE(db::inUnit());
    EXPECT_EQ(t.scalar("SELECT N FROM T WHERE K='u'"), "7");
    EXPECT_EQ(t.scalar("SELECT N FROM T WHERE K='a'"), "8");

    // A unit rolled back leaves nothing; the next write commits by itself.
    db::beginUnit();
    EXPECT_EQ(db::guardedWrite(kSp, ins, kRb, {db::in(0, "v"), db::in(1, seven)}), 0);
    EXPECT_EQ(db::guardedWrite(kSp, upd, kRb, {db::in(0, seven), db::in(1, "u")}), 0);
    EXPECT_EQ(db::rollbackUnit(), 0);
    EXPECT_EQ(db::guardedWrite(kSp, ins, kRb, {db::in(0, "w"), db::in(1, seven)}), 0);
    EXPECT_EQ(t.count("SELECT count(*) FROM T WHERE K='v'"), 0);
    EXPECT_EQ(t.scalar("SELECT N FROM T WHERE K='u'"), "7");
    EXPECT_EQ(t.count("SELECT count(*) FROM T WHERE K='w'"), 1);
    // A unit without a write costs nothing and commits nothing.
    db::beginUnit();
    EXPECT_EQ(db::commitUnit(), 0);
}

// Makes the next commits fail: on the server a deferred unique key that a
// second row breaks only at the commit, on the embedded database a file
// size limit (SIGXFSZ ignored) that the commit's write into the WAL passes.
class CommitFault {
public:
    CommitFault(TestDb& t) : t_(t) {
        if (t.postgres()) {
            t.exec("CREATE TABLE V (K varchar(10), CONSTRAINT V_Uk UNIQUE (K) DEFERRABLE INITIALLY DEFERRED)");
            t.exec("INSERT INTO V (K) VALUES ('x')");
        } else {
            t.exec("CREATE TABLE V (K varchar(10))");
            oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &old_);
        }
    }
    ~CommitFault() {
        if (!t_.postgres()) std::signal(SIGXFSZ, oldHandler_);
    }
    // The commit of the next writes fails until lift().
    void arm() {
        if (t_.postgres()) return;
        struct rlimit tiny = old_;
        tiny.rlim_cur = 1;
        setrlimit(RLIMIT_FSIZE, &tiny);
    }
    void lift() {
        if (!t_.postgres()) setrlimit(RLIMIT_FSIZE, &old_);
    }
    // The key of a row whose insert fails at the commit once armed.
    const char* failingKey() const { return "x"; }

private:
    TestDb& t_;
    struct rlimit old_ {};
    void (*oldHandler_)(int) = SIG_DFL;
};

TEST_P(Runtime, FailedCommitIsTheFailureOfItsWrite) {
    static const db::Sql sp("savepoint V_Sp");
    static const db::Sql rb("rollback  to V_Sp");
    static const db::Sql ins("insert into V (K) values (:b0)");
    CommitFault fault(t);
    const long long before = t.count("SELECT count(*) FROM V");

    // Outside a unit the write answers its commit's failure.
    fault.arm();
    const int32_t r = db::guardedWrite(sp, ins, rb, {db::in(0, fault.failingKey())});
    fault.lift();
    EXPECT_LT(r, 0) << "the write was reported as done, its commit failed";
    EXPECT_EQ(t.count("SELECT count(*) FROM V"), before);

    // In a unit the write goes through and the unit's commit answers.
    db::beginUnit();
    EXPECT_EQ(db::guardedWrite(sp, ins, rb, {db::in(0, "y")}), 0);
    EXPECT_EQ(db::guardedWrite(sp, ins, rb, {db::in(0, fault.failingKey())}), 0);
    fault.arm();
    const int32_t ru = db::commitUnit();
    fault.lift();
    EXPECT_LT(ru, 0);
    EXPECT_EQ(t.count("SELECT count(*) FROM V"), before) << "a failed commit left part of its unit";

    // The session goes on: the next write commits.
    EXPECT_EQ(db::guardedWrite(sp, ins, rb, {db::in(0, "z")}), 0);
    EXPECT_EQ(t.count("SELECT count(*) FROM V WHERE K='z'"), 1);
}

TEST_P(Runtime, EmptyTextBindsAsNull) {
    static const db::Sql ins("insert into T (K,S) values (:b0,:b1)");
    EXPECT_EQ(db::guardedWrite(kSp, ins, kRb, {db::in(0, "c"), db::in(1, "")}), db::rc::kNullInsert);
    EXPECT_EQ(t.count("SELECT count(*) FROM T WHERE K='c'"), 0);
}

TEST_P(Runtime, DatesConvertBothWaysAndCountDays) {
    static const db::Sql s("select TO_CHAR(DT,'yyyymmdd') ,TO_CHAR(DT+1,'yyyymmddHH24MISS') into :b0,:b1  from T where K=:b2 and DT=TO_DATE(:b3,'yyyymmdd')");
    FixText<11> d;
    FixText<27> next;
    FixText<9> key("a");
    EXPECT_EQ(db::selectInto(s, {db::in(2, key), db::in(3, "20261208")}, {db::txt(d), db::txt(next)}), 0);
    EXPECT_EQ(d, "20261208");
    EXPECT_EQ(next, "20261209000000");
    // Not a calendar date: the statement fails with the date error.
    EXPECT_EQ(db::selectInto(s, {db::in(2, key), db::in(3, "20261332")}, {db::txt(d), db::txt(next)}), -1843);
    EXPECT_EQ(db::selectInto(s, {db::in(2, key), db::in(3, "2026ab01")}, {db::txt(d), db::txt(next)}), -1858);
}

TEST_P(Runtime, CursorDeliversRowsThenNoMoreRows) {
    db::Cursor c("select K ,N  from T order by K");
    FixText<4> k;
    int32_t n = 0;
    EXPECT_EQ(c.fetch({db::txt(k), db::i32i(n)}), db::rc::kInvalidCursor);
    EXPECT_EQ(c.open({}), 0);
    EXPECT_EQ(c.fetch({db::txt(k), db::i32i(n)}), 0);
    EXPECT_EQ(k, "a");
    EXPECT_EQ(c.fetch({db::txt(k), db::i32i(n)}), 0);
    EXPECT_EQ(k, "n");
    EXPECT_EQ(c.fetch({db::txt(k), db::i32i(n)}), 1403);
    EXPECT_EQ(c.close(), 0);
}

TESTDB_BOTH_BACKENDS(LogonCodes);

TEST_P(LogonCodes, RefusedLogonAndBadSchemasGiveTheSameCodes) {
    TestDb t(backend(), testdb::Layout::Newer, false);
    const std::string svc = t.service();
    EXPECT_EQ(dbConnect("", "pw", svc.c_str(), "PLAN"), db::rc::kLogonDenied);
    EXPECT_EQ(dbConnect(t.login().c_str(), t.password().c_str(), svc.c_str(), "../PLAN"), db::rc::kInvalidCharacter);
    EXPECT_EQ(dbConnect(t.login().c_str(), t.password().c_str(), svc.c_str(), ""), db::rc::kMissingOption);
    EXPECT_EQ(dbConnect(t.login().c_str(), t.password().c_str(), svc.c_str(), "OTHER"), db::rc::kNoSchema);
    EXPECT_EQ(dbConnect(t.login().c_str(), t.password().c_str(), svc.c_str(), "PLAN"), 0);
    static const db::Sql s("select count(*)  into :b0  from Dvm701Plg");
    int32_t n = -1;
    EXPECT_EQ(db::selectInto(s, {}, {db::i32(n)}), 0);
    EXPECT_EQ(n, 0);
}

TEST(Logon, RefusedLogonAndBadSchemasGiveNegativeCodes) {
    TestDb t(testdb::Layout::Newer, false);
    const std::string svc = t.service();
    EXPECT_EQ(dbConnect("", "pw", svc.c_str(), "PLAN"), db::rc::kLogonDenied);
    EXPECT_EQ(dbConnect("u", "pw", "sqlite:/no/such/dir", "PLAN"), db::rc::kUnknownService);
    EXPECT_EQ(dbConnect("u", "pw", "nowhere", "PLAN"), db::rc::kUnknownService);
    EXPECT_EQ(dbConnect("u", "pw", svc.c_str(), "../PLAN"), db::rc::kInvalidCharacter);
    EXPECT_EQ(dbConnect("u", "pw", svc.c_str(), ""), db::rc::kMissingOption);
    EXPECT_EQ(dbConnect("u", "pw", svc.c_str(), "OTHER"), db::rc::kNoSchema);
    // The schema switch never creates a database file.
    EXPECT_EQ(testdb::readFile(t.dir() + "/OTHER.db"), "");
    EXPECT_EQ(dbConnect("u", "p/w@x", svc.c_str(), "PLAN"), 0);
}
