#pragma once
// Plan groups (table Dvm701Plg) with their run marks and rule switches.
#include <cstdint>

#include "base/FixText.hpp"

namespace db {
class ReadAhead;
}

struct Dvm701Plg {
    FixText<6> PlgPlg;
    FixText<51> PlgTxt;
    FixText<4> PlgKal;
    int32_t PlgHzt = 0;
    int32_t PlgSta = 0;
    FixText<15> PlgDat;
    FixText<51> PlgErf;
    FixText<15> PlgPdt;
    FixText<51> PlgPlr;
    FixText<11> PlgPgm;
    FixText<51> PlgUsr;
    FixText<15> PlgBeg;
    int32_t PlgFts = 0;
    int32_t PlgQu = 0;  // the six rule switches of the level read
    int32_t PlgAr = 0;
    int32_t PlgRu = 0;
    int32_t PlgMe = 0;
    int32_t PlgAm = 0;
    int32_t PlgRe = 0;
    int32_t PlgOpt = 0;
    int32_t PlgOpl = 0;
};

// 1 while the table has the newer columns PlgOpt and PlgOpl.
extern int PlgOptOpl_Aktiv;

// Reads the row whose PlgPlg is set, with the rule switches of level 1, 2 or 3
// (any other level gives six switches of 0).
int32_t Plg_PKey_Read(Dvm701Plg& plg, int ebene);
// Sends the same read ahead (db::ReadAhead), in the layout the flag names now.
void Plg_PKey_Read_Vorab(db::ReadAhead& vorab, const Dvm701Plg& plg, int ebene);
int32_t Plg_PKey_Upd(const Dvm701Plg& plg);
int32_t Plg_Cur_Open();
int32_t Plg_Cur_Read(Dvm701Plg& plg);
int32_t Plg_Cur_Close();
int32_t Plg_Hzt_Read(const char* plg, int32_t& hzt);
