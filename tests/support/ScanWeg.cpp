// The test program reads DORVELIAN_SCAN once at its start, as the program
// does, so that the suites can run on either scan path (tests/CMakeLists.txt
// runs the scenario suites once more with DORVELIAN_SCAN=plain).
#include "optim/Scan.hpp"

namespace {
const bool kScanWegGelesen = (Scan_Weg_Aus_Umgebung(), true);
}  // namespace
