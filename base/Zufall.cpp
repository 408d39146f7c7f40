#include "base/Zufall.hpp"

namespace {
uint32_t g_state = 1;
}

void Zufall_Seed(uint32_t seed) { g_state = seed; }

int Zufall_Zahl() {
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7fffu);
}
