// Where a NULL comes in every cursor of the program, on both backends: after
// every value where the column sorts ascending, before every value where it
// sorts descending, for the statement's own sort keys and for the tie-break
// columns alike. Each case reads the program's cursor through its own
// operations. A NULL read into an output without indicator ends the cursor
// with -1405 at the NULL row's place; a NULL that the cursor's condition
// excludes never comes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <map>
#include <string>
#include <vector>

#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "db/Connect.hpp"
#include "db/NullOrder.hpp"
#include "db/Plg.hpp"
#include "db/PnrSatz.hpp"
#include "support/TestDb.hpp"

namespace {

using testdb::jd;
using Werte = std::map<std::string, std::string>;

// Three rows that differ in one column: row 1 holds the larger value, row 2
// NULL, row 3 the smaller value. Where the column is not in the table's
// primary key, the rows also differ in a later sort column (weiter), which
// keeps them distinct without deciding their order. Expected is the labels
// in the order read, then the code that ended the cursor when not 1403:
// "3,1,2" ascending; "2,1,3" or "-1405" descending.
struct Fall {
    std::string spalte, hoch, tief, erwartet;
    std::string weiter = {};
    std::vector<std::string> weiterWerte = {};
};

class NullOrder : public testdb::BackendTest {
protected:
    std::unique_ptr<testdb::TestDb> db;
    const std::string tag = testdb::dayOffset(3);

    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped()) return;
        db = std::make_unique<testdb::TestDb>(GetParam());
        BsmOvaOve_Aktiv = 1;
        PlgOptOpl_Aktiv = 1;
        // The key columns may hold NULL, as in tables made without the
        // project's DDL. The runtime logs on again afterwards: the SQLite
        // session takes whether a column can hold NULL from the table
        // definitions it read at logon.
        const std::map<std::string, std::vector<std::string>> pflicht = {
            {"Dvm725Bsm", {"BsmBdt", "BsmEso", "BsmEsa", "BsmSzv", "BsmPlg", "BsmAsw"}},
            {"Dvm730Bdp", {"BdpPnr", "BdpBdt", "BdpEso", "BdpEsa", "BdpSzv", "BdpPlg", "BdpAsw", "BdpAkt"}},
            {"Dvm701Plg", {"PlgPlg"}}};
        for (const auto& [tabelle, spalten] : pflicht)
            for (const std::string& spalte : spalten) db->allowNull(tabelle, spalte);
        ASSERT_EQ(dbConnect(db->login().c_str(), db->password().c_str(), db->service().c_str(),
                            db->schema().c_str()),
                  0);
    }

    void zeile(const std::string& tabelle, const Werte& werte) {
        std::string spalten, liste;
        for (const auto& [s, w] : werte) {
            spalten += (spalten.empty() ? "" : ", ") + s;
            liste += (liste.empty() ? "" : ", ") + w;
        }
        db->exec("insert into " + tabelle + " (" + spalten + ") values (" + liste + ")");
    }

    // Rows of one case: base values, the varied column, the label column.
    void fallZeilen(const std::string& tabelle, Werte basis, const Fall& f, const std::string& etikett) {
        const std::string werte[] = {f.hoch, "null", f.tief};
        for (int i = 0; i < 3; ++i) {
            Werte w = basis;
            w[f.spalte] = werte[i];
            if (!f.weiter.empty()) w[f.weiter] = f.weiterWerte[static_cast<std::size_t>(i)];
            w[etikett] = "'" + std::to_string(i + 1) + "'";
            zeile(tabelle, w);
        }
    }

    // Reads a cursor to its end: the labels, then the end code unless 1403.
    template <class Rec, class Lies, class Etikett>
    std::string lesen(Lies lies, Etikett etikett) {
        std::string out;
        Rec r;
        int32_t rc;
        while ((rc = lies(r)) == 0) out += (out.empty() ? "" : ",") + etikett(r);
        if (rc != 1403) out += (out.empty() ? "" : ",") + std::to_string(rc);
        return out;
    }

    // Runs every case on a fresh table state: the varied column allowed to
    // be NULL, the rows inserted, the cursor read, the rows deleted.
    void pruefen(const std::string& tabelle, const Werte& basis, const std::string& etikett,
                 const std::vector<Fall>& faelle, const std::function<std::string()>& cursor) {
        for (const Fall& f : faelle) {
            SCOPED_TRACE(tabelle + "." + f.spalte);
            if (db->scalar("select count(*) from " + tabelle) != "0") db->exec("delete from " + tabelle);
            fallZeilen(tabelle, basis, f, etikett);
            EXPECT_EQ(cursor(), f.erwartet);
        }
    }

    Werte bsmBasis(int fkt) const {
        return {{"BsmPlg", "'PG'"}, {"BsmBdt", jd(tag)}, {"BsmEso", "'E1'"}, {"BsmEsa", "'A1'"},
                {"BsmSzv", "360"},  {"BsmAsw", "1"},     {"BsmFkt", std::to_string(fkt)}};
    }
    Werte bdpBasis() const {
        return {{"BdpPnr", "'P1'"}, {"BdpBdt", jd(tag)}, {"BdpEso", "'E1'"}, {"BdpEsa", "'A1'"},
                {"BdpSzv", "360"},  {"BdpPlg", "'PG'"},  {"BdpAsw", "1"},     {"BdpAkt", "1"},
                {"BdpRnd", "1"},    {"BdpOsv", "600"},   {"BdpAzt", "480"},   {"BdpSts", "' '"},
                {"BdpSta", "0"},    {"BdpFc1", "'   '"}, {"BdpFc2", "'   '"}, {"BdpFc3", "'   '"}};
    }
    std::string bsmLesen(int32_t (*lies)(Dvm725Bsm&)) {
        return lesen<Dvm725Bsm>(lies, [](const Dvm725Bsm& r) { return std::string(r.BsmErf.c_str()); });
    }
    std::string bdpLesen(int32_t (*lies)(Dvm730Bdp&)) {
        return lesen<Dvm730Bdp>(lies, [](const Dvm730Bdp& r) { return std::string(r.BdpTxt.c_str()); });
    }
    Dvm725Bsm schluessel() const {
        Dvm725Bsm k;
        k.BsmPlg = "PG";
        k.BsmEso = "E1";
        k.BsmEsa = "A1";
        k.BsmBdt = tag.c_str();
        k.BsmSzv = 360;
        k.BsmAsw = 1;
        return k;
    }
};

