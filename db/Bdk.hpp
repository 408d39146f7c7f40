#pragma once
// Reassignment proposals (table Dvm735Bdk).
#include <cstdint>

#include "base/FixText.hpp"

namespace db {
class ReadAhead;
}

struct Dvm730Bdp;
struct Dvm725Bsm;

struct Dvm735Bdk {
    FixText<33> BdkKey;
    int32_t BdkLfd = 0;
    FixText<9> BdkPnr;
    FixText<10> BdkBdt;
    FixText<6> BdkEso;
    FixText<6> BdkEsa;
    int32_t BdkSzv = 0;
    int32_t BdkSzb = 0;
    FixText<4> BdkBsz;
    int32_t BdkJhr = 0;
    int32_t BdkMon = 0;
    int32_t BdkWoc = 0;
    int32_t BdkJwc = 0;
    FixText<4> BdkTtp;
    int32_t BdkTag = 0;
    int32_t BdkZtv = 0;
    int32_t BdkZtb = 0;
    FixText<11> BdkKst;
    FixText<4> BdkFc1;
    FixText<4> BdkFc2;
    FixText<4> BdkFc3;
    FixText<6> BdkOso;
    FixText<6> BdkOsa;
    int32_t BdkOsv = 0;
    int32_t BdkOsb = 0;
    FixText<4> BdkOsz;
    FixText<6> BdkPlg;
    int32_t BdkAsw = 0;
    FixText<2> BdkSts;
    int32_t BdkFnr = 0;
    int32_t BdkSta = 0;
    FixText<15> BdkDat;
    FixText<61> BdkTxt;
    FixText<51> BdkErf;
    int32_t BdkAzt = 0;
    int32_t BdkId1 = 0, BdkId2 = 0, BdkId3 = 0, BdkId4 = 0;
    int32_t BdkId5 = 0, BdkId6 = 0, BdkId7 = 0, BdkId8 = 0;
    int32_t BdkAkt = 0;
    int32_t BdkRnd = 0;
    int32_t BdkOsw = 0;
    FixText<9> BdkZvo;
    FixText<9> BdkZbi;
};

int32_t Bdk_Insert(const Dvm735Bdk& bdk);
// Open proposals (state 9) of this person out of this very slot; anz is set to 0 first.
int32_t Bdk_isPnrVerplant(const Dvm730Bdp& bdp, int32_t& anz);
// Sends the same count ahead (db::ReadAhead).
void Bdk_isPnrVerplant_Vorab(db::ReadAhead& vorab, const Dvm730Bdp& bdp);
// Open optimisation proposals out of and into the row's slot.
int32_t Count_OptVorschlaege(const Dvm725Bsm& bsm, int32_t& anzAus, int32_t& anzEin);
// Sends both counts ahead (db::ReadAhead).
void Count_OptVorschlaege_Vorab(db::ReadAhead& vorab, const Dvm725Bsm& bsm);
