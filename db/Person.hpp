#pragma once
// The person's data of a date: assignment and plan-group structure
// (Dvm710Pbv, Dvm712Pgz), working-time entry and model (Dvm329Ztg, Dvm140Azv,
// Dvm133Ka2), substitute models (Dvm162Ers), qualifications (Dvm716Qzp,
// Dvm717Qea) and cost rates (Dvm708Pss). All fill the person-day record.
#include <cstdint>

#include "base/FixText.hpp"

namespace db {
class ReadAhead;
}

struct PnrSatz;

int32_t Komplett_PnrSatz(PnrSatz& pnr);
int32_t Ztg_AbzTag_Read(PnrSatz& pnr);
// Send the first read of Komplett_PnrSatz, and both reads of Ztg_AbzTag_Read,
// ahead (db::ReadAhead) for the record's Pnr, Datum and Plg. With a
// ReadAhead living, Komplett_PnrSatz sends its reads that depend on the
// assignment (structure row and cost rate) ahead together as well.
void Komplett_PnrSatz_Vorab(db::ReadAhead& vorab, const PnrSatz& pnr);
void Ztg_AbzTag_Read_Vorab(db::ReadAhead& vorab, const PnrSatz& pnr);
int32_t Ztg_ErsCur_Open(const char* pnr, const char* datum);
int32_t Ztg_ErsCur_Read(PnrSatz& pnr);
int32_t Ztg_ErsCur_Close();
int32_t Qzp_PnrQlf_Read(const PnrSatz& pnr, const char* qfk, const char* datum);
int32_t Qea_Qlf2Esa_Open(const char* esa);
int32_t Qea_Qlf2Esa_Read(FixText<6>& qfk);
int32_t Qea_Qlf2Esa_Close();
int32_t Pss_Wrt_Read(PnrSatz& pnr);