TESTDB_INSTANTIATE_BOTH(NullOrder);

// The period cursors of the error review: date, unit, workplace, slot start,
// then the slot kind.
TEST_P(NullOrder, StaffingMatrixOfThePeriod) {
    const std::string v = tag, b = tag;
    const Fall eso{"BsmEso", "'E2'", "'E1'", "3,1,-1405"};
    const Fall esa{"BsmEsa", "'A2'", "'A1'", "3,1,-1405"};
    const Fall szv{"BsmSzv", "420", "360", "3,1,-1405"};
    const Fall asw{"BsmAsw", "2", "1", "3,1,2"};
    // The date bounds the period: a row without date is in none.
    const Fall bdt{"BsmBdt", jd(tag), jd(testdb::dayOffset(2)), "1", "BsmSzv", {"360", "420", "480"}};
    pruefen("Dvm725Bsm", bsmBasis(0), "BsmErf", {eso, esa, szv, asw}, [&] {
        Bsm_PlgVonBis_Open("PG", v.c_str(), b.c_str());
        auto s = bsmLesen(Bsm_PlgVonBis_Read);
        Bsm_PlgVonBis_Close();
        return s;
    });
    pruefen("Dvm725Bsm", bsmBasis(0), "BsmErf", {esa, szv, asw, bdt}, [&] {
        Bsm_EsoVonBis_Open("PG", "E1", v.c_str(), b.c_str());
        auto s = bsmLesen(Bsm_EsoVonBis_Read);
        Bsm_EsoVonBis_Close();
        return s;
    });
    pruefen("Dvm725Bsm", bsmBasis(0), "BsmErf", {szv, asw}, [&] {
        Bsm_EsaVonBis_Open("PG", "E1", "A1", v.c_str(), b.c_str());
        auto s = bsmLesen(Bsm_EsaVonBis_Read);
        Bsm_EsaVonBis_Close();
        return s;
    });
}

// Understaffed rows: deviation ascending, then kind, unit, workplace, start.
TEST_P(NullOrder, UnderstaffedRowsOfADay) {
    // A row without deviation is not understaffed.
    const Fall fkt{"BsmFkt", "-10", "-50", "3,1", "BsmSzv", {"360", "420", "480"}};
    const Fall asw{"BsmAsw", "2", "1", "3,1,2"};
    const Fall eso{"BsmEso", "'E2'", "'E1'", "3,1,-1405"};
    const Fall esa{"BsmEsa", "'A2'", "'A1'", "3,1,-1405"};
    const Fall szv{"BsmSzv", "420", "360", "3,1,-1405"};
    pruefen("Dvm725Bsm", bsmBasis(-50), "BsmErf", {fkt, asw, eso, esa, szv}, [&] {
        Bsm_PlgUntC_Open("PG", tag.c_str());
        auto s = bsmLesen(Bsm_PlgUntC_Read);
        Bsm_PlgUntC_Close();
        return s;
    });
    pruefen("Dvm725Bsm", bsmBasis(-50), "BsmErf", {fkt, asw, esa, szv}, [&] {
        Bsm_EsoUntC_Open("PG", "E1", tag.c_str());
        auto s = bsmLesen(Bsm_EsoUntC_Read);
        Bsm_EsoUntC_Close();
        return s;
    });
    pruefen("Dvm725Bsm", bsmBasis(-50), "BsmErf", {fkt, asw, szv}, [&] {
        Bsm_EsaUntC_Open("PG", "E1", "A1", tag.c_str());
        auto s = bsmLesen(Bsm_EsaUntC_Read);
        Bsm_EsaUntC_Close();
        return s;
    });
}

