// Net working time of a person's day: the union of the day's deployments and
// the working frame, without double counting; and the minutes of a slot that
// fall into a frame on a 24-hour clock.
#include <cstring>
#include <string>

#include "db/Bdp.hpp"
#include "base/FixText.hpp"
#include "rules/Datum.hpp"
#include "rules/Eignung.hpp"
#include "db/PnrSatz.hpp"
#include "rules/Verlassen.hpp"

namespace {

constexpr int kMaxIntervalle = 20;

struct Intervall {
    int von = 0;
    int bis = 0;
    FixText<15> vonStempel;
    FixText<15> bisStempel;
};


// Intervals are stamped on the record's date; an interval running past
// midnight ends on the following day, which is looked up only once.
struct Stempler {
    explicit Stempler(const FixText<9>& d) : datum(d) {}

    const FixText<9>& datum;
    FixText<9> folgetag;
    bool folgetagDa = false;

    void setze(Intervall& iv, int von, int bis) {
        iv.von = von;
        iv.bis = bis;
        iv.vonStempel = Zeitstempel_Bilden(datum.c_str(), von);
        if (von > bis) {
            if (!folgetagDa) {
                Datum_Rechnen(1, datum.c_str(), folgetag.buf);
                folgetagDa = true;
            }
            iv.bisStempel = Zeitstempel_Bilden(folgetag.c_str(), bis);
        } else {
            iv.bisStempel = Zeitstempel_Bilden(datum.c_str(), bis);
        }
    }
};

// Length of a merged block from the clock parts of its stamps.
int Block_Laenge(const FixText<15>& von, const FixText<15>& bis) {
    if (von.empty() || bis.empty()) return 0;
    const int s = (von.size() > 8) ? UhrZt_Minuten(von.c_str() + 8) : 0;
    const int e = (bis.size() > 8) ? UhrZt_Minuten(bis.c_str() + 8) : 0;
    return Ueberlappung_Min(s, e, s, e);
}

}  // namespace

int Ueberlappung_Min(int a, int b, int c, int d) {
    if (c == d) return 0;
    const int s = (a > c) ? a : c;
    int e;
    if (b == d) {
        e = b;
    } else if (b > a && d > c) {
        e = (b < d) ? b : d;
    } else if (b > a && d < c) {
        e = b;
    } else if (b < a && d > c) {
        e = d;
    } else if (b < a && d < c) {
        e = (b < d) ? b : d;
    } else {
        // The slot starts and ends on the same minute (b == a) and that minute
        // is not the frame's end: an empty slot, nothing of it in the frame.
        return 0;
    }
    if (e < s) e += 1440;
    return e - s;
}

void NettoArbZt_Ermitteln(PnrSatz& p) {
    Intervall tab[kMaxIntervalle];
    Stempler stempler(p.Datum);
    int n = 0;
    int vorStart = 0;
    bool rahmenDrin = false;
    bool voll = false;

    Bdp_PnrDat_Open(p.Pnr.c_str(), p.Datum.c_str());
    // The day after the move, when the record names a left deployment.
    bool verlassenGesehen = false;
    Dvm730Bdp bdp;
    int32_t rc = Bdp_Lesen_Nach_Umzug(p, Bdp_PnrDat_Read, bdp, verlassenGesehen);
    const bool keineZeilen = (rc != 0);

    // Rows come in order of slot start; the frame goes in before the first
    // row that starts after it.
    while (rc == 0) {
        const int rs = (bdp.BdpAsw == 3) ? bdp.BdpOsv : bdp.BdpSzv;
        if (p.RahmenVon < rs && p.RahmenVon >= vorStart) {
            stempler.setze(tab[n], p.RahmenVon, p.RahmenBis);
            ++n;
            rahmenDrin = true;
            if (n == kMaxIntervalle) {  // the row would need a 21st entry
                voll = true;
                n = kMaxIntervalle - 1;
                break;
            }
        }
        if (bdp.BdpAsw == 3) {
            stempler.setze(tab[n], bdp.BdpOsv, bdp.BdpOsb);
        } else {
            stempler.setze(tab[n], bdp.BdpSzv, bdp.BdpSzb);
        }
        vorStart = rs;
        if (n + 1 == kMaxIntervalle) {
            voll = true;
            break;
        }
        bdp = Dvm730Bdp{};
        rc = Bdp_Lesen_Nach_Umzug(p, Bdp_PnrDat_Read, bdp, verlassenGesehen);
        if (rc == 0) ++n;
    }
    Bdp_PnrDat_Close();

    // Without a row starting after it, the frame goes in behind the rows.
    if (!voll && !rahmenDrin && n + 1 < kMaxIntervalle) {
        if (!keineZeilen) ++n;
        stempler.setze(tab[n], p.RahmenVon, p.RahmenBis);
    }

    // Merge the entries 0..n in table order into blocks and add their lengths.
    FixText<15> blockVon;
    FixText<15> blockBis;
    int summe = 0;
    for (int i = 0; i <= n; ++i) {
        const Intervall& iv = tab[i];
        if (std::strcmp(iv.vonStempel.c_str(), blockBis.c_str()) >= 0) {
            summe += Block_Laenge(blockVon, blockBis);
            blockVon = iv.vonStempel;
            blockBis = iv.bisStempel;
        } else if (std::strcmp(iv.bisStempel.c_str(), blockBis.c_str()) > 0) {
            blockBis = iv.bisStempel;
        }
    }
    summe += Block_Laenge(blockVon, blockBis);

    if (summe > 0) p.ArbZtBrutto = summe;
}
