#pragma once
// Clock texts, minutes of the day, date shifts through the central calendar
// and time-stamp differences.
#include <cstdint>

#include "base/FixText.hpp"

// "HHMM..." -> hours * 60 + minutes; a piece that is not a number counts 0.
int UhrZt_Minuten(const char* uhrzt);
// minutes -> "HHMM00" ("%02d%02d00"); out must hold at least 7 bytes.
void Minuten_UhrZt(int minuten, char* out);
// out := in plus n days through the calendar table; on any result other than
// 0 out := in. out may be the same buffer as in (at least 9 bytes).
int32_t Datum_Rechnen(int tage, const char* in, char* out);
// seconds(a) - seconds(b) of two 'yyyymmddHHMISS' stamps, modulo 2^32.
uint32_t ZeitDiff_Sek(const char* a, const char* b);
int TageDiff(int d1, int m1, int y1, int d2, int m2, int y2);
int TageImMonat(int monat, int jahr);
// Time stamp 'yyyymmddHHMM00' of a date and a minute of the day.
FixText<15> Zeitstempel_Bilden(const char* datum, int minuten);
