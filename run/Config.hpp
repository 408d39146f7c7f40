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

// ---- the records of the file (run/ConfigEintraege.cpp) ---------------------
//
// The four logon items are the records 1 to 4, the run settings the records
// from 5 on (base/Laufeinstellungen). The program reads them, and
// dorvelian-config, dorvelian-report and the demo write or read them, only
// through the names and limits below.

// The header line of every record the tools write.
inline constexpr char kConfigKopfzeile[] = "[dorvelian];dorvelian;";

enum class Anmeldung : int { Dienst = 0, Schema, Login, Passwort, Anzahl };  // NET8, SCHEMA, LOGIN, PASS
inline constexpr int kAnmeldungen = static_cast<int>(Anmeldung::Anzahl);
struct AnmeldeArt {
    const char* schluessel;    // key of the record
    int32_t nummer;            // number of the record
    std::size_t genommenMax;   // longest deciphered value the run takes
};
// {"NET8",1,199} {"SCHEMA",2,21} {"LOGIN",3,199} {"PASS",4,199}
const AnmeldeArt& Anmeldung_Art(Anmeldung a);

inline constexpr std::size_t kAnmeldungMax = 199;         // longest item the run takes whole
inline constexpr std::size_t kSchemaGespeichertMax = 21;  // longest stored schema; the run drops its last character
inline constexpr std::size_t kSchemaMax = 20;             // longest schema the tools accept (the schema buffer)
inline constexpr char kSchemaFueller = '.';               // the stored schema's last character
// The logon text "login/password@service" and the schema statement must
// each fit in 99 characters.
inline constexpr std::size_t kAnmeldeTextMax = 99;

// The item as the run takes it from a deciphered value: "" when empty or
// longer than its genommenMax; the schema without its last character.
std::string_view Anmeldung_Genommen(Anmeldung a, std::string_view wert);

// What the run logs on with: the four items as taken, in the widths of the
// logon, and the first lookup that could not read the file.
struct Anmeldedaten {
    FixText<200> dienst;
    FixText<21> schema;
    FixText<200> login;
    FixText<200> passwort;   // the caller wipes it (clear()) after the logon
    ConfigDatei datei = ConfigDatei::Gelesen;
    int fehlerNummer = 0;
};
// Reads the four items, one lookup by key each (empty section, number 0).
void Anmeldung_Lesen(const char* pfad, Anmeldedaten& a);

// One record: the header line, then "number;key;enciphered value", each
// ended by a line end.
std::string Config_Satz(int32_t nummer, const char* schluessel, std::string_view klartext);
// The four logon records in the order 1 to 4; the schema is stored with its
// filler character.
std::string Anmeldung_Saetze(std::string_view dienst, std::string_view schema, std::string_view login,
                             std::string_view passwort);

// Reads every run setting from the file (base/Laufeinstellungen.hpp). A
// missing record gives the default; a record whose value is none of the
// words gives the default too and is noted as unusable (the caller logs it).
void Laufeinstellungen_Lesen(const char* pfad, Laufeinstellungen& e);
