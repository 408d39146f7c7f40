// Time position of a target slot in the person's working frame of the day,
// falling back to the frames of the person's substitute working-time models.
#include "db/Person.hpp"
#include "rules/Eignung.hpp"
#include "db/PnrSatz.hpp"

namespace {

constexpr int kFnrOk = 0;
constexpr int kFnrZeitlage = 1412;      // slot fits neither frame nor substitute frame
constexpr int kFnrUeberRahmen = 1501;   // accepted, but reaches beyond the frame

// Classes of a slot that starts before or ends after the frame.
bool Ragt_Hinaus(int klasse) {
    return klasse == 2 || klasse == 3 || klasse == 4 || klasse == 8 || klasse == 9;
}

}  // namespace

// Classes of slot [a, b] against frame [c, d] (E: the slot ends after the frame):
//   1 same start and end
//   2 starts before, E         3 same start, E          8 starts after, E
//   4 starts before, same end  6 same start, ends inside 7 starts after, same end
//   9 starts before, ends inside                        5 lies inside
int Zeitlage_Ermitteln(int a, int b, int c, int d, int& klasse, int& prozent) {
    klasse = 0;
    prozent = 0;

    // Slot ends before the frame starts, or the frame ends before the slot
    // starts (each only when that interval does not run past midnight).
    if ((b <= c && b > a) || (a >= d && d > c)) return 0;

    const int fe = (c <= d) ? d : d + 1440;
    const int se = (a <= b) ? b : b + 1440;

    const int st = (a > c) ? a : c;
    const int en = (se < fe) ? se : fe;
    const int ov = (st < en) ? en - st : en + 1440 - st;
    const int len = (a < se) ? se - a : se + 1440 - a;
    prozent = static_cast<int>(static_cast<double>(ov) / len * 100.0);

    if (a == c && b == d) {
        klasse = 1;
        return 1;
    }

    const bool endetSpaeter = (b > d && d > c && b > a) || (b > d && d < c && b < a) ||
                              (b < d && d > c && b < a);
    if (a < c) {
        klasse = endetSpaeter ? 2 : (b == d ? 4 : 9);
    } else if (a == c) {
        klasse = endetSpaeter ? 3 : 6;
    } else {
        klasse = endetSpaeter ? 8 : (b == d ? 7 : 5);
    }

    // A slot that sticks out on one side is accepted only when at least half
    // of its length (rounded down) lies inside the frame.
    const int x = len;
    if (klasse == 9) {
        int y = se - c;
        if (c >= se) y += 1440;
        if (x / 2 > y) return 0;
    } else if (klasse == 8) {
        int y = fe - a;
        if (a >= fe) y += 1440;
        if (x / 2 > y) return 0;
    }
    return 1;
}

int Zeitlage_Pruefen(PnrSatz& p, int von, int bis, int art, int& klasse) {
    int prozent = 0;
    klasse = 0;
    p.Fnr = kFnrOk;

    if (Zeitlage_Ermitteln(von, bis, p.RahmenVon, p.RahmenBis, klasse, prozent)) {
        if (Ragt_Hinaus(klasse)) p.Fnr = kFnrUeberRahmen;
        return 1;
    }

    int ok = 0;
    if (p.PbvAwp == 1) {
        // Each substitute model read replaces the model and the frame of the
        // record; the record keeps the last one read.
        Ztg_ErsCur_Open(p.Pnr.c_str(), p.Datum.c_str());
        while (Ztg_ErsCur_Read(p) == 0) {
            p.Fnr = kFnrOk;
            if (Zeitlage_Ermitteln(von, bis, p.RahmenVon, p.RahmenBis, klasse, prozent)) {
                if (Ragt_Hinaus(klasse)) p.Fnr = kFnrUeberRahmen;
                ok = 1;
                break;
            }
        }
        Ztg_ErsCur_Close();
    }

    if (art == 3) ok = 1;
    if (!ok) p.Fnr = kFnrZeitlage;
    return ok;
}
