#pragma once
// Texts from outside as UTF-8: telling well-formed UTF-8, reading a text
// that is not as Latin-1, and cutting a text to a width in bytes without
// splitting a UTF-8 character.
#include <cstddef>
#include <string>
#include <string_view>

// Whether the whole of `text` is well-formed UTF-8 (no overlong forms, no
// surrogates, nothing past U+10FFFF, no sequence cut short).
bool Utf8_Gueltig(std::string_view text);

// `text` as UTF-8: unchanged, byte for byte, when it is well-formed UTF-8;
// otherwise every byte is taken as a Latin-1 (ISO 8859-1) character, so that
// bytes 0x80 to 0xFF become the two-byte characters U+0080 to U+00FF.
std::string Utf8_Aus_Latin1(std::string_view text);

// The number of bytes of `text` to keep within `breite` bytes: all of it when
// it fits; otherwise `breite`, moved back to the start of a UTF-8 character
// that the cut would split. Only a well-formed sequence counts as a
// character: bytes that are not UTF-8 (Latin-1 text, stray continuation
// bytes) are cut at `breite` exactly, as a plain byte cut does.
std::size_t Utf8_Schnitt(std::string_view text, std::size_t breite);
