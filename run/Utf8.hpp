#pragma once
// Cutting a text to a width in bytes without splitting a UTF-8 character.
#include <cstddef>
#include <string_view>

// The number of bytes of `text` to keep within `breite` bytes: all of it when
// it fits; otherwise `breite`, moved back to the start of a UTF-8 character
// that the cut would split. Only a well-formed sequence counts as a
// character: bytes that are not UTF-8 (Latin-1 text, stray continuation
// bytes) are cut at `breite` exactly, as a plain byte cut does.
std::size_t Utf8_Schnitt(std::string_view text, std::size_t breite);
