#include "run/Config.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "run/Blowfish.hpp"

namespace {

// Built into the program: every stored value is enciphered with this key.
constexpr char kCipherKey[] = "KORVANT";

ConfigErgebnis g_ergebnis;

void ClearResults() {
    g_ergebnis.datei = ConfigDatei::Gelesen;
    g_ergebnis.fehlerNummer = 0;
    g_ergebnis.nummer = 0;
    g_ergebnis.sektion.clear();
    g_ergebnis.schluessel.clear();
    g_ergebnis.wert.clear();
}

// The open configuration file with the bytes it may still yield: a reader
// that reaches the bound sees an end of file and notes that it was cut.
struct Leser {
    std::FILE* f = nullptr;
    std::size_t rest = kConfigMaxBytes;
    bool abgeschnitten = false;

    int get() {
        if (rest == 0) {
            if (std::getc(f) != EOF) abgeschnitten = true;
            return EOF;
        }
        int c = std::getc(f);
        if (c != EOF) --rest;
        return c;
    }
    void unget(int c) {
        std::ungetc(c, f);
        ++rest;
    }
};

// Reads one line piece into buf (capacity cap, terminator included): at most
// cap-1 characters, where the line end counts as one character and a CR
// directly before the LF belongs to it. The line end is not stored; lineEnd
// tells whether the piece reached it. Returns false at end of file when
// nothing was read.
bool ReadPiece(Leser& in, char* buf, std::size_t cap, bool& lineEnd) {
    std::size_t n = 0;
    lineEnd = false;
    bool any = false;
    while (n + 1 < cap) {
        int c = in.get();
        if (c == EOF) break;
        any = true;
        if (c == '\r') {
            int next = in.get();
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                in.unget(next);
            }
        }
        if (c == '\n') {
            lineEnd = true;
            break;
        }
        buf[n++] = static_cast<char>(c);
    }
    buf[n] = '\0';
    return any;
}

// Opens the configuration file when it is a regular file of at most
// kConfigMaxBytes. A FIFO is opened without waiting for a writer, and then
// refused like a device or a directory. Notes why in the results.
std::FILE* DateiOeffnen(const char* path) {
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        g_ergebnis.datei = ConfigDatei::NichtZuOeffnen;
        g_ergebnis.fehlerNummer = errno;
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        g_ergebnis.datei = ConfigDatei::Lesefehler;
        g_ergebnis.fehlerNummer = errno;
    } else if (!S_ISREG(st.st_mode)) {
        g_ergebnis.datei = ConfigDatei::KeineRegulaereDatei;
    } else if (st.st_size > static_cast<off_t>(kConfigMaxBytes)) {
        g_ergebnis.datei = ConfigDatei::ZuGross;
    } else if (std::FILE* f = ::fdopen(fd, "r")) {
        return f;
    } else {
        g_ergebnis.datei = ConfigDatei::Lesefehler;
        g_ergebnis.fehlerNummer = errno;
    }
    ::close(fd);
    return nullptr;
}

// Splits "a;b;rest" at its first two semicolons. The text ends at the first
// zero byte. Returns false when there are fewer than two.
bool SplitFields(const char* line, std::string_view& first, std::string_view& second,
                 std::string_view& rest) {
    std::string_view s(line);
    std::size_t a = s.find(';');
    if (a == std::string_view::npos) return false;
    std::size_t b = s.find(';', a + 1);
    if (b == std::string_view::npos) return false;
    first = s.substr(0, a);
    second = s.substr(a + 1, b - a - 1);
    rest = s.substr(b + 1);
    return true;
}

// Decimal reading as the runtime's atol does it: leading white space, an
// optional sign, digits up to the first non-digit; no digits give 0. Values
// beyond the 32-bit range are held at its limits.
int32_t ParseNumber(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return static_cast<int32_t>(value);
}

uint32_t LoadLittleEndian(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void StoreLittleEndian(uint32_t w, unsigned char* p) {
    p[0] = static_cast<unsigned char>(w);
    p[1] = static_cast<unsigned char>(w >> 8);
    p[2] = static_cast<unsigned char>(w >> 16);
    p[3] = static_cast<unsigned char>(w >> 24);
}

int HexDigitValue(char c) {
    int v = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'F') ? v - 55 : v - 48;
}

}  // namespace

const ConfigErgebnis& Config_Ergebnis() { return g_ergebnis; }

void Hex_Decode(const char* hex, std::size_t count, unsigned char* out) {
    for (std::size_t i = 0; i + 1 < count; i += 2) {
        int byte = HexDigitValue(hex[i]) * 16 + HexDigitValue(hex[i + 1]);
        out[i / 2] = static_cast<unsigned char>(byte & 0xFF);
    }
}

