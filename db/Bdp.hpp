#pragma once
// Deployment records (table Dvm730Bdp): the persons of a slot, a person's
// records of a day or of the neighbouring days, and the per-slot counts.
#include <cstdint>

#include "base/FixText.hpp"

namespace db {
class ReadAhead;
}

struct PnrSatz;
struct Dvm725Bsm;

struct Dvm730Bdp {
    FixText<9> BdpPnr;
    FixText<10> BdpBdt;
    FixText<6> BdpEso;
    FixText<6> BdpEsa;
    int32_t BdpSzv = 0;
    int32_t BdpSzb = 0;
    FixText<4> BdpBsz;
    int32_t BdpJhr = 0;
    int32_t BdpMon = 0;
    int32_t BdpWoc = 0;
    int32_t BdpJwc = 0;
    FixText<4> BdpTtp;
    int32_t BdpTag = 0;
    int32_t BdpZtv = 0;
    int32_t BdpZtb = 0;
    FixText<11> BdpKst;
    FixText<4> BdpFc1;
    FixText<4> BdpFc2;
    FixText<4> BdpFc3;
    FixText<6> BdpOso;
    FixText<6> BdpOsa;
    int32_t BdpOsv = 0;
    int32_t BdpOsb = 0;
    FixText<4> BdpOsz;
    int32_t BdpOsw = 0;
    FixText<6> BdpPlg;
    int32_t BdpAsw = 0;
    int32_t BdpAwp = 0;
    FixText<2> BdpSts;
    int32_t BdpFnr = 0;
    int32_t BdpSta = 0;
    FixText<15> BdpDat;
    FixText<61> BdpTxt;
    FixText<51> BdpErf;
    int32_t BdpAzt = 0;
    int32_t BdpId1 = 0, BdpId2 = 0, BdpId3 = 0, BdpId4 = 0;
    int32_t BdpId5 = 0, BdpId6 = 0, BdpId7 = 0, BdpId8 = 0;
    int32_t BdpRnd = 0;
    int32_t BdpAkt = 0;
    int32_t BdpBnr = 0;
    int32_t BdpPau = 0;
    int32_t BdpBzt = 0;
    double BdpKos = 0.0;
};

// Counts and sums of one staffing-matrix slot.
struct BszZaehlSatz {
    FixText<9> Datum;        // input
    FixText<6> Plg;          // input
    FixText<6> Eso;          // input
    FixText<6> Esa;          // input
    int32_t Asw = 0;         // input: slot kind
    int32_t Szv = 0;         // input: slot start
    int32_t Szb = 0;         // input: slot end
    int32_t AnzZtGleich = 0;
    int32_t AnzZtAbw = 0;
    int32_t AnzGesamt = 0;
    int32_t AnzFc1 = 0;
    int32_t AnzFc2 = 0;
    int32_t AnzFc3 = 0;
    int32_t AnzStsUM = 0;
    int32_t AnzKos = 0;
    int32_t SumId1 = 0, SumId2 = 0, SumId3 = 0, SumId4 = 0;
    int32_t SumId5 = 0, SumId6 = 0, SumId7 = 0, SumId8 = 0;
    double SumKos = 0.0;
    double SumKosOhneM = 0.0;
};

// The movable records of an overstaffed slot, in deployment order.
int32_t Bdp_BszPnr_Open(Dvm725Bsm bsm);
int32_t Bdp_BszPnr_Read(Dvm730Bdp& bdp);
int32_t Bdp_BszPnr_Close();

// A person's active records of one day.
int32_t Bdp_PnrDat_Open(const char* pnr, const char* datum);
int32_t Bdp_PnrDat_Read(Dvm730Bdp& bdp);
int32_t Bdp_PnrDat_Close();

// A person's records from the day before to the day after the record's date.
int32_t Bdp_VorNchBsz_Open(const PnrSatz& pnr);
int32_t Bdp_VorNchBsz_Read(Dvm730Bdp& bdp);
int32_t Bdp_VorNchBsz_Close();

// Sum of the working time of a person's active records of the date, into ArbZtBrutto.
int32_t TagArbZt_Brutto(PnrSatz& pnr);
// Sends the same read ahead (db::ReadAhead).
void TagArbZt_Brutto_Vorab(db::ReadAhead& vorab, const PnrSatz& pnr);

// Fills the counts and sums of the slot given by the input fields.
int32_t Bdp_Bsz_Count(BszZaehlSatz& z);
