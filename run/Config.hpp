#pragma once
// Configuration file with enciphered values.
//
// The file is a sequence of two-line records:
//   header:  any text ";" section ";" any text
//   entry:   number ";" key ";" value
// The value is upper-case hexadecimal text of Blowfish blocks (ECB, fixed
// key), each 8-byte block read as two little-endian 32-bit halves; the
// deciphered plain text is padded with zero bytes to the end of its block.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/FixText.hpp"
#include "base/Laufeinstellungen.hpp"

// What became of the file in the last lookup. Only a regular file of at most
// kConfigMaxBytes is read; anything else reads as an empty file.
enum class ConfigDatei {
    Gelesen,              // read (whether or not a record matched)
    NichtZuOeffnen,       // missing, no permission, ...: fehlerNummer holds errno
    KeineRegulaereDatei,  // a directory, device, FIFO or socket
    ZuGross,              // larger than kConfigMaxBytes, or grew past it while read
    Lesefehler,           // the read failed: fehlerNummer holds errno when known
};
// Far above any real configuration file (four records take about 1 KB).
inline constexpr std::size_t kConfigMaxBytes = 1048576;

// Results of the last lookup; overwritten by every Config_Read.
struct ConfigErgebnis {
    ConfigDatei datei = ConfigDatei::Gelesen;
    int fehlerNummer = 0;
    int32_t nummer = 0;
    FixText<201> sektion;
    FixText<201> schluessel;
    FixText<201> wert;  // deciphered value
};

// Capacities of the two line buffers of a record (terminator included): a
// header line holds 198 characters before its line end, an entry line 398.
// A longer line is read in pieces, and the pieces pair up as lines.
inline constexpr std::size_t kConfigKopfPuffer = 200;
inline constexpr std::size_t kConfigEintragPuffer = 400;
// Longest stored value that is deciphered: 12 blocks of 16 hex characters.
inline constexpr std::size_t kConfigWertMaxHex = 192;
inline constexpr std::size_t kConfigWertMaxKlar = kConfigWertMaxHex / 2;

// Looks up the first record in file order whose section equals `section`, or
// whose key equals `key`, or whose number equals `number`, and leaves its
// number, section, key and deciphered value in Config_Ergebnis(). A missing
// file, one that is not a regular file or is larger than kConfigMaxBytes, or
// no matching record leaves all results empty; `datei` tells which.
//
// Records that are not in the format (a header or entry line with fewer than
// two ";") never match. A value is deciphered only when the entry line ends
// with a line end and the value is a whole number of blocks of at most
// kConfigWertMaxHex characters; otherwise the found value is empty.
void Config_Read(const char* section, const char* key, int32_t number, const char* path);
// The same lookup by key alone: section and number of a record do not count,
// so that a logon record with an empty section or number 0 cannot answer for
// a run setting.
void Config_Read_Schluessel(const char* key, const char* path);
const ConfigErgebnis& Config_Ergebnis();
// The reason of a file state in the words of the run log.
const char* Config_Datei_Grund(ConfigDatei d);

// Turns count/2 character pairs into bytes: 'A'..'F' count 10..15, every
// other character c counts c - 48; the byte is high * 16 + low, modulo 256.
void Hex_Decode(const char* hex, std::size_t count, unsigned char* out);

// Deciphers the hex text with the key text into `out`, which must hold
// strlen(hex) / 2 + 1 bytes, and ends it with a zero byte after the last
// block. Only whole 16-character blocks are deciphered; characters of an
// incomplete last block are ignored. The cipher state is wiped afterwards.
// Always reports success.
bool Wert_Entschluesseln(const char* hex, char* out, const char* key);

// Inverse for writing a configuration file: enciphers the plain text with the
// program's key, zero-padded to whole blocks, as upper-case hex text. An
// empty plain text gives an empty value.
std::string Wert_Verschluesseln(std::string_view plain);

// Reads every run setting from the file (base/Laufeinstellungen.hpp). A
// missing record gives the default; a record whose value is none of the
// words gives the default too and is noted as unusable (the caller logs it).
void Laufeinstellungen_Lesen(const char* pfad, Laufeinstellungen& e);
