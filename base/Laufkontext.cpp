// The run's single context: one instance for the whole run.
#include "base/Laufkontext.hpp"

namespace {
Laufkontext g_lauf;
}  // namespace

Laufkontext& Lauf() { return g_lauf; }
