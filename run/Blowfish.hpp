#pragma once
// Blowfish block cipher (16 rounds, 64-bit block as two 32-bit halves).
// The key schedule and the block functions work on one module-wide state:
// the P-array of 18 words and four S-boxes of 256 words. The configuration
// reader sets it up for each value and wipes it afterwards.
#include <cstddef>
#include <cstdint>

// Initial subkeys (hexadecimal digits of pi), in run/BlowfishTables.cpp.
extern const uint32_t Blowfish_PInit[18];
extern const uint32_t Blowfish_SInit[4][256];

// Key schedule: loads the initial tables, XORs the key (cycled, packed
// big-endian into words) into the P-array, then replaces P-array and S-boxes
// pairwise by repeated encryption of the all-zero block. A key length of 0
// leaves the P-array unkeyed.
void Blowfish_Init(const unsigned char* key, std::size_t keyLength);

// Block functions on the two halves of one block, in place.
void Blowfish_Encrypt(uint32_t& left, uint32_t& right);
void Blowfish_Decrypt(uint32_t& left, uint32_t& right);

// Overwrites the P-array and the S-boxes with zeros.
void Blowfish_Wipe();

// True when the P-array and all S-boxes hold only zeros (after a wipe).
bool Blowfish_IsWiped();
