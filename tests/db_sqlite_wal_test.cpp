// SQLite: the WAL is copied back during a run although the writes are
// committed while a cursor is open, and the open cursor goes on with its
// rows, values and types intact.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "db/Runtime.hpp"
#include "support/TestDb.hpp"

namespace {

long long fileSize(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

TEST(SqliteWal, DayCommitCopiesTheWalBackWhileACursorStaysOpen) {
    testdb::TestDb t;
    t.exec("CREATE TABLE W (K integer PRIMARY KEY, T varchar(20), D double precision, N integer)");
    for (int k = 1; k <= 5; ++k)
        t.exec("INSERT INTO W VALUES (" + std::to_string(k) + ", 'row" + std::to_string(k) + "', " +
               std::to_string(k) + ".25, " + (k == 4 ? std::string("NULL") : std::to_string(k * 7)) + ")");
    t.exec("CREATE TABLE P (K integer PRIMARY KEY, V varchar(2000))");

    static db::Cursor cur("select K ,T ,D ,N ,K  from W order by K");
    static const db::Sql sp("savepoint Wal_Sp");
    static const db::Sql rb("rollback  to Wal_Sp");
    static const db::Sql ins("insert into P (K,V) values (:b0,:b1)");
    static const db::Sql upd("update W  set T=:b0 where K=:b1");
    int32_t k = 0, n = 0;
    FixText<21> text;
    FixText<4> kText;  // an integer column read as text
    double d = 0;
    auto fetch = [&] { return cur.fetch({db::i32(k), db::txt(text), db::dbl(d), db::i32i(n), db::txt(kText)}); };

    ASSERT_EQ(cur.open({}), 0);
    ASSERT_EQ(fetch(), 0);
    EXPECT_EQ(k, 1);

    // Some 1500 pages of writes, each committed at once, with the cursor open.
    const std::string big(1500, 'x');
    const std::string wal = t.dir() + "/PLAN.db-wal";
    for (int32_t i = 0; i < 1500; ++i)
        ASSERT_EQ(db::guardedWrite(sp, ins, rb, {db::in(0, i), db::in(1, big.c_str())}), 0);
    // A later row changed after the cursor's first row: the cursor keeps the
    // row as it stood when its rows were read ahead.
    ASSERT_EQ(db::guardedWrite(sp, upd, rb, {db::in(0, "changed"), db::in(1, int32_t{2})}), 0);
    const long long grown = fileSize(wal);
    EXPECT_GT(grown, 4LL << 20);
    db::commit();  // the scan's commit after a day

    // The WAL has been copied back: the next writes start it from the
    // beginning instead of making it longer.
    for (int32_t i = 1500; i < 1600; ++i)
        ASSERT_EQ(db::guardedWrite(sp, ins, rb, {db::in(0, i), db::in(1, big.c_str())}), 0);
    EXPECT_EQ(fileSize(wal), grown);
    EXPECT_EQ(t.count("select count(*) from P"), 1600);

    // The cursor's remaining rows, with every value converted as before.
    std::vector<std::string> seen;
    int32_t r;
    while ((r = fetch()) == 0)
        seen.push_back(std::to_string(k) + "|" + text.c_str() + "|" + std::to_string(d) + "|" +
                       std::to_string(n) + "|" + kText.c_str());
    EXPECT_EQ(r, 1403);
    EXPECT_EQ(fetch(), 1403);
    EXPECT_EQ(seen, (std::vector<std::string>{"2|changed|2.250000|14|2", "3|row3|3.250000|21|3",
                                              "4|row4|4.250000|0|4", "5|row5|5.250000|35|5"}));
    EXPECT_EQ(cur.close(), 0);
}

}  // namespace