bool Wert_Entschluesseln(const char* hex, char* out, const char* key) {
    const std::size_t keyLength = std::strlen(key);
    Blowfish_Init(reinterpret_cast<const unsigned char*>(key), keyLength);

    const std::size_t blocks = std::strlen(hex) / 16;
    unsigned char block[8];
    for (std::size_t b = 0; b < blocks; ++b) {
        Hex_Decode(hex + b * 16, 16, block);
        uint32_t left = LoadLittleEndian(block);
        uint32_t right = LoadLittleEndian(block + 4);
        Blowfish_Decrypt(left, right);
        StoreLittleEndian(left, block);
        StoreLittleEndian(right, block + 4);
        std::memcpy(out + b * 8, block, 8);
    }
    out[blocks * 8] = '\0';

    std::memset(block, 0, sizeof block);
    Blowfish_Wipe();
    return true;
}

std::string Wert_Verschluesseln(std::string_view plain) {
    static const char kDigits[] = "0123456789ABCDEF";
    Blowfish_Init(reinterpret_cast<const unsigned char*>(kCipherKey), sizeof kCipherKey - 1);

    std::string hex;
    const std::size_t blocks = (plain.size() + 7) / 8;
    hex.reserve(blocks * 16);
    unsigned char block[8];
    for (std::size_t b = 0; b < blocks; ++b) {
        std::memset(block, 0, sizeof block);
        std::size_t take = plain.size() - b * 8;
        if (take > 8) take = 8;
        std::memcpy(block, plain.data() + b * 8, take);
        uint32_t left = LoadLittleEndian(block);
        uint32_t right = LoadLittleEndian(block + 4);
        Blowfish_Encrypt(left, right);
        StoreLittleEndian(left, block);
        StoreLittleEndian(right, block + 4);
        for (unsigned char c : block) {
            hex.push_back(kDigits[c >> 4]);
            hex.push_back(kDigits[c & 0x0F]);
        }
    }

    std::memset(block, 0, sizeof block);
    Blowfish_Wipe();
    return hex;
}

namespace {

// The scan of Config_Read and Config_Read_Schluessel: the first record in
// file order that `passt` accepts fills the results.
template <typename Passt>
void Config_Suchen(const char* path, Passt passt) {
    ClearResults();
    Leser in;
    in.f = DateiOeffnen(path ? path : "");
    if (in.f == nullptr) return;

    char header[kConfigKopfPuffer];
    char entry[kConfigEintragPuffer];
    for (;;) {
        bool headerEnd = false;
        bool entryEnd = false;
        if (!ReadPiece(in, header, sizeof header, headerEnd)) break;
        if (!ReadPiece(in, entry, sizeof entry, entryEnd)) break;

        std::string_view headFirst, recSection, headRest;
        std::string_view numberText, recKey, hexValue;
        if (!SplitFields(header, headFirst, recSection, headRest)) continue;
        if (!SplitFields(entry, numberText, recKey, hexValue)) continue;
        const int32_t recNumber = ParseNumber(numberText);

        if (!passt(recSection, recKey, recNumber)) continue;

        g_ergebnis.nummer = recNumber;
        g_ergebnis.sektion.assign(recSection);
        g_ergebnis.schluessel.assign(recKey);
        // Without its line end the entry is the last, cut-off line of the
        // file or the first piece of an over-long line: no value.
        if (entryEnd && hexValue.size() <= kConfigWertMaxHex && hexValue.size() % 16 == 0) {
            char hexText[kConfigWertMaxHex + 1];
            std::memcpy(hexText, hexValue.data(), hexValue.size());
            hexText[hexValue.size()] = '\0';
            char plain[kConfigWertMaxKlar + 1];
            Wert_Entschluesseln(hexText, plain, kCipherKey);
            g_ergebnis.wert.assign(plain);
            std::memset(plain, 0, sizeof plain);
        }
        break;
    }
    const bool lesefehler = std::ferror(in.f) != 0;
    std::fclose(in.f);
    // A file that grew past the bound while it was read, or could not be
    // read to its end, reads as empty, as if it could not be opened.
    if (in.abgeschnitten || lesefehler) {
        ClearResults();
        g_ergebnis.datei = in.abgeschnitten ? ConfigDatei::ZuGross : ConfigDatei::Lesefehler;
    }
}

}  // namespace

void Config_Read(const char* section, const char* key, int32_t number, const char* path) {
    const std::string_view wantSection(section ? section : "");
    const std::string_view wantKey(key ? key : "");
    Config_Suchen(path, [&](std::string_view recSection, std::string_view recKey, int32_t recNumber) {
        return recSection == wantSection || recKey == wantKey || recNumber == number;
    });
}

void Config_Read_Schluessel(const char* key, const char* path) {
    const std::string_view wantKey(key ? key : "");
    Config_Suchen(path, [&](std::string_view, std::string_view recKey, int32_t) { return recKey == wantKey; });
}

const char* Config_Datei_Grund(ConfigDatei d) {
    switch (d) {
        case ConfigDatei::Gelesen: return "gelesen";
        case ConfigDatei::NichtZuOeffnen: return "nicht zu oeffnen";
        case ConfigDatei::KeineRegulaereDatei: return "keine regulaere Datei";
        case ConfigDatei::ZuGross: return "groesser als 1048576 Bytes";
        case ConfigDatei::Lesefehler: return "Lesefehler";
    }
    return "";
}
