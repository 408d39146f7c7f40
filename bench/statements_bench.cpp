// Runtime overhead: hot statements of a run, once through the statement
// runtime (db::Cursor, db::selectInto, db::guardedWrite) and once through the
// SQLite C API with prepared statements on a second connection to the same
// demo database, with the same statement text as the runtime prepares it.
//
//   dorvelian-demo --dir /tmp/bench-plan --force --days 14 --plangroups 1 --units 20 --workplaces 5
//   DORVELIAN_BENCH_PLAN=/tmp/bench-plan build-bench/bench/dorvelian_statements_bench
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "db/FixText.hpp"
#include "db/JulianDate.hpp"
#include "db/Runtime.hpp"
#include "db/SqlText.hpp"

namespace {

std::string planDir() {
    const char* d = std::getenv("DORVELIAN_BENCH_PLAN");
    return d ? d : "/tmp/bench-plan";
}

// The demo plan's first day, a slot that exists, a person deployed there.
struct Keys {
    std::string day, plg, eso, esa, pnr;
    int szv = 0, asw = 0;
};
Keys g_keys;

// TO_DATE and TO_CHAR on the raw connection, through the same date helpers.
void rawToDate(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT || argc < 2) { sqlite3_result_value(ctx, argv[0]); return; }
    int32_t err = 0;
    auto v = db::jd::parse(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                           reinterpret_cast<const char*>(sqlite3_value_text(argv[1])), err);
    if (v) sqlite3_result_double(ctx, *v); else sqlite3_result_null(ctx);
}
void rawToChar(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || argc < 2) { sqlite3_result_value(ctx, argv[0]); return; }
    std::string out;
    db::jd::format(sqlite3_value_double(argv[0]), reinterpret_cast<const char*>(sqlite3_value_text(argv[1])), out);
    sqlite3_result_text(ctx, out.c_str(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}
void rawSysdate(sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_double(ctx, db::jd::now()); }

sqlite3* g_raw = nullptr;

// The text the runtime's backend prepares for an embedded SQL text.
std::string rendered(const char* text) {
    db::ParsedSql p = db::parseSql(text);
    return db::renderSql(p, [](int n) { return "?" + std::to_string(n + 1); },
                         [](const std::string& w) -> std::string {
                             if (db::equalsNoCase(w, "NVL")) return "ifnull";
                             if (db::equalsNoCase(w, "sysdate")) return "ora_sysdate()";
                             return w;
                         });
}

sqlite3_stmt* rawPrepare(const char* text) {
    std::string t = rendered(text);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v3(g_raw, t.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "prepare failed: %s\n%s\n", sqlite3_errmsg(g_raw), t.c_str());
        std::exit(1);
    }
    return st;
}

void bindText(sqlite3_stmt* st, int n, const std::string& s) {
    sqlite3_bind_text(st, n + 1, s.c_str(), static_cast<int>(s.size()), SQLITE_STATIC);
}

