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

#include "db/Bdk.hpp"
#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "base/FixText.hpp"
#include "db/JulianDate.hpp"
#include "db/NullOrder.hpp"
#include "db/Runtime.hpp"
#include "db/SqlText.hpp"
#include "db/PnrSatz.hpp"

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

// The text the runtime's SQLite backend prepares for an embedded SQL text
// (with the NULL place of every order-by term on a column that may hold it).
std::string rendered(const char* text) {
    const std::vector<std::string> tabellen = db::tablesOf(text);
    const auto mayBeNull = [&](std::string_view spalte) {
        const std::string s(spalte);
        for (const std::string& t : tabellen) {
            const std::size_t punkt = t.find('.');
            const std::string schema = punkt == std::string::npos ? std::string() : t.substr(0, punkt);
            const std::string name = punkt == std::string::npos ? t : t.substr(punkt + 1);
            int notNull = 0;
            if (sqlite3_table_column_metadata(g_raw, schema.empty() ? nullptr : schema.c_str(), name.c_str(),
                                              s.c_str(), nullptr, nullptr, &notNull, nullptr, nullptr) == SQLITE_OK)
                return notNull == 0;
        }
        return true;
    };
    db::ParsedSql p = db::parseSql(db::withNullsOrdered(text, mayBeNull));
    return db::renderSql(p, [](int n) { return std::string(1, '?').append(std::to_string(n + 1)); },
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

// A text copied from a db/ unit is checked against the text that unit has the
// runtime prepare: `use` runs the program's own function once, after which
// the rendered copy must be among the session's prepared texts.
template <class Use>
bool sameTextAsProgram(benchmark::State& state, const char* copy, Use use) {
    use();
    const std::string want = rendered(copy);
    for (const std::string& t : db::preparedTexts())
        if (t == want) return true;
    state.SkipWithError("statement text differs from the program's (db/ source changed?)");
    return false;
}

// ---- understaffed rows of a day (cursor, 39 columns) ------------------------
// Must match the newer text of curPlgUntC in db/Bsm.cpp byte for byte, with
// its tie-break.
const char* kUntText =
    "select TO_CHAR(BsmBdt,'yyyymmdd') ,BsmEso ,BsmEsa ,BsmBsz ,BsmSzv ,BsmSzb ,BsmJhr ,BsmMon "
    ",BsmWoc ,BsmJwc ,BsmTag ,BsmTtp ,BsmSol ,BsmMin ,BsmMax ,BsmIst ,BsmPlg ,BsmHtg ,BsmHtv "
    ",BsmHtn ,BsmKng ,BsmFkt ,BsmAsw ,BsmSta ,TO_CHAR(BsmDat,'yyyymmddHH24MISS') ,BsmErf "
    ",BsmId1 ,BsmId2 ,BsmId3 ,BsmId4 ,BsmId5 ,BsmId6 ,BsmId7 ,BsmId8 ,BsmKor ,BsmKos ,BsmKo2"
    " ,BsmOva ,BsmOve  from Dvm725Bsm where ((BsmPlg=:b0 and BsmBdt=TO_DATE(:b1,'yyyymmdd')) and "
    "BsmFkt<0) order by BsmFkt asc,BsmAsw,BsmEso,BsmEsa,BsmSzv";

struct BsmRow {
    FixText<10> bdt; FixText<6> eso, esa, plg; FixText<4> bsz, ttp; FixText<15> dat; FixText<51> erf;
    int32_t n[27] = {};
    double kos = 0, ko2 = 0;
};

void Understaffed_Runtime(benchmark::State& state) {
    NEED_PLAN(state);
    auto program = [] {
        Bsm_PlgUntC_Open(g_keys.plg.c_str(), g_keys.day.c_str());
        Bsm_PlgUntC_Close();
    };
    if (!sameTextAsProgram(state, kUntText, program)) return;
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
// Must match sqlZtGleich of Bdp_Bsz_Count in db/Bdp.cpp byte for byte.
const char* kCountText =
    "select count(*)  into :b0  from Dvm730bdp where (((((((((BdpPlg=:b1 and BdpEso=:b2) and "
    "BdpEsa=:b3) and BdpBdt=TO_DATE(:b4,'yyyymmdd')) and BdpSzv=:b5) and BdpAsw=:b6) and "
    "BdpZtv=:b5) and BdpZtb=:b8) and BdpSts<>'O') and BdpSts<>'D')";

void SlotCount_Runtime(benchmark::State& state) {
    NEED_PLAN(state);
    BszZaehlSatz z;
    z.Datum = g_keys.day.c_str(); z.Plg = g_keys.plg.c_str(); z.Eso = g_keys.eso.c_str(); z.Esa = g_keys.esa.c_str();
    z.Asw = g_keys.asw; z.Szv = g_keys.szv;
    if (!sameTextAsProgram(state, kCountText, [&] { Bdp_Bsz_Count(z); })) return;
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
// Must match TagArbZt_Brutto in db/Bdp.cpp byte for byte.
const char* kPersonText =
    "select NVL(sum(BdpAzt),0) into :b0  from Dvm730Bdp where ((BDPPNR=:b1 and "
    "BDPBDT=TO_DATE(:b2,'yyyymmdd')) and BdpAkt<>9999)";

void PersonDay_Runtime(benchmark::State& state) {
    NEED_PLAN(state);
    PnrSatz ps;
    PnrSatz_Init(ps);
    ps.Pnr = g_keys.pnr.c_str(); ps.Datum = g_keys.day.c_str();
    if (!sameTextAsProgram(state, kPersonText, [&] { TagArbZt_Brutto(ps); })) return;
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

// ---- shared by the cases below ---------------------------------------------


// Binds a fixed-width text the way the runtime does: an empty text is NULL.
template <std::size_t N>
void bindFix(sqlite3_stmt* st, int n, const FixText<N>& s) {
    std::size_t len = std::strlen(s.c_str());
    if (len == 0) sqlite3_bind_null(st, n + 1);
    else sqlite3_bind_text(st, n + 1, s.c_str(), static_cast<int>(len), SQLITE_STATIC);
}
void bindInt(sqlite3_stmt* st, int n, int32_t v) { sqlite3_bind_int(st, n + 1, v); }

// A savepoint, the write and the commit, as guardedWrite runs them.
struct RawGuarded {
    sqlite3_stmt* sp = nullptr;
    sqlite3_stmt* write = nullptr;
    sqlite3_stmt* commit = nullptr;
    RawGuarded(const char* savepoint, const char* text) {
        sqlite3_prepare_v3(g_raw, savepoint, -1, SQLITE_PREPARE_PERSISTENT, &sp, nullptr);
        sqlite3_prepare_v3(g_raw, "COMMIT", -1, SQLITE_PREPARE_PERSISTENT, &commit, nullptr);
        write = rawPrepare(text);
    }
    // Runs the bound write; the number of rows changed, or -1.
    int run() {
        sqlite3_step(sp);
        sqlite3_reset(sp);
        int s = sqlite3_step(write);
        int changed = s == SQLITE_DONE ? sqlite3_changes(g_raw) : -1;
        sqlite3_reset(write);
        sqlite3_step(commit);
        sqlite3_reset(commit);
        return changed;
    }
};

// The staffing-matrix row of the slot in g_keys, read through the program.
bool readSlotRow(Dvm725Bsm& row) {
    if (Bsm_EsaVonBis_Open(g_keys.plg.c_str(), g_keys.eso.c_str(), g_keys.esa.c_str(), g_keys.day.c_str(),
                           g_keys.day.c_str()) != 0)
        return false;
    bool found = false;
    Dvm725Bsm r;
    while (!found && Bsm_EsaVonBis_Read(r) == 0)
        if (r.BsmSzv == g_keys.szv && r.BsmAsw == g_keys.asw) found = true;
    Bsm_EsaVonBis_Close();
    if (found) row = r;
    return found;
}

// ---- overstaffed rows of a workplace (cursor, 39 columns) ------------------
// Must match the newer text of curEsaUebC in db/Bsm.cpp byte for byte, with its
// tie-break: the first cursor the search for an overstaffed slot opens
// (optim/Suche.cpp).
const char* kUebText =
    "select TO_CHAR(BsmBdt,'yyyymmdd') ,BsmEso ,BsmEsa ,BsmBsz ,BsmSzv ,BsmSzb ,BsmJhr ,BsmMon "
    ",BsmWoc ,BsmJwc ,BsmTag ,BsmTtp ,BsmSol ,BsmMin ,BsmMax ,BsmIst ,BsmPlg ,BsmHtg ,BsmHtv "
    ",BsmHtn ,BsmKng ,BsmFkt ,BsmAsw ,BsmSta ,TO_CHAR(BsmDat,'yyyymmddHH24MISS') ,BsmErf "
    ",BsmId1 ,BsmId2 ,BsmId3 ,BsmId4 ,BsmId5 ,BsmId6 ,BsmId7 ,BsmId8 ,BsmKor ,BsmKos ,BsmKo2"
    " ,BsmOva ,BsmOve  from Dvm725Bsm where (((((BsmPlg=:b0 and BsmEso=:b1) and BsmEsa=:b2) and "
    "BsmBdt=TO_DATE(:b3,'yyyymmdd')) and BsmAsw=:b4) and BsmFkt>0) order by BsmFkt desc"
    ",BsmEso desc,BsmEsa desc,BsmSzv desc";

// The workplace and day of the demo plan with the most overstaffed slots.
struct UebKeys {
    std::string plg, eso, esa, day;
    int asw = 0;
};
const UebKeys& uebKeys() {
    static UebKeys k = [] {
        UebKeys u{g_keys.plg, g_keys.eso, g_keys.esa, g_keys.day, g_keys.asw};
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(g_raw,
                           "select BsmPlg, BsmEso, BsmEsa, TO_CHAR(BsmBdt,'yyyymmdd'), BsmAsw from Dvm725Bsm "
                           "where BsmFkt>0 group by BsmPlg, BsmEso, BsmEsa, BsmBdt, BsmAsw "
                           "order by count(*) desc, BsmBdt limit 1",
                           -1, &st, nullptr);
        if (st && sqlite3_step(st) == SQLITE_ROW) {
            auto col = [&](int c) { return std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, c))); };
            u = {col(0), col(1), col(2), col(3), sqlite3_column_int(st, 4)};
        }
        sqlite3_finalize(st);
        return u;
    }();
    return k;
}

void Overstaffed_Runtime(benchmark::State& state) {
    NEED_PLAN(state);
    const UebKeys& k = uebKeys();
    Dvm725Bsm unt;
    unt.BsmPlg = k.plg.c_str(); unt.BsmEso = k.eso.c_str(); unt.BsmEsa = k.esa.c_str();
    unt.BsmBdt = k.day.c_str(); unt.BsmAsw = k.asw;
    if (!sameTextAsProgram(state, kUebText, [&] { Bsm_EsaUebC_Open(unt); Bsm_EsaUebC_Close(); })) return;
    static db::Cursor cur(kUebText);
    FixText<6> plg(k.plg.c_str()), eso(k.eso.c_str()), esa(k.esa.c_str());
    FixText<11> day(k.day.c_str());
    int32_t asw = k.asw;
    BsmRow r;
    int64_t rows = 0;
    for (auto _ : state) {
        cur.open({db::in(0, plg), db::in(1, eso), db::in(2, esa), db::in(3, day), db::in(4, asw)});
        int32_t* n = r.n;
        while (cur.fetch({db::txt(r.bdt), db::txt(r.eso), db::txt(r.esa), db::txti(r.bsz), db::i32(n[0]),
                          db::i32i(n[1]), db::i32i(n[2]), db::i32i(n[3]), db::i32i(n[4]), db::i32i(n[5]),
                          db::i32i(n[6]), db::txti(r.ttp), db::i32i(n[7]), db::i32i(n[8]), db::i32i(n[9]),
                          db::i32i(n[10]), db::txti(r.plg), db::i32i(n[11]), db::i32i(n[12]), db::i32i(n[13]),
                          db::i32i(n[14]), db::i32i(n[15]), db::i32i(n[16]), db::i32i(n[17]), db::txti(r.dat),
                          db::txti(r.erf), db::i32i(n[18]), db::i32i(n[19]), db::i32i(n[20]), db::i32i(n[21]),
                          db::i32i(n[22]), db::i32i(n[23]), db::i32i(n[24]), db::i32i(n[25]), db::i32i(n[26]),
                          db::dbli(r.kos), db::dbli(r.ko2), db::i32i(n[0]), db::i32i(n[1])}) == 0)
            ++rows;
        cur.close();
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}

void Overstaffed_Raw(benchmark::State& state) {
    NEED_PLAN(state);
    const UebKeys& k = uebKeys();
    static sqlite3_stmt* st = rawPrepare(kUebText);
    BsmRow r;
    int64_t rows = 0;
    for (auto _ : state) {
        bindText(st, 0, k.plg); bindText(st, 1, k.eso); bindText(st, 2, k.esa); bindText(st, 3, k.day);
        sqlite3_bind_int(st, 5, k.asw);
        while (sqlite3_step(st) == SQLITE_ROW) {
            rawRow(st, r);
            ++rows;
        }
        sqlite3_reset(st);
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}

// ---- the proposal insert under its savepoint, committed at once ------------
// Must match Bdk_Insert in db/Bdk.cpp byte for byte.
const char* kBdkSpText = "savepoint Bdk_Insert_Sp";
const char* kBdkRbText = "rollback  to Bdk_Insert_Sp";
const char* kBdkInsText =
    "insert into Dvm735Bdk (BdkKey,BdkLfd,BdkPnr,BdkBdt,BdkEso,BdkEsa,BdkSzv,BdkSzb,BdkBsz,"
    "BdkJhr,BdkMon,BdkWoc,BdkJwc,BdkTtp,BdkTag,BdkZtv,BdkZtb,BdkKst,BdkFc1,BdkFc2,BdkFc3,"
    "BdkOso,BdkOsa,BdkOsv,BdkOsb,BdkOsz,BdkPlg,BdkAsw,BdkSts,BdkFnr,BdkSta,BdkDat,BdkTxt,"
    "BdkErf,BdkAzt,BdkId1,BdkId2,BdkId3,BdkId4,BdkId5,BdkId6,BdkId7,BdkId8,BdkAkt,BdkRnd,"
    "BdkOsw,BdkZvo,BdkZbi) values (:b0,:b1,:b2,TO_DATE(:b3,'yyyymmdd'),:b4,:b5,:b6,:b7,:b8,"
    ":b9,:b10,:b11,:b12,:b13,:b14,:b15,:b16,:b17,:b18,:b19,:b20,:b21,:b22,:b23,:b24,:b25,"
    ":b26,:b27,:b28,:b29,:b30,sysdate,:b31,:b32,:b33,:b34,:b35,:b36,:b37,:b38,:b39,:b40,"
    ":b41,:b42,:b43,:b44,:b45,:b46)";

// A proposal as the search makes one: the person of g_keys out of its slot
// into the overstaffed workplace's first slot; the key differs every time.
Dvm735Bdk proposal() {
    Dvm735Bdk b;
    b.BdkLfd = 1;
    b.BdkPnr = g_keys.pnr.c_str();
    b.BdkBdt = g_keys.day.c_str();
    b.BdkEso = g_keys.eso.c_str(); b.BdkEsa = g_keys.esa.c_str();
    b.BdkSzv = g_keys.szv; b.BdkSzb = g_keys.szv + 480;
    b.BdkBsz = "B1"; b.BdkTtp = "AT";
    b.BdkAsw = g_keys.asw; b.BdkAkt = g_keys.szv;
    b.BdkOso = uebKeys().eso.c_str(); b.BdkOsa = uebKeys().esa.c_str();
    b.BdkOsv = g_keys.szv; b.BdkOsb = g_keys.szv + 480; b.BdkOsz = "B1"; b.BdkOsw = g_keys.asw;
    b.BdkPlg = g_keys.plg.c_str();
    b.BdkSts = "U"; b.BdkSta = 9; b.BdkFnr = 1;
    b.BdkErf = "OPTIMIERUNG";
    b.BdkZvo = g_keys.day.c_str(); b.BdkZbi = g_keys.day.c_str();
    return b;
}
void nextKey(Dvm735Bdk& b, int64_t i) {
    char key[FixText<33>::capacity];
    std::snprintf(key, sizeof key, "OPTVS%lld%d", static_cast<long long>(i), 7919 * static_cast<int>(i % 997));
    b.BdkKey = key;
}

void ProposalInsert_Runtime(benchmark::State& state) {
    NEED_PLAN(state);
    static const db::Sql sp(kBdkSpText), rb(kBdkRbText), sql(kBdkInsText);
    Dvm735Bdk b = proposal();
    nextKey(b, 0);
    if (!sameTextAsProgram(state, kBdkInsText, [&] { Bdk_Insert(b); })) return;
    FixText<11> bdt = b.BdkBdt;
    int64_t i = 0, inserted = 0;
    for (auto _ : state) {
        nextKey(b, ++i);
        const Dvm735Bdk& r = b;
        int32_t rc = db::guardedWrite(
            sp, sql, rb,
            {db::in(0, r.BdkKey), db::in(1, r.BdkLfd), db::in(2, r.BdkPnr), db::in(3, bdt), db::in(4, r.BdkEso),
             db::in(5, r.BdkEsa), db::in(6, r.BdkSzv), db::in(7, r.BdkSzb), db::in(8, r.BdkBsz),
             db::in(9, r.BdkJhr), db::in(10, r.BdkMon), db::in(11, r.BdkWoc), db::in(12, r.BdkJwc),
             db::in(13, r.BdkTtp), db::in(14, r.BdkTag), db::in(15, r.BdkZtv), db::in(16, r.BdkZtb),
             db::in(17, r.BdkKst), db::in(18, r.BdkFc1), db::in(19, r.BdkFc2), db::in(20, r.BdkFc3),
             db::in(21, r.BdkOso), db::in(22, r.BdkOsa), db::in(23, r.BdkOsv), db::in(24, r.BdkOsb),
             db::in(25, r.BdkOsz), db::in(26, r.BdkPlg), db::in(27, r.BdkAsw), db::in(28, r.BdkSts),
             db::in(29, r.BdkFnr), db::in(30, r.BdkSta), db::in(31, r.BdkTxt), db::in(32, r.BdkErf),
             db::in(33, r.BdkAzt), db::in(34, r.BdkId1), db::in(35, r.BdkId2), db::in(36, r.BdkId3),
             db::in(37, r.BdkId4), db::in(38, r.BdkId5), db::in(39, r.BdkId6), db::in(40, r.BdkId7),
             db::in(41, r.BdkId8), db::in(42, r.BdkAkt), db::in(43, r.BdkRnd), db::in(44, r.BdkOsw),
             db::in(45, r.BdkZvo), db::in(46, r.BdkZbi)});
        inserted += rc == 0;
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(inserted), benchmark::Counter::kAvgIterations);
}

void ProposalInsert_Raw(benchmark::State& state) {
    NEED_PLAN(state);
    static RawGuarded w(kBdkSpText, kBdkInsText);
    Dvm735Bdk b = proposal();
    FixText<11> bdt = b.BdkBdt;
    int64_t i = 1 << 24, inserted = 0;  // keys apart from the runtime case's
    sqlite3_stmt* st = w.write;
    for (auto _ : state) {
        nextKey(b, ++i);
        const Dvm735Bdk& r = b;
        bindFix(st, 0, r.BdkKey); bindInt(st, 1, r.BdkLfd); bindFix(st, 2, r.BdkPnr); bindFix(st, 3, bdt);
        bindFix(st, 4, r.BdkEso); bindFix(st, 5, r.BdkEsa); bindInt(st, 6, r.BdkSzv); bindInt(st, 7, r.BdkSzb);
        bindFix(st, 8, r.BdkBsz); bindInt(st, 9, r.BdkJhr); bindInt(st, 10, r.BdkMon); bindInt(st, 11, r.BdkWoc);
        bindInt(st, 12, r.BdkJwc); bindFix(st, 13, r.BdkTtp); bindInt(st, 14, r.BdkTag); bindInt(st, 15, r.BdkZtv);
        bindInt(st, 16, r.BdkZtb); bindFix(st, 17, r.BdkKst); bindFix(st, 18, r.BdkFc1); bindFix(st, 19, r.BdkFc2);
        bindFix(st, 20, r.BdkFc3); bindFix(st, 21, r.BdkOso); bindFix(st, 22, r.BdkOsa); bindInt(st, 23, r.BdkOsv);
        bindInt(st, 24, r.BdkOsb); bindFix(st, 25, r.BdkOsz); bindFix(st, 26, r.BdkPlg); bindInt(st, 27, r.BdkAsw);
        bindFix(st, 28, r.BdkSts); bindInt(st, 29, r.BdkFnr); bindInt(st, 30, r.BdkSta); bindFix(st, 31, r.BdkTxt);
        bindFix(st, 32, r.BdkErf); bindInt(st, 33, r.BdkAzt); bindInt(st, 34, r.BdkId1); bindInt(st, 35, r.BdkId2);
        bindInt(st, 36, r.BdkId3); bindInt(st, 37, r.BdkId4); bindInt(st, 38, r.BdkId5); bindInt(st, 39, r.BdkId6);
        bindInt(st, 40, r.BdkId7); bindInt(st, 41, r.BdkId8); bindInt(st, 42, r.BdkAkt); bindInt(st, 43, r.BdkRnd);
        bindInt(st, 44, r.BdkOsw); bindFix(st, 45, r.BdkZvo); bindFix(st, 46, r.BdkZbi);
        inserted += w.run() == 1;
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(inserted), benchmark::Counter::kAvgIterations);
}

// ---- the full staffing-matrix update under its savepoint -------------------
// Must match the newer text of Bsm_PKeyUpd in db/Bsm.cpp byte for byte (its
// binds :b12 and :b18 appear twice, :b34 not at all).
const char* kBsmSpText = "savepoint Bsm_Update_Sp";
const char* kBsmRbText = "rollback  to Bsm_Update_Sp";
const char* kBsmUpdText =
    "update Dvm725Bsm  set BsmBsz=:b0,BsmSzb=:b1,BsmJhr=:b2,BsmMon=:b3,BsmWoc=:b4,BsmJwc=:b5,"
    "BsmTag=:b6,BsmTtp=:b7,BsmSol=:b8,BsmMin=:b9,BsmMax=:b10,BsmIst=:b11,BsmPlg=:b12,"
    "BsmHtg=:b13,BsmHtv=:b14,BsmHtn=:b15,BsmKng=:b16,BsmFkt=:b17,BsmAsw=:b18,BsmSta=:b19,"
    "BsmDat=sysdate,BsmErf=:b20,BsmId1=:b21,BsmId2=:b22,BsmId3=:b23,BsmId4=:b24,BsmId5=:b25,"
    "BsmId6=:b26,BsmId7=:b27,BsmId8=:b28,BsmKor=:b29,BsmKos=:b30,BsmKo2=:b31,BsmOva=:b32,"
    "BsmOve=:b33 where (((((BsmPlg=:b12 and BsmEso=:b35) and BsmEsa=:b36) and "
    "BsmBdt=TO_DATE(:b37,'yyyymmdd')) and BsmSzv=:b38) and BsmAsw=:b18)";

// Each write moves one person into or out of the slot, as a proposal does.
void nextStaffing(Dvm725Bsm& r, const Dvm725Bsm& orig, int64_t i) {
    r.BsmIst = orig.BsmIst + static_cast<int32_t>(i & 1);
    r.BsmFkt = orig.BsmFkt + static_cast<int32_t>(i & 1);
}

void MatrixUpdate_Runtime(benchmark::State& state) {
    NEED_PLAN(state);
    static const db::Sql sp(kBsmSpText), rb(kBsmRbText), sql(kBsmUpdText);
    Dvm725Bsm orig;
    if (!readSlotRow(orig)) {
        state.SkipWithError("slot row not found");
        return;
    }
    if (!sameTextAsProgram(state, kBsmUpdText, [&] { Bsm_PKeyUpd(orig); })) return;
    Dvm725Bsm r = orig;
    FixText<11> bdt = r.BsmBdt;
    int64_t i = 0, changed = 0;
    for (auto _ : state) {
        nextStaffing(r, orig, ++i);
        int32_t rc = db::guardedWrite(
            sp, sql, rb,
            {db::in(0, r.BsmBsz), db::in(1, r.BsmSzb), db::in(2, r.BsmJhr), db::in(3, r.BsmMon),
             db::in(4, r.BsmWoc), db::in(5, r.BsmJwc), db::in(6, r.BsmTag), db::in(7, r.BsmTtp),
             db::in(8, r.BsmSol), db::in(9, r.BsmMin), db::in(10, r.BsmMax), db::in(11, r.BsmIst),
             db::in(12, r.BsmPlg), db::in(13, r.BsmHtg), db::in(14, r.BsmHtv), db::in(15, r.BsmHtn),
             db::in(16, r.BsmKng), db::in(17, r.BsmFkt), db::in(18, r.BsmAsw), db::in(19, r.BsmSta),
             db::in(20, r.BsmErf), db::in(21, r.BsmId1), db::in(22, r.BsmId2), db::in(23, r.BsmId3),
             db::in(24, r.BsmId4), db::in(25, r.BsmId5), db::in(26, r.BsmId6), db::in(27, r.BsmId7),
             db::in(28, r.BsmId8), db::in(29, r.BsmKor), db::in(30, r.BsmKos), db::in(31, r.BsmKo2),
             db::in(32, r.BsmOva), db::in(33, r.BsmOve), db::in(35, r.BsmEso), db::in(36, r.BsmEsa),
             db::in(37, bdt), db::in(38, r.BsmSzv)});
        changed += rc == 0;
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(changed), benchmark::Counter::kAvgIterations);
}

void MatrixUpdate_Raw(benchmark::State& state) {
    NEED_PLAN(state);
    static RawGuarded w(kBsmSpText, kBsmUpdText);
    Dvm725Bsm orig;
    if (!readSlotRow(orig)) {
        state.SkipWithError("slot row not found");
        return;
    }
    Dvm725Bsm r = orig;
    FixText<11> bdt = r.BsmBdt;
    sqlite3_stmt* st = w.write;
    int64_t i = 0, changed = 0;
    for (auto _ : state) {
        nextStaffing(r, orig, ++i);
        bindFix(st, 0, r.BsmBsz); bindInt(st, 1, r.BsmSzb); bindInt(st, 2, r.BsmJhr); bindInt(st, 3, r.BsmMon);
        bindInt(st, 4, r.BsmWoc); bindInt(st, 5, r.BsmJwc); bindInt(st, 6, r.BsmTag); bindFix(st, 7, r.BsmTtp);
        bindInt(st, 8, r.BsmSol); bindInt(st, 9, r.BsmMin); bindInt(st, 10, r.BsmMax); bindInt(st, 11, r.BsmIst);
        bindFix(st, 12, r.BsmPlg); bindInt(st, 13, r.BsmHtg); bindInt(st, 14, r.BsmHtv); bindInt(st, 15, r.BsmHtn);
        bindInt(st, 16, r.BsmKng); bindInt(st, 17, r.BsmFkt); bindInt(st, 18, r.BsmAsw); bindInt(st, 19, r.BsmSta);
        bindFix(st, 20, r.BsmErf); bindInt(st, 21, r.BsmId1); bindInt(st, 22, r.BsmId2); bindInt(st, 23, r.BsmId3);
        bindInt(st, 24, r.BsmId4); bindInt(st, 25, r.BsmId5); bindInt(st, 26, r.BsmId6); bindInt(st, 27, r.BsmId7);
        bindInt(st, 28, r.BsmId8); bindInt(st, 29, r.BsmKor);
        sqlite3_bind_double(st, 31, r.BsmKos); sqlite3_bind_double(st, 32, r.BsmKo2);
        bindInt(st, 32, r.BsmOva); bindInt(st, 33, r.BsmOve); bindFix(st, 35, r.BsmEso); bindFix(st, 36, r.BsmEsa);
        bindFix(st, 37, bdt); bindInt(st, 38, r.BsmSzv);
        changed += w.run() == 1;
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(changed), benchmark::Counter::kAvgIterations);
}

}  // namespace

BENCHMARK(Understaffed_Runtime);
BENCHMARK(Understaffed_Raw);
BENCHMARK(Overstaffed_Runtime);
BENCHMARK(Overstaffed_Raw);
BENCHMARK(SlotCount_Runtime);
BENCHMARK(SlotCount_Raw);
BENCHMARK(PersonDay_Runtime);
BENCHMARK(PersonDay_Raw);
BENCHMARK(MatrixWrite_Runtime);
BENCHMARK(MatrixWrite_Raw);
BENCHMARK(MatrixUpdate_Runtime);
BENCHMARK(MatrixUpdate_Raw);
BENCHMARK(ProposalInsert_Runtime);
BENCHMARK(ProposalInsert_Raw);
BENCHMARK_MAIN();
