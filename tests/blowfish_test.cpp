#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "run/Blowfish.hpp"

namespace {

std::vector<unsigned char> Bytes(const std::string& hex) {
    std::vector<unsigned char> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// Textbook order: the first four bytes are the left half, big-endian.
void Halves(const std::string& hex16, uint32_t& left, uint32_t& right) {
    left = static_cast<uint32_t>(std::stoul(hex16.substr(0, 8), nullptr, 16));
    right = static_cast<uint32_t>(std::stoul(hex16.substr(8, 8), nullptr, 16));
}

struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
};

void ExpectVector(const Vector& v) {
    std::vector<unsigned char> key = Bytes(v.key);
    Blowfish_Init(key.data(), key.size());
    uint32_t l, r, cl, cr;
    Halves(v.plain, l, r);
    Halves(v.cipher, cl, cr);
    const uint32_t pl = l, pr = r;
    Blowfish_Encrypt(l, r);
    EXPECT_EQ(l, cl) << "key " << v.key << " plain " << v.plain;
    EXPECT_EQ(r, cr) << "key " << v.key << " plain " << v.plain;
    Blowfish_Decrypt(l, r);
    EXPECT_EQ(l, pl) << "key " << v.key;
    EXPECT_EQ(r, pr) << "key " << v.key;
}

TEST(Blowfish, InitialTablesAreThePiDigits) {
    EXPECT_EQ(Blowfish_PInit[0], 0x243F6A88u);
    EXPECT_EQ(Blowfish_PInit[1], 0x85A308D3u);
    EXPECT_EQ(Blowfish_PInit[17], 0x8979FB1Bu);
    EXPECT_EQ(Blowfish_SInit[0][0], 0xD1310BA6u);
    EXPECT_EQ(Blowfish_SInit[1][0], 0x4B7A70E9u);
    EXPECT_EQ(Blowfish_SInit[2][0], 0xE93D5A68u);
    EXPECT_EQ(Blowfish_SInit[3][0], 0x3A39CE37u);
    EXPECT_EQ(Blowfish_SInit[3][255], 0x3AC372E6u);
}

TEST(Blowfish, PublishedEightByteKeyVectors) {
    const Vector vectors[] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
        {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
        {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
        {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
        {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
        {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    };
    for (const Vector& v : vectors) ExpectVector(v);
}

// Key lengths that do not divide the 4-byte word exercise the cycling of the
// key through the P-array; 7 bytes is the length of the configuration key.
TEST(Blowfish, PublishedVariableKeyLengthVectors) {
    const std::string longKey = "F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677";
    const struct {
        std::size_t bytes;
        const char* cipher;
    } cases[] = {
        {1, "F9AD597C49DB005E"},  {2, "E91D21C1D961A6D6"},  {3, "E9C2B70A1BC65CF3"},
        {5, "B39E44481BDB1E6E"},  {7, "8BB77032F960629D"},  {8, "E87A244E2CC85E82"},
        {24, "05044B62FA52D080"},
    };
    for (const auto& c : cases) {
        const std::string key = longKey.substr(0, 2 * c.bytes);
        ExpectVector({key.c_str(), "FEDCBA9876543210", c.cipher});
    }
}

TEST(Blowfish, WipeClearsTheKeyedState) {
    const unsigned char key[] = {'K', 'E', 'Y'};
    Blowfish_Init(key, sizeof key);
    EXPECT_FALSE(Blowfish_IsWiped());
    Blowfish_Wipe();
    EXPECT_TRUE(Blowfish_IsWiped());
}

}  // namespace
