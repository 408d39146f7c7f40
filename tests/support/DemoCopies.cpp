#include "support/DemoCopies.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/PlanCopy.hpp"
#include "support/Program.hpp"
#include "support/ServerDb.hpp"

namespace testdb {

DemoCopies::DemoCopies(Backend backend, const std::string& options) : backend_(backend) {
    root_ = makeTempDir();
    if (backend_ == Backend::Sqlite) {
        ok_ = makeDemoPlan(root_ + "/demo", options);
        return;
    }
    if (postgresUri().empty()) return;
    databases_.push_back(std::make_unique<ServerDb>("dv_demo"));
    if (!databases_.back()->ok()) return;
    const std::string uri = databases_.back()->uri();
    std::vector<std::string> args = words(options);
    args.insert(args.begin(), {"--dir", root_ + "/demo", "--force"});
    args.insert(args.end(), {"--pg", uri, "--user", "dorvelian", "--password", "dorvelian"});
    ok_ = runDemo(args).code == 0;
    if (!ok_) return;
    // Horizon of three weeks: the period runs past the last plan day.
    std::string err;
    std::vector<std::string> none;
    ok_ = PlanRows(Backend::Postgres, uri).tryQuery("UPDATE plan.Dvm701Plg SET PlgHzt = 3", none, err);
    EXPECT_TRUE(ok_) << err;
}

DemoCopies::~DemoCopies() {
    while (!databases_.empty()) databases_.pop_back();   // the copies before their template
    removeTree(root_);
}

std::string DemoCopies::copy(const std::string& name) {
    if (!ok_) return "";
    if (backend_ == Backend::Sqlite) {
        const std::string dir = root_ + "/" + name;
        return copyPlan(root_ + "/demo/db", dir) ? "sqlite:" + dir : "";
    }
    const std::string base = databases_.front()->name();
    databases_.push_back(std::make_unique<ServerDb>("dv_copy_" + name, base));
    return databases_.back()->ok() ? databases_.back()->uri() : "";
}

std::string DemoCopies::login() const { return backend_ == Backend::Sqlite ? "demo" : "dorvelian"; }
std::string DemoCopies::password() const { return backend_ == Backend::Sqlite ? "demo" : "dorvelian"; }

}  // namespace testdb

#include <algorithm>
#include <iterator>

#include "db/Bsm.hpp"
#include "optim/BsmFkt.hpp"

