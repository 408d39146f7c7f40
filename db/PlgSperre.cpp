// The lock of a plan group's run, a named lock of the session (db::lock)
// whose name is the plan group's key.
#include "db/PlgSperre.hpp"

#include <string>

#include "db/Runtime.hpp"

namespace {
std::string sperrName(const char* plg) { return std::string("Dvm701Plg ") + plg; }
}  // namespace

int32_t Plg_Sperren(const char* plg, int warteSekunden) { return db::lock(sperrName(plg), warteSekunden); }

int32_t Plg_Freigeben(const char* plg) { return db::unlock(sperrName(plg)); }