// Overstaffed rows: deviation descending, then unit, workplace and start
// descending, so a NULL comes first.
TEST_P(NullOrder, OverstaffedRowsOfADay) {
    const Fall fkt{"BsmFkt", "50", "10", "1,3", "BsmSzv", {"360", "420", "480"}};
    const Fall eso{"BsmEso", "'E2'", "'E1'", "-1405"};
    const Fall esa{"BsmEsa", "'A2'", "'A1'", "-1405"};
    const Fall szv{"BsmSzv", "420", "360", "-1405"};
    const Dvm725Bsm k = schluessel();
    pruefen("Dvm725Bsm", bsmBasis(50), "BsmErf", {fkt, eso, esa, szv}, [&] {
        Bsm_PlgUebC_Open(k);
        auto s = bsmLesen(Bsm_PlgUebC_Read);
        Bsm_PlgUebC_Close();
        return s;
    });
    pruefen("Dvm725Bsm", bsmBasis(50), "BsmErf", {fkt, esa, szv}, [&] {
        Bsm_EsoUebC_Open(k);
        auto s = bsmLesen(Bsm_EsoUebC_Read);
        Bsm_EsoUebC_Close();
        return s;
    });
    pruefen("Dvm725Bsm", bsmBasis(50), "BsmErf", {fkt, szv}, [&] {
        Bsm_EsaUebC_Open(k);
        auto s = bsmLesen(Bsm_EsaUebC_Read);
        Bsm_EsaUebC_Close();
        return s;
    });
}

// The persons of a slot: random rank, then person number and activity.
TEST_P(NullOrder, PersonsOfASlot) {
    const Fall rnd{"BdpRnd", "3", "1", "3,1,2", "BdpPnr", {"'P1'", "'P2'", "'P3'"}};
    const Fall pnr{"BdpPnr", "'P2'", "'P1'", "3,1,-1405"};
    // Inactive or without activity: not in the slot.
    const Fall akt{"BdpAkt", "2", "1", "3,1"};
    const Dvm725Bsm k = schluessel();
    pruefen("Dvm730Bdp", bdpBasis(), "BdpTxt", {rnd, pnr, akt}, [&] {
        Bdp_BszPnr_Open(k);
        auto s = bdpLesen(Bdp_BszPnr_Read);
        Bdp_BszPnr_Close();
        return s;
    });
}

// A person's day: slot start and second slot's start, then kind, plan
// group, unit, workplace and activity.
TEST_P(NullOrder, DeploymentsOfAPersonsDay) {
    const std::vector<std::string> akt3 = {"1", "2", "3"};
    const Fall szv{"BdpSzv", "420", "360", "3,1,-1405"};
    const Fall osv{"BdpOsv", "600", "500", "3,1,2", "BdpAkt", akt3};
    const Fall asw{"BdpAsw", "2", "1", "3,1,2"};
    const Fall plg{"BdpPlg", "'PH'", "'PG'", "3,1,2"};
    const Fall eso{"BdpEso", "'E2'", "'E1'", "3,1,-1405"};
    const Fall esa{"BdpEsa", "'A2'", "'A1'", "3,1,-1405"};
    const Fall akt{"BdpAkt", "2", "1", "3,1"};
    pruefen("Dvm730Bdp", bdpBasis(), "BdpTxt", {szv, osv, asw, plg, eso, esa, akt}, [&] {
        Bdp_PnrDat_Open("P1", tag.c_str());
        auto s = bdpLesen(Bdp_PnrDat_Read);
        Bdp_PnrDat_Close();
        return s;
    });
}

