#pragma once
// The short German texts of the reason codes that a proposal carries
// (BdkFnr) and of the error numbers of the error rows (ErrFnr), and the
// classes of a slot's staffing against its target, minimum and maximum.
// schema/*/views.sql holds the same texts for the planners' SQL views.
#include <cstdint>
#include <string_view>

struct Kurztext {
    int32_t code;
    std::string_view art;   // "Grund" (proposal) or "Fehler" (error row)
    std::string_view text;
};

// Every known code, reason codes first, each kind in ascending order.
const Kurztext* Kurztexte(std::size_t& anzahl);
// The text of a reason code or an error number; empty when unknown.
std::string_view Grundtext(int32_t fnr);
std::string_view Fehlertext(int32_t fnr);

// Staffing class of an effective staffing e against target, minimum and
// maximum as they stand: -2 below the minimum, -1 below the target, 0
// balanced, 1 above the target within the maximum, 2 above the maximum. The
// comparisons of the error review, so that a slot is of class 0 exactly when
// the review writes no error row for it.
int Besetzungsstufe(int64_t e, int32_t sol, int32_t min, int32_t max);
// "unter Minimum", "unter Soll", "ausgeglichen", "über Soll", "über Maximum".
std::string_view Stufentext(int stufe);
