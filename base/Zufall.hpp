#pragma once
// The program's own pseudo-random generator: state := state * 214013 +
// 2531011 modulo 2^32, result := bits 16 to 30 of the state (0 to 32767).
#include <cstdint>

void Zufall_Seed(uint32_t seed);
int Zufall_Zahl();
