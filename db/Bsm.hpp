#pragma once
// Staffing matrix (table Dvm725Bsm) and staffing targets (table Dvm720Bss).
#include <cstdint>

#include "base/FixText.hpp"

namespace db {
class ReadAhead;
}

struct Dvm725Bsm {
    FixText<10> BsmBdt;
    FixText<6> BsmEso;
    FixText<6> BsmEsa;
    int32_t BsmSzv = 0;
    int32_t BsmSzb = 0;
    FixText<4> BsmBsz;
    int32_t BsmJhr = 0;
    int32_t BsmMon = 0;
    int32_t BsmWoc = 0;
    int32_t BsmJwc = 0;
    int32_t BsmTag = 0;
    FixText<4> BsmTtp;
    int32_t BsmSol = 0;
    int32_t BsmMin = 0;
    int32_t BsmMax = 0;
    int32_t BsmIst = 0;
    FixText<6> BsmPlg;
    int32_t BsmHtg = 0;
    int32_t BsmHtv = 0;
    int32_t BsmHtn = 0;
    int32_t BsmKng = 0;
    int32_t BsmFkt = 0;
    int32_t BsmAsw = 0;
    int32_t BsmSta = 0;
    FixText<15> BsmDat;
    FixText<51> BsmErf;
    int32_t BsmId1 = 0, BsmId2 = 0, BsmId3 = 0, BsmId4 = 0;
    int32_t BsmId5 = 0, BsmId6 = 0, BsmId7 = 0, BsmId8 = 0;
    int32_t BsmKor = 0;
    double BsmKos = 0.0;
    double BsmKo2 = 0.0;
    int32_t BsmOva = 0;
    int32_t BsmOve = 0;
};

struct Dvm720Bss {
    FixText<6> BssPlg;
    FixText<6> BssEso;
    FixText<6> BssEsa;
    FixText<4> BssTtp;
    int32_t BssVon = 0;
    int32_t BssBis = 0;
    FixText<4> BssBsz;
    FixText<51> BssTxt;
    int32_t BssSol = 0;
    int32_t BssMax = 0;
    int32_t BssMin = 0;
    double BssMwt = 0.0;
    int32_t BssVtg = 0;
    int32_t BssAtg = 0;
    int32_t BssKgw = 0;
    int32_t BssKmw = 0;
    int32_t BssAsw = 0;
};

// 1 while the table has the newer columns BsmOva and BsmOve; cleared for
// good by the first statement that finds them missing.
extern int BsmOvaOve_Aktiv;

int32_t Bsm_PKeyUpd(const Dvm725Bsm& bsm);

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

int32_t Bsm_PlgUntC_Open(const char* plg, const char* datum);
int32_t Bsm_PlgUntC_Read(Dvm725Bsm& bsm);
int32_t Bsm_PlgUntC_Close();
int32_t Bsm_EsoUntC_Open(const char* plg, const char* eso, const char* datum);
int32_t Bsm_EsoUntC_Read(Dvm725Bsm& bsm);
int32_t Bsm_EsoUntC_Close();
int32_t Bsm_EsaUntC_Open(const char* plg, const char* eso, const char* esa, const char* datum);
int32_t Bsm_EsaUntC_Read(Dvm725Bsm& bsm);
int32_t Bsm_EsaUntC_Close();

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
