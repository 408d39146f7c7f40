#pragma once
// The planners' report as one self-contained HTML page: no external files,
// no scripts, printable. Totals of the period first, then per plan group and
// day a heat map of the staffing (inline SVG), the day's proposals, the
// error rows left and the counts. The markup is well-formed XML (void
// elements closed, attributes quoted, texts escaped).
//
// Each count carries a data-n attribute naming it, inside an element that
// names its scope (data-plg, data-datum, data-grund, data-fehler,
// data-stufe), so that a reader of the file finds every figure the page shows.
#include <string>

#include "report/Bericht.hpp"

std::string Bericht_Html(const Bericht& bericht);
