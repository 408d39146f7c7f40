#include "run/Blowfish.hpp"

#include <cstring>

namespace {

constexpr int kRounds = 16;

uint32_t P[kRounds + 2];
uint32_t S[4][256];

inline uint32_t F(uint32_t x) {
    uint32_t h = S[0][x >> 24] + S[1][(x >> 16) & 0xFF];
    return (h ^ S[2][(x >> 8) & 0xFF]) + S[3][x & 0xFF];
}

}  // namespace

void Blowfish_Encrypt(uint32_t& left, uint32_t& right) {
    uint32_t l = left;
    uint32_t r = right;
    for (int i = 0; i < kRounds; ++i) {
        l ^= P[i];
        r ^= F(l);
        uint32_t t = l;
        l = r;
        r = t;
    }
    // Undo the last swap, then apply the two output subkeys.
    uint32_t t = l;
    l = r;
    r = t;
    r ^= P[kRounds];
    l ^= P[kRounds + 1];
    left = l;
    right = r;
}

void Blowfish_Decrypt(uint32_t& left, uint32_t& right) {
    uint32_t l = left;
    uint32_t r = right;
    for (int i = kRounds + 1; i > 1; --i) {
        l ^= P[i];
        r ^= F(l);
        uint32_t t = l;
        l = r;
        r = t;
    }
    uint32_t t = l;
    l = r;
    r = t;
    r ^= P[1];
    l ^= P[0];
    left = l;
    right = r;
}

void Blowfish_Init(const unsigned char* key, std::size_t keyLength) {
    std::memcpy(P, Blowfish_PInit, sizeof P);
    std::memcpy(S, Blowfish_SInit, sizeof S);

    if (key != nullptr && keyLength > 0) {
        std::size_t k = 0;
        for (int i = 0; i < kRounds + 2; ++i) {
            uint32_t word = 0;
            for (int b = 0; b < 4; ++b) {
                word = (word << 8) | key[k];
                k = (k + 1) % keyLength;
            }
            P[i] ^= word;
        }
    }

    uint32_t l = 0;
    uint32_t r = 0;
    for (int i = 0; i < kRounds + 2; i += 2) {
        Blowfish_Encrypt(l, r);
        P[i] = l;
        P[i + 1] = r;
    }
    for (auto& box : S) {
        for (int j = 0; j < 256; j += 2) {
            Blowfish_Encrypt(l, r);
            box[j] = l;
            box[j + 1] = r;
        }
    }
}

void Blowfish_Wipe() {
    // volatile stores, so that the wipe is not dropped as a dead store
    volatile uint32_t* p = P;
    for (std::size_t i = 0; i < sizeof P / sizeof P[0]; ++i) p[i] = 0;
    volatile uint32_t* s = &S[0][0];
    for (std::size_t i = 0; i < 4 * 256; ++i) s[i] = 0;
}

bool Blowfish_IsWiped() {
    for (uint32_t w : P)
        if (w != 0) return false;
    for (const auto& box : S)
        for (uint32_t w : box)
            if (w != 0) return false;
    return true;
}
