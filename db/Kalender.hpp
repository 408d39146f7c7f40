#pragma once
// The central calendar (DVMASTER.Dvm133Bak) and the plan groups' own
// calendars (Dvm755Pka).
#include <cstdint>

#include "base/FixText.hpp"

namespace db {
class ReadAhead;
}

// Calendar-day record: the date goes in with a day offset and comes back
// as the date that lies the offset after it.
struct BakSatz {
    FixText<9> Datum;
    FixText<9> Datum2;
    int32_t BakJhr = 0;
    int32_t BakMon = 0;
    int32_t BakTag = 0;
    int32_t BakWch = 0;
    int32_t BakWtg = 0;
    int32_t BakJtg = 0;
    int32_t Tage = 0;
};

int32_t Bak_Datum_Read(BakSatz& bak);
int32_t Bak_MaxDatum_Read(FixText<9>& datum);
int32_t Bak_Wtg_Read(const char* datum, int32_t& wtg);
int32_t Pka_PKey_Read(const char* plg, const char* datum, FixText<4>& ttp, int32_t& gwt);
// Sends the same read ahead (db::ReadAhead).
void Pka_PKey_Read_Vorab(db::ReadAhead& vorab, const char* plg, const char* datum);