// The neighbouring days of a person: date and activity, then working time,
// plan group, unit, workplace, start and kind; the last row read wins.
TEST_P(NullOrder, DeploymentsAroundAPersonsDay) {
    const Fall bdt{"BdpBdt", jd(testdb::dayOffset(4)), jd(testdb::dayOffset(2)), "3,1"};
    const Fall akt{"BdpAkt", "2", "1", "3,1"};
    const Fall azt{"BdpAzt", "480", "240", "3,1,2", "BdpSzv", {"360", "420", "480"}};
    const Fall plg{"BdpPlg", "'PH'", "'PG'", "3,1,2"};
    const Fall eso{"BdpEso", "'E2'", "'E1'", "3,1,-1405"};
    const Fall esa{"BdpEsa", "'A2'", "'A1'", "3,1,-1405"};
    const Fall szv{"BdpSzv", "420", "360", "3,1,-1405"};
    const Fall asw{"BdpAsw", "2", "1", "3,1,2"};
    PnrSatz p;
    p.Pnr = "P1";
    p.Datum = tag.c_str();
    pruefen("Dvm730Bdp", bdpBasis(), "BdpTxt", {bdt, akt, azt, plg, eso, esa, szv, asw}, [&] {
        Bdp_VorNchBsz_Open(p);
        auto s = bdpLesen(Bdp_VorNchBsz_Read);
        Bdp_VorNchBsz_Close();
        return s;
    });
}

// The plan groups in key order.
TEST_P(NullOrder, PlanGroups) {
    const Fall plg{"PlgPlg", "'P2'", "'P1'", "3,1,-1405"};
    pruefen("Dvm701Plg", {{"PlgOpl", "1"}}, "PlgTxt", {plg}, [&] {
        Plg_Cur_Open();
        auto s = lesen<Dvm701Plg>(Plg_Cur_Read, [](const Dvm701Plg& r) { return std::string(r.PlgTxt.c_str()); });
        Plg_Cur_Close();
        return s;
    });
}

// The rule for rows ordered in memory: NULL is larger than every value.
TEST(NullOrderRule, NullComparesAboveEveryValue) {
    using O = std::optional<int>;
    EXPECT_LT(db::compareNullsHigh(O(5), O()), 0);
    EXPECT_GT(db::compareNullsHigh(O(), O(-5)), 0);
    EXPECT_EQ(db::compareNullsHigh(O(), O()), 0);
    EXPECT_LT(db::compareNullsHigh(O(-5), O(5)), 0);
    EXPECT_EQ(db::compareNullsHigh(O(3), O(3)), 0);
}

TEST(NullOrderRule, EveryOrderByTermGetsItsNullPlace) {
    EXPECT_EQ(db::withNullsOrdered("select a from T where b=:b0 order by c,d asc,e desc"),
              "select a from T where b=:b0 order by c NULLS LAST,d asc NULLS LAST,e desc NULLS FIRST");
    // Upper case keywords, blanks before a comma, expressions with commas
    // inside parentheses, and a term that names its place already.
    EXPECT_EQ(db::withNullsOrdered("select a from T ORDER  BY BDPAKT DESC ,coalesce(x,1) ,y nulls first"),
              "select a from T ORDER  BY BDPAKT DESC NULLS FIRST ,coalesce(x,1) NULLS LAST ,y nulls first");
    // Nothing outside an order by changes: quoted words, a column named
    // like the keyword, a statement without order by, a parenthesised
    // query whose order by ends at its parenthesis.
    EXPECT_EQ(db::withNullsOrdered("select a from T where b='order by c' and c=Border"),
              "select a from T where b='order by c' and c=Border");
    EXPECT_EQ(db::withNullsOrdered("select a from (select a from T order by a desc) x where a>0"),
              "select a from (select a from T order by a desc NULLS FIRST) x where a>0");
    EXPECT_EQ(db::withNullsOrdered("select a from T order by a limit 5"),
              "select a from T order by a NULLS LAST limit 5");
}

TEST(NullOrderRule, ColumnsThatCannotHoldNullStayAsWritten) {
    // Bare columns are asked about; an expression or a qualified column
    // always gets its NULL place.
    std::vector<std::string> gefragt;
    const auto nurB = [&](std::string_view s) {
        gefragt.emplace_back(s);
        return s == "b";
    };
    EXPECT_EQ(db::withNullsOrdered("select a from T order by a,b desc,c asc,T.d,abs(a)", nurB),
              "select a from T order by a,b desc NULLS FIRST,c asc,T.d NULLS LAST,abs(a) NULLS LAST");
    EXPECT_EQ(gefragt, (std::vector<std::string>{"a", "b", "c"}));

    EXPECT_EQ(db::tablesOf("select a ,b  from Dvm701Plg  order by a"), (std::vector<std::string>{"Dvm701Plg"}));
    EXPECT_EQ(db::tablesOf("select x into :b0  from DVMASTER.Dvm133Bak where y=1"),
              (std::vector<std::string>{"DVMASTER.Dvm133Bak"}));
    EXPECT_EQ(db::tablesOf("select a  from Dvm329Ztg ,Dvm140Azv z,Dvm162Ers where a=1"),
              (std::vector<std::string>{"Dvm329Ztg", "Dvm140Azv", "Dvm162Ers"}));
}

}  // namespace