bool setUp() {
    static bool done = false, ok = false;
    if (done) return ok;
    done = true;
    std::string dir = planDir() + "/db";
    if (db::connect("bench/x@sqlite:" + dir) != 0 ||
        db::executeImmediate("ALTER SESSION SET CURRENT_SCHEMA=PLAN") != 0) {
        std::fprintf(stderr, "no demo plan in %s (set DORVELIAN_BENCH_PLAN)\n", dir.c_str());
        return false;
    }
    if (sqlite3_open_v2((dir + "/PLAN.db").c_str(), &g_raw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(g_raw, 10000);
    sqlite3_exec(g_raw, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    sqlite3_exec(g_raw, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(g_raw, "TO_DATE", 2, det, nullptr, rawToDate, nullptr, nullptr);
    sqlite3_create_function(g_raw, "TO_CHAR", 2, det, nullptr, rawToChar, nullptr, nullptr);
    sqlite3_create_function(g_raw, "ora_sysdate", 0, det, nullptr, rawSysdate, nullptr, nullptr);
    // A deployed person of an overstaffed slot of the first day.
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(g_raw,
                       "select TO_CHAR(BdpBdt,'yyyymmdd'), BdpPlg, BdpEso, BdpEsa, BdpSzv, BdpAsw, BdpPnr "
                       "from Dvm730Bdp order by BdpBdt, BdpPlg, BdpEso, BdpEsa, BdpSzv limit 1",
                       -1, &st, nullptr);
    if (sqlite3_step(st) == SQLITE_ROW) {
        auto col = [&](int c) { return std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, c))); };
        g_keys = {col(0), col(1), col(2), col(3), col(6), sqlite3_column_int(st, 4), sqlite3_column_int(st, 5)};
        ok = true;
    }
    sqlite3_finalize(st);
    return ok;
}

#define NEED_PLAN(state)                                        \
    if (!setUp()) {                                             \
        (state).SkipWithError("no demo plan");                  \
        return;                                                 \
    }

// ---- understaffed rows of a day (cursor, 39 columns) ------------------------
const char* kUntText =
    "select TO_CHAR(BsmBdt,'yyyymmdd') ,BsmEso ,BsmEsa ,BsmBsz ,BsmSzv ,BsmSzb ,BsmJhr ,BsmMon "
    ",BsmWoc ,BsmJwc ,BsmTag ,BsmTtp ,BsmSol ,BsmMin ,BsmMax ,BsmIst ,BsmPlg ,BsmHtg ,BsmHtv "
    ",BsmHtn ,BsmKng ,BsmFkt ,BsmAsw ,BsmSta ,TO_CHAR(BsmDat,'yyyymmddHH24MISS') ,BsmErf "
    ",BsmId1 ,BsmId2 ,BsmId3 ,BsmId4 ,BsmId5 ,BsmId6 ,BsmId7 ,BsmId8 ,BsmKor ,BsmKos ,BsmKo2"
    " ,BsmOva ,BsmOve  from Dvm725Bsm where ((BsmPlg=:b0 and BsmBdt=TO_DATE(:b1,'yyyymmdd')) and "
    "BsmFkt<0) order by BsmFkt asc";

struct BsmRow {
    FixText<10> bdt; FixText<6> eso, esa, plg; FixText<4> bsz, ttp; FixText<15> dat; FixText<51> erf;
    int32_t n[27] = {};
    double kos = 0, ko2 = 0;
};

void Understaffed_Runtime(benchmark::State& state) {
    NEED_PLAN(state);
    static db::Cursor cur(kUntText);
    FixText<6> plg(g_keys.plg.c_str());
    FixText<11> day(g_keys.day.c_str());
    BsmRow r;
    int64_t rows = 0;
    for (auto _ : state) {
        cur.open({db::in(0, plg), db::in(1, day)});
        int32_t* n = r.n;
        while (cur.fetch({db::txt(r.bdt), db::txt(r.eso), db::txt(r.esa), db::txt(r.bsz), db::i32(n[0]),
                          db::i32(n[1]), db::i32(n[2]), db::i32(n[3]), db::i32(n[4]), db::i32(n[5]),
                          db::i32(n[6]), db::txt(r.ttp), db::i32(n[7]), db::i32(n[8]), db::i32(n[9]),
                          db::i32(n[10]), db::txt(r.plg), db::i32(n[11]), db::i32(n[12]), db::i32(n[13]),
                          db::i32(n[14]), db::i32(n[15]), db::i32(n[16]), db::i32(n[17]), db::txti(r.dat),
                          db::txti(r.erf), db::i32(n[18]), db::i32(n[19]), db::i32(n[20]), db::i32(n[21]),
                          db::i32(n[22]), db::i32(n[23]), db::i32(n[24]), db::i32(n[25]), db::i32(n[26]),
                          db::dbl(r.kos), db::dbl(r.ko2), db::i32i(n[0]), db::i32i(n[1])}) == 0)
            ++rows;
        cur.close();
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}

// The raw loop converts every column into the same fixed buffers.
void rawRow(sqlite3_stmt* st, BsmRow& r) {
    static const int textCols[] = {0, 1, 2, 3, 11, 16, 24, 25};
    auto copy = [&](int c, char* dst, std::size_t cap) {
        const unsigned char* s = sqlite3_column_text(st, c);
        std::size_t len = static_cast<std::size_t>(sqlite3_column_bytes(st, c));
        if (len > cap - 1) len = cap - 1;
        if (s) std::memcpy(dst, s, len);
        dst[len] = '\0';
    };
    copy(0, r.bdt.data(), 10); copy(1, r.eso.data(), 6); copy(2, r.esa.data(), 6); copy(3, r.bsz.data(), 4);
    copy(11, r.ttp.data(), 4); copy(16, r.plg.data(), 6); copy(24, r.dat.data(), 15); copy(25, r.erf.data(), 51);
    int k = 0;
    for (int c = 4; c < 39; ++c) {
        bool isText = false;
        for (int t : textCols) isText = isText || t == c;
        if (isText) continue;
        if (c == 35) r.kos = sqlite3_column_double(st, c);
        else if (c == 36) r.ko2 = sqlite3_column_double(st, c);
        else r.n[k++ % 27] = sqlite3_column_int(st, c);
    }
}

void Understaffed_Raw(benchmark::State& state) {
    NEED_PLAN(state);
    static sqlite3_stmt* st = rawPrepare(kUntText);
    BsmRow r;
    int64_t rows = 0;
    for (auto _ : state) {
        bindText(st, 0, g_keys.plg);
        bindText(st, 1, g_keys.day);
        while (sqlite3_step(st) == SQLITE_ROW) {
            rawRow(st, r);
            ++rows;
        }
        sqlite3_reset(st);
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}

// ---- one of the slot counts (single-row aggregate, 6 binds) ----------------
const char* kCountText =
    "select count(*)  into :b0  from Dvm730bdp where (((((((((BdpPlg=:b1 and BdpEso=:b2) and "
    "BdpEsa=:b3) and BdpBdt=TO_DATE(:b4,'yyyymmdd')) and BdpSzv=:b5) and BdpAsw=:b6) and "
    "BdpZtv=:b5) and BdpZtb=:b8) and BdpSts<>'O') and BdpSts<>'D')";

void SlotCount_Runtime(benchmark::State& state) {
    NEED_PLAN(state);
    static const db::Sql sql(kCountText);
    FixText<6> plg(g_keys.plg.c_str()), eso(g_keys.eso.c_str()), esa(g_keys.esa.c_str());
    FixText<11> day(g_keys.day.c_str());
    int32_t szv = g_keys.szv, asw = g_keys.asw, szb = 0, anz = 0;
    for (auto _ : state) {
        int32_t rc = db::selectInto(sql, {db::in(1, plg), db::in(2, eso), db::in(3, esa), db::in(4, day),
                                          db::in(5, szv), db::in(6, asw), db::in(8, szb)},
                                    {db::i32(anz)});
        benchmark::DoNotOptimize(rc);
    }
}

void SlotCount_Raw(benchmark::State& state) {
    NEED_PLAN(state);
    static sqlite3_stmt* st = rawPrepare(kCountText);
    int32_t anz = 0;
    for (auto _ : state) {
        bindText(st, 1, g_keys.plg); bindText(st, 2, g_keys.eso); bindText(st, 3, g_keys.esa);
        bindText(st, 4, g_keys.day);
        sqlite3_bind_int(st, 6, g_keys.szv); sqlite3_bind_int(st, 7, g_keys.asw); sqlite3_bind_int(st, 9, 0);
        if (sqlite3_step(st) == SQLITE_ROW) anz = sqlite3_column_int(st, 0);
        sqlite3_step(st);
        sqlite3_reset(st);
        benchmark::DoNotOptimize(anz);
    }
}

// ---- the person-day working time (single-row sum) -------------------------
const char* kPersonText =
    "select NVL(sum(BdpAzt),0) into :b0  from Dvm730Bdp where ((BDPPNR=:b1 and "
    "BDPBDT=TO_DATE(:b2,'yyyymmdd')) and BdpAkt<>9999)";

void PersonDay_Runtime(benchmark::State& state) {
    NEED_PLAN(state);
    static const db::Sql sql(kPersonText);
    FixText<9> pnr(g_keys.pnr.c_str());
    FixText<11> day(g_keys.day.c_str());
    int32_t sum = 0;
    for (auto _ : state) {
        int32_t rc = db::selectInto(sql, {db::in(1, pnr), db::in(2, day)}, {db::i32(sum)});
        benchmark::DoNotOptimize(rc);
    }
}

void PersonDay_Raw(benchmark::State& state) {
    NEED_PLAN(state);
    static sqlite3_stmt* st = rawPrepare(kPersonText);
    int32_t sum = 0;
    for (auto _ : state) {
        bindText(st, 1, g_keys.pnr);
        bindText(st, 2, g_keys.day);
        if (sqlite3_step(st) == SQLITE_ROW) sum = sqlite3_column_int(st, 0);
        sqlite3_step(st);
        sqlite3_reset(st);
        benchmark::DoNotOptimize(sum);
    }
}

// ---- a staffing-matrix write under its savepoint, committed at once --------
const char* kUpdText =
    "update Dvm725Bsm  set BsmFkt=:b0,BsmDat=sysdate where (((((BsmPlg=:b1 and BsmEso=:b2) and "
    "BsmEsa=:b3) and BsmBdt=TO_DATE(:b4,'yyyymmdd')) and BsmSzv=:b5) and BsmAsw=:b6)";

void MatrixWrite_Runtime(benchmark::State& state) {
    NEED_PLAN(state);
    static const db::Sql sp("savepoint Bench_Sp"), rb("rollback  to Bench_Sp"), sql(kUpdText);
    FixText<6> plg(g_keys.plg.c_str()), eso(g_keys.eso.c_str()), esa(g_keys.esa.c_str());
    FixText<11> day(g_keys.day.c_str());
    int32_t szv = g_keys.szv, asw = g_keys.asw, fkt = 0;
    int64_t changed = 0;
    for (auto _ : state) {
        ++fkt;
        int32_t rc = db::guardedWrite(sp, sql, rb, {db::in(0, fkt), db::in(1, plg), db::in(2, eso), db::in(3, esa),
                                                    db::in(4, day), db::in(5, szv), db::in(6, asw)});
        changed += rc == 0;
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(changed), benchmark::Counter::kAvgIterations);
}

void MatrixWrite_Raw(benchmark::State& state) {
    NEED_PLAN(state);
    static sqlite3_stmt* sp = nullptr;
    static sqlite3_stmt* commit = nullptr;
    static sqlite3_stmt* st = rawPrepare(kUpdText);
    if (!sp) {
        sqlite3_prepare_v3(g_raw, "savepoint Bench_Sp", -1, SQLITE_PREPARE_PERSISTENT, &sp, nullptr);
        sqlite3_prepare_v3(g_raw, "COMMIT", -1, SQLITE_PREPARE_PERSISTENT, &commit, nullptr);
    }
    int32_t fkt = 0;
    int64_t changed = 0;
    for (auto _ : state) {
        sqlite3_step(sp);
        sqlite3_reset(sp);
        sqlite3_bind_int(st, 1, ++fkt);
        bindText(st, 1, g_keys.plg); bindText(st, 2, g_keys.eso); bindText(st, 3, g_keys.esa);
        bindText(st, 4, g_keys.day);
        sqlite3_bind_int(st, 6, g_keys.szv); sqlite3_bind_int(st, 7, g_keys.asw);
        int s = sqlite3_step(st);
        if (s == SQLITE_DONE) changed += sqlite3_changes(g_raw);
        sqlite3_reset(st);
        sqlite3_step(commit);
        sqlite3_reset(commit);
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(changed), benchmark::Counter::kAvgIterations);
}

}  // namespace

BENCHMARK(Understaffed_Runtime);
BENCHMARK(Understaffed_Raw);
BENCHMARK(SlotCount_Runtime);
BENCHMARK(SlotCount_Raw);
BENCHMARK(PersonDay_Runtime);
BENCHMARK(PersonDay_Raw);
BENCHMARK(MatrixWrite_Runtime);
BENCHMARK(MatrixWrite_Raw);
BENCHMARK_MAIN();
