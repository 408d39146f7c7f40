// Proposal key and the filling of a proposal record.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "db/Bdk.hpp"
#include "db/Bdp.hpp"
#include "db/Bsm.hpp"
#include "optim/Vorschlag.hpp"
#include "db/PnrSatz.hpp"
#include "base/Zufall.hpp"

namespace {

TEST(VorschlagSchluessel, LastDrawnNumberLeads) {
    FixText<33> key;
    Bdk_Schluessel_Formatieren(key, 5, 17, 230, 4000);
    EXPECT_EQ(key.str(), "OPTVS4000230175");
    Bdk_Schluessel_Formatieren(key, 0, 0, 0, 0);
    EXPECT_EQ(key.str(), "OPTVS0000");  // shortest key, 9 characters
    Bdk_Schluessel_Formatieren(key, 32767, 32767, 32767, 32767);
    EXPECT_EQ(key.str(), "OPTVS32767327673276732767");  // longest, 25
}

TEST(VorschlagSchluessel, DrawsFourNumbersFromTheGenerator) {
    // The generator's formula, independently: bits 16..30 of the state.
    uint32_t state = 4711;
    auto next = [&state] {
        state = state * 214013u + 2531011u;
        return static_cast<long>((state >> 16) & 0x7fffu);
    };
    Zufall_Seed(4711);
    for (int i = 0; i < 3; ++i) {
        const long r1 = next(), r2 = next(), r3 = next(), r4 = next();
        const std::string erwartet = "OPTVS" + std::to_string(r4) + std::to_string(r3) +
                                     std::to_string(r2) + std::to_string(r1);
        FixText<33> key;
        Bdk_Schluessel_Bilden(key);
        EXPECT_EQ(key.str(), erwartet) << "key " << i;
    }
    // Exactly four draws per key: the generator is where the formula is.
    EXPECT_EQ(Zufall_Zahl(), next());
}

TEST(VorschlagFuellen, FromTheDeploymentToTheTargetSlot) {
    PnrSatz pnr;
    pnr.Pnr = "P0000042";
    pnr.Datum = "20270315";
    pnr.Plg = "PG1";
    pnr.Ka2Ttp = "WT";
    pnr.Fnr = 1531;
    pnr.PbvEso = "XEO";  // the assignment does not enter the proposal
    pnr.PbvEsa = "XEA";

    Dvm720Bss bss;
    bss.BssPlg = "PG1";
    bss.BssEso = "E2";
    bss.BssEsa = "A2";
    bss.BssVon = 840;
    bss.BssBis = 1320;
    bss.BssBsz = "SP";
    bss.BssAsw = 1;
    bss.BssTtp = "WT";

    Dvm730Bdp bdp;
    bdp.BdpPnr = "P0000042";
    bdp.BdpBdt = "20270315";
    bdp.BdpEso = "E1";
    bdp.BdpEsa = "A1";
    bdp.BdpSzv = 360;
    bdp.BdpSzb = 840;
    bdp.BdpBsz = "FR";
    bdp.BdpAsw = 1;
    bdp.BdpPlg = "PG1";
    bdp.BdpZtv = 370;  // working times, cost centre and codes are not carried over
    bdp.BdpZtb = 830;
    bdp.BdpKst = "K77";
    bdp.BdpFc1 = "F1 ";
    bdp.BdpRnd = 3;
    bdp.BdpAzt = 480;

    // Left-overs of an earlier proposal must not survive.
    Dvm735Bdk bdk;
    bdk.BdkKey = "OPTVS1";
    bdk.BdkJhr = 2026;
    bdk.BdkTxt = "alt";
    bdk.BdkFnr = 1412;
    bdk.BdkId3 = 7;
    bdk.BdkKst = "K1";
    bdk.BdkRnd = 9;

    Bdk_Vorschlag_Fuellen(bdk, pnr, bss, bdp);

    EXPECT_EQ(bdk.BdkLfd, 1);
    EXPECT_EQ(bdk.BdkPnr.str(), "P0000042");
    EXPECT_EQ(bdk.BdkBdt.str(), "20270315");
    EXPECT_EQ(bdk.BdkZvo.str(), "20270315");
    EXPECT_EQ(bdk.BdkZbi.str(), "20270315");
    EXPECT_EQ(bdk.BdkPlg.str(), "PG1");
    EXPECT_EQ(bdk.BdkTtp.str(), "WT");
    // from
    EXPECT_EQ(bdk.BdkEso.str(), "E1");
    EXPECT_EQ(bdk.BdkEsa.str(), "A1");
    EXPECT_EQ(bdk.BdkSzv, 360);
    EXPECT_EQ(bdk.BdkSzb, 840);
    EXPECT_EQ(bdk.BdkBsz.str(), "FR");
    EXPECT_EQ(bdk.BdkAsw, 1);
    EXPECT_EQ(bdk.BdkAkt, 360);
    // to
    EXPECT_EQ(bdk.BdkOso.str(), "E2");
    EXPECT_EQ(bdk.BdkOsa.str(), "A2");
    EXPECT_EQ(bdk.BdkOsv, 840);
    EXPECT_EQ(bdk.BdkOsb, 1320);
    EXPECT_EQ(bdk.BdkOsz.str(), "SP");
    EXPECT_EQ(bdk.BdkOsw, 1);
    // fixed values
    EXPECT_EQ(bdk.BdkSts.str(), "U");
    EXPECT_EQ(bdk.BdkSta, 9);
    EXPECT_EQ(bdk.BdkErf.str(), "OPTIMIERUNG");
    // cleared
    EXPECT_TRUE(bdk.BdkKey.empty());
    EXPECT_EQ(bdk.BdkFnr, 0);
    EXPECT_EQ(bdk.BdkJhr, 0);
    EXPECT_EQ(bdk.BdkZtv, 0);
    EXPECT_EQ(bdk.BdkZtb, 0);
    EXPECT_EQ(bdk.BdkAzt, 0);
    EXPECT_EQ(bdk.BdkRnd, 0);
    EXPECT_EQ(bdk.BdkId3, 0);
    EXPECT_TRUE(bdk.BdkKst.empty());
    EXPECT_TRUE(bdk.BdkTxt.empty());
    EXPECT_TRUE(bdk.BdkFc1.empty());
    EXPECT_TRUE(bdk.BdkDat.empty());
}

}  // namespace
