#pragma once
// Person-day record: one candidate person on one date, carried through the
// record completion, the eligibility rules and the proposal writer.
#include <cstdint>

#include "base/FixText.hpp"

// The deployment a candidate would leave: the record of the person review,
// by the fields that tell it from the person's other deployments. While
// `gilt` is set, the rules judge the person's day after the move: this row
// is left out of every read of the person's own deployments that feeds them
// (rules/Verlassen). Not set, every deployment of the day counts.
struct VerlassenerEinsatz {
    bool gilt = false;
    FixText<6> Plg;
    FixText<6> Eso;
    FixText<6> Esa;
    FixText<9> Pnr;
    FixText<10> Bdt;
    int32_t Szv = 0;
    int32_t Asw = 0;
    int32_t Akt = 0;
    int32_t Azt = 0;  // its working minutes, part of the day's sum
};

struct PnrSatz {
    FixText<9> Pnr;          // person number
    FixText<6> PbvEso;       // unit of the person's assignment on the date
    FixText<6> PbvEsa;       // workplace of the person's assignment on the date
    FixText<11> ZtgKst;      // cost centre of the working-time entry
    FixText<9> Datum;        // 'yyyymmdd'
    FixText<4> Ka2Ttp;       // day type in the plan group's calendar
    FixText<6> ZtgAzt;       // working-time model of the date
    int32_t PgzAzk = 0;      // maximum working time per day, hours
    int32_t PgzRzk = 0;      // minimum rest time between deployments, hours
    int32_t PbvZrm = 0;      // frame: 1 core time, 2 flexitime
    int32_t AzvKev = 0;      // core time from (minutes)
    int32_t AzvKeb = 0;      // core time to
    int32_t AzvGlv = 0;      // flexitime from
    int32_t AzvGlb = 0;      // flexitime to
    int32_t RahmenVon = 0;   // working frame used by the rules
    int32_t RahmenBis = 0;
    int32_t AltVon = 0;      // alternative slot times for slot kind 3 (never filled)
    int32_t AltBis = 0;
    FixText<4> Fc1;          // function codes, three blanks after reset
    FixText<4> Fc2;
    FixText<4> Fc3;
    FixText<6> Plg;          // plan group of the target slot
    int32_t Fnr = 0;         // reason code of the last failed rule
    int32_t PbvAwp = 0;      // assignment kind
    FixText<4> PkaTtp;       // day type from the calendar or the plan group's own calendar
    FixText<11> PbvSst;      // cost-rate key of the assignment
    double PssWrt = 0.0;     // cost rate
    FixText<15> VorEnde;     // end stamp of an earlier deployment, empty when none
    FixText<15> NchBeginn;   // start stamp of a later deployment, empty when none
    int32_t ArbZtBrutto = 0; // working minutes of the day incl. the target slot's share
    int32_t Ueberschneidung = 0;  // 1 when a deployment overlaps the target slot
    int32_t Akt = 9999;      // activity number
    VerlassenerEinsatz Verlassen;  // the deployment left by the move; none after reset
};

// Reset state: everything zero or empty, function codes three blanks, Akt 9999.
void PnrSatz_Init(PnrSatz& p);
