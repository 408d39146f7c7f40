// Texts from outside as UTF-8: the validity check, the Latin-1 reading and
// the cut at a whole UTF-8 character.
#include "base/Utf8.hpp"

namespace {
bool folgebyte(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at text[i] (2 to 4), or 0 when
// no multi-byte character starts there. Overlong forms, surrogates and
// values past U+10FFFF are not characters.
std::size_t sequenzLaenge(std::string_view text, std::size_t i) {
    const unsigned char b0 = static_cast<unsigned char>(text[i]);
    std::size_t n;
    unsigned char min1 = 0x80, max1 = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        if (b0 == 0xE0) min1 = 0xA0;
        if (b0 == 0xED) max1 = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        if (b0 == 0xF0) min1 = 0x90;
        if (b0 == 0xF4) max1 = 0x8F;
    } else {
        return 0;
    }
    if (i + n > text.size()) return 0;
    const unsigned char b1 = static_cast<unsigned char>(text[i + 1]);
    if (b1 < min1 || b1 > max1) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (!folgebyte(static_cast<unsigned char>(text[i + k]))) return 0;
    return n;
}
}  // namespace

bool Utf8_Gueltig(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = sequenzLaenge(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string Utf8_Aus_Latin1(std::string_view text) {
    if (Utf8_Gueltig(text)) return std::string(text);
    std::string utf8;
    utf8.reserve(2 * text.size());
    for (char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            utf8.push_back(c);
        } else {
            utf8.push_back(static_cast<char>(0xC0 | (b >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return utf8;
}

std::size_t Utf8_Schnitt(std::string_view text, std::size_t breite) {
    if (text.size() <= breite) return text.size();
    // Only a continuation byte right after the cut can belong to a character
    // that the cut splits; its lead byte is at most three bytes back.
    if (breite == 0 || !folgebyte(static_cast<unsigned char>(text[breite]))) return breite;
    for (std::size_t zurueck = 1; zurueck <= 3 && zurueck <= breite; ++zurueck) {
        const std::size_t start = breite - zurueck;
        const unsigned char b = static_cast<unsigned char>(text[start]);
        if (folgebyte(b)) continue;
        const std::size_t n = sequenzLaenge(text, start);
        return n > zurueck ? start : breite;
    }
    return breite;
}