namespace testdb {

namespace {
std::vector<std::string> sortedRows(PlanRows& db, const std::string& sql) {
    std::vector<std::string> v = db.rows(sql);
    std::sort(v.begin(), v.end());
    return v;
}
}  // namespace

EndState endState(PlanRows& db) {
    EndState s;
    s.proposals = sortedRows(
        db, "SELECT BdkPnr, " + db.day("BdkBdt") +
                ", BdkEso, BdkEsa, BdkSzv, BdkSzb, BdkBsz, BdkAsw, BdkOso, BdkOsa, BdkOsv, BdkOsb, BdkOsz, BdkOsw, "
                "BdkPlg, BdkFnr, BdkSta, BdkErf FROM Dvm735Bdk");
    s.matrix = sortedRows(db, "SELECT BsmPlg, BsmEso, BsmEsa, " + db.day("BsmBdt") +
                                  ", BsmSzv, BsmSzb, BsmAsw, BsmBsz, BsmSol, BsmMin, BsmMax, BsmIst, BsmHtg, BsmHtv, "
                                  "BsmHtn, BsmKor, CAST(round(BsmKos * 100) AS integer), "
                                  "CAST(round(BsmKo2 * 100) AS integer), BsmOva, BsmOve, BsmFkt FROM Dvm725Bsm");
    s.errors = sortedRows(db, "SELECT ErrPlg, ErrKng, ErrLfn, ErrPnr, ErrEso, ErrEsa, ErrKnz, " + db.day("ErrBdt") +
                                  ", ErrZtv, ErrZtb, ErrFnr, ErrErf FROM Dvm746Err");
    s.inWork = sortedRows(db, "SELECT PlgPlg FROM Dvm701Plg WHERE PlgUsr IS NOT NULL AND PlgUsr <> ''");
    return s;
}

std::vector<std::string> disagreeingRows(PlanRows& db) {
    const std::string slot = "d.BdpPlg = m.BsmPlg AND d.BdpEso = m.BsmEso AND d.BdpEsa = m.BsmEsa AND "
                             "d.BdpBdt = m.BsmBdt AND d.BdpSzv = m.BsmSzv AND d.BdpAsw = m.BsmAsw AND "
                             "d.BdpSts <> 'O' AND d.BdpSts <> 'D'";
    const std::string offen = "b.BdkSta = 9 AND b.BdkErf = 'OPTIMIERUNG' AND b.BdkBdt = m.BsmBdt AND ";
    const std::vector<std::string> rows = db.rows(
        "SELECT BsmPlg || ' ' || BsmEso || ' ' || BsmEsa || ' ' || " + db.day("BsmBdt") +
        " || ' ' || BsmSzv, BsmIst, BsmHtg, BsmHtv, BsmHtn, BsmOva, BsmOve, BsmFkt, BsmSol, BsmMin, BsmMax, "
        "(SELECT count(*) FROM Dvm730Bdp d WHERE " + slot + " AND ((d.BdpZtv = m.BsmSzv AND d.BdpZtb = m.BsmSzb) "
        "OR d.BdpZtv <> m.BsmSzv OR d.BdpZtb <> m.BsmSzb)), "
        "(SELECT count(*) FROM Dvm730Bdp d WHERE " + slot + " AND d.BdpFc1 <> '   '), "
        "(SELECT count(*) FROM Dvm730Bdp d WHERE " + slot + " AND d.BdpFc2 <> '   '), "
        "(SELECT count(*) FROM Dvm730Bdp d WHERE " + slot + " AND d.BdpFc3 <> '   '), "
        "(SELECT count(*) FROM Dvm735Bdk b WHERE " + offen + "b.BdkEso = m.BsmEso AND b.BdkEsa = m.BsmEsa "
        "AND b.BdkSzv = m.BsmSzv AND b.BdkAsw = m.BsmAsw), "
        "(SELECT count(*) FROM Dvm735Bdk b WHERE " + offen + "b.BdkOso = m.BsmEso AND b.BdkOsa = m.BsmEsa "
        "AND b.BdkOsv = m.BsmSzv AND b.BdkOsw = m.BsmAsw) "
        "FROM Dvm725Bsm m WHERE BsmAsw NOT IN (3, 4)");
    std::vector<std::string> out;
    for (const std::string& row : rows) {
        std::vector<int> v;
        for (std::size_t pos = row.find('|'); pos != std::string::npos; pos = row.find('|', pos + 1))
            v.push_back(std::atoi(row.c_str() + pos + 1));
        if (v.size() != 16u) {
            out.push_back("unreadable: " + row);
            continue;
        }
        // v: stored Ist, Htg, Htv, Htn, Ova, Ove, Fkt; Sol, Min, Max;
        // counted Ist, Htg, Htv, Htn, Ova, Ove.
        Dvm725Bsm m;
        m.BsmSol = v[7], m.BsmMin = v[8], m.BsmMax = v[9];
        m.BsmIst = v[10], m.BsmHtg = v[11], m.BsmHtv = v[12], m.BsmHtn = v[13], m.BsmOva = v[14], m.BsmOve = v[15];
        Berechne_BsmFkt(m);
        if (std::vector<int>(v.begin(), v.begin() + 7) !=
            std::vector<int>{m.BsmIst, m.BsmHtg, m.BsmHtv, m.BsmHtn, m.BsmOva, m.BsmOve, m.BsmFkt})
            out.push_back(row);
    }
    return out;
}

std::vector<std::string> missingRows(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::vector<std::string> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

}  // namespace testdb
