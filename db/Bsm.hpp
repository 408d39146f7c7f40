#pragma once
// Staffing matrix (table Dvm725Bsm) and staffing targets (table Dvm720Bss).
#include <cstdint>

#include "base/FixText.hpp"

namespace db {
class ReadAhead;
}

struct Dvm725Bsm {
    FixText<10> BsmBdt;  // plan date, 'yyyymmdd'
    FixText<6> BsmEso;  // unit
    FixText<6> BsmEsa;  // workplace
    int32_t BsmSzv = 0;  // slot start, minutes of the day
    int32_t BsmSzb = 0;  // slot end, minutes (below the start: past midnight)
    FixText<4> BsmBsz;  // staffing-slot code
    int32_t BsmJhr = 0;  // year of the date
    int32_t BsmMon = 0;  // month
    int32_t BsmWoc = 0;  // week
    int32_t BsmJwc = 0;  // year and week, yyyyww
    int32_t BsmTag = 0;  // day of the month
    FixText<4> BsmTtp;  // day type
    int32_t BsmSol = 0;  // target staff
    int32_t BsmMin = 0;  // minimum staff
    int32_t BsmMax = 0;  // maximum staff
    int32_t BsmIst = 0;  // actual staff (recount: all active records)
    FixText<6> BsmPlg;  // plan group
    int32_t BsmHtg = 0;  // records with function code 1
    int32_t BsmHtv = 0;  // records with function code 2
    int32_t BsmHtn = 0;  // records with function code 3
    int32_t BsmKng = 0;  // kept as read (not interpreted)
    int32_t BsmFkt = 0;  // deviation: below 0 understaffed, above 0 overstaffed
    int32_t BsmAsw = 0;  // slot kind
    int32_t BsmSta = 0;  // status (kept as read)
    FixText<15> BsmDat;  // time of last change
    FixText<51> BsmErf;  // user or origin of the last change
    int32_t BsmId1 = 0, BsmId2 = 0, BsmId3 = 0, BsmId4 = 0;  // indicator counters (kept as read)
    int32_t BsmId5 = 0, BsmId6 = 0, BsmId7 = 0, BsmId8 = 0;
    int32_t BsmKor = 0;  // records with status 'U' or 'M' (recount)
    double BsmKos = 0.0;  // cost of the slot's records (recount)
    double BsmKo2 = 0.0;  // the same cost without the records of status 'M'
    int32_t BsmOva = 0;  // open proposals out of the slot
    int32_t BsmOve = 0;  // open proposals into the slot
};

struct Dvm720Bss {
    FixText<6> BssPlg;  // plan group
    FixText<6> BssEso;  // unit
    FixText<6> BssEsa;  // workplace
    FixText<4> BssTtp;  // day type
    int32_t BssVon = 0;  // slot start, minutes of the day
    int32_t BssBis = 0;  // slot end, minutes (below the start: past midnight)
    FixText<4> BssBsz;  // staffing-slot code
    FixText<51> BssTxt;  // description
    int32_t BssSol = 0;  // target staff
    int32_t BssMax = 0;  // maximum staff
    int32_t BssMin = 0;  // minimum staff
    double BssMwt = 0.0;  // BssMwt to BssKmw: kept as read
    int32_t BssVtg = 0;
    int32_t BssAtg = 0;
    int32_t BssKgw = 0;
    int32_t BssKmw = 0;
    int32_t BssAsw = 0;  // slot kind
};

// 1 while the table has the newer columns BsmOva and BsmOve; cleared for
// good by the first statement that finds them missing.
extern int BsmOvaOve_Aktiv;

// Rewrites the row of bsm's key (plan group, unit, workplace, date, slot
// start, slot kind) with bsm's figures, in a savepoint of its own.
int32_t Bsm_PKeyUpd(const Dvm725Bsm& bsm);

// The cursor families: _Open binds and opens, _Read gives the next row (0,
// then 1403 at the end), _Close closes; all return result codes and log
// nothing.
//
// The period's rows of the plan group, a unit or a workplace, dates von to
// bis ('yyyymmdd'), in order of date, unit, workplace and slot start: the
// error review and the recount read them.
int32_t Bsm_PlgVonBis_Open(const char* plg, const char* von, const char* bis);
int32_t Bsm_PlgVonBis_Read(Dvm725Bsm& bsm);
int32_t Bsm_PlgVonBis_Close();
int32_t Bsm_EsoVonBis_Open(const char* plg, const char* eso, const char* von, const char* bis);
int32_t Bsm_EsoVonBis_Read(Dvm725Bsm& bsm);
int32_t Bsm_EsoVonBis_Close();
int32_t Bsm_EsaVonBis_Open(const char* plg, const char* eso, const char* esa, const char* von,
                           const char* bis);
int32_t Bsm_EsaVonBis_Read(Dvm725Bsm& bsm);
int32_t Bsm_EsaVonBis_Close();

// The day's understaffed rows (BsmFkt below 0) of the plan group, a unit or
// a workplace, most understaffed first.
int32_t Bsm_PlgUntC_Open(const char* plg, const char* datum);
int32_t Bsm_PlgUntC_Read(Dvm725Bsm& bsm);
int32_t Bsm_PlgUntC_Close();
int32_t Bsm_EsoUntC_Open(const char* plg, const char* eso, const char* datum);
int32_t Bsm_EsoUntC_Read(Dvm725Bsm& bsm);
int32_t Bsm_EsoUntC_Close();
int32_t Bsm_EsaUntC_Open(const char* plg, const char* eso, const char* esa, const char* datum);
int32_t Bsm_EsaUntC_Read(Dvm725Bsm& bsm);
int32_t Bsm_EsaUntC_Close();

// The overstaffed rows (BsmFkt above 0) that can give a person to the
// understaffed row unt: its date and slot kind, in unt's plan group, unit or
// workplace; most overstaffed first.
int32_t Bsm_PlgUebC_Open(Dvm725Bsm unt);
int32_t Bsm_PlgUebC_Read(Dvm725Bsm& bsm);
int32_t Bsm_PlgUebC_Close();
int32_t Bsm_EsoUebC_Open(Dvm725Bsm unt);
int32_t Bsm_EsoUebC_Read(Dvm725Bsm& bsm);
int32_t Bsm_EsoUebC_Close();
int32_t Bsm_EsaUebC_Open(Dvm725Bsm unt);
int32_t Bsm_EsaUebC_Read(Dvm725Bsm& bsm);
int32_t Bsm_EsaUebC_Close();

// Reads the target row whose key fields are set in bss and fills it whole.
int32_t Bss_PKeyRead(Dvm720Bss& bss);
// Sends the same read ahead (db::ReadAhead), with the key fields of bss.
void Bss_PKeyRead_Vorab(db::ReadAhead& vorab, const Dvm720Bss& bss);
