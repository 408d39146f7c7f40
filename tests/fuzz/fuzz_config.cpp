// Fuzz target: the configuration reader with its decipher.
//
// The first input byte chooses what the rest is:
//   even: a whole configuration file, looked up the way the program and the
//         companion tool do;
//   odd:  a plain text that is enciphered, written as a record between
//         other records, and must read back unchanged.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "run/Blowfish.hpp"
#include "run/Config.hpp"
#include "base/Laufeinstellungen.hpp"

namespace {

const std::string& tempPath() {
    static const std::string path = [] {
        char tmpl[] = "/tmp/dorvelian-fuzz-cfg-XXXXXX";
        int fd = mkstemp(tmpl);
        if (fd < 0) std::abort();
        close(fd);
        return std::string(tmpl);
    }();
    return path;
}

void removeTempFile() { std::remove(tempPath().c_str()); }

void writeFile(const std::string& content) {
    std::FILE* f = std::fopen(tempPath().c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
}

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "wrong result: %s\n", what);
        std::abort();
    }
}

// Invariants of every lookup, whatever the file holds.
void checkLookup(std::string_view file) {
    const ConfigErgebnis& e = Config_Ergebnis();
    require(Blowfish_IsWiped(), "cipher state left after a lookup");
    require(e.sektion.size() <= 200 && e.schluessel.size() <= 200, "field over its capacity");
    require(e.wert.size() <= kConfigWertMaxKlar, "value longer than 12 blocks give");
    // Section and key are cut from the file, so they stand in it.
    if (!e.schluessel.empty())
        require(file.find(e.schluessel.view()) != std::string_view::npos, "key not from the file");
    if (!e.sektion.empty())
        require(file.find(e.sektion.view()) != std::string_view::npos, "section not from the file");
}

void fuzzFile(std::string_view data) {
    const std::string file(data);
    writeFile(file);
    for (const char* key : {"NET8", "SCHEMA", "LOGIN", "PASS"}) {
        Config_Read("", key, 0, tempPath().c_str());
        checkLookup(file);
        // The key asked for matches only itself, an empty section or number 0.
        const ConfigErgebnis& e = Config_Ergebnis();
        if (!e.schluessel.empty() && !e.sektion.empty() && e.nummer != 0)
            require(e.schluessel == std::string_view(key), "record matched on nothing");
    }
    // A run setting is found by its key alone, and reads as one of its words.
    for (int i = 0; i < kEinstellungen; ++i) {
        const char* key = Einstellung_Art(i).schluessel;
        Config_Read_Schluessel(key, tempPath().c_str());
        checkLookup(file);
        if (!Config_Ergebnis().schluessel.empty())
            require(Config_Ergebnis().schluessel == std::string_view(key), "setting matched on another key");
    }
    Laufeinstellungen einst;
    Laufeinstellungen_Lesen(tempPath().c_str(), einst);
    for (int i = 0; i < kEinstellungen; ++i) {
        int n = 0;
        while (Einstellung_Art(i).worte[n] != nullptr) ++n;
        require(einst.wahl[i] >= 0 && einst.wahl[i] < n, "setting outside its words");
        require(einst.quelle[i] == EinstellungsQuelle::Unbrauchbar || einst.unbrauchbar[i].empty(),
                "a value noted as unusable for a usable setting");
    }
    require(Config_Ergebnis().wert.empty(), "a setting's value left in the results");
    // A lookup that only the number can satisfy.
    Config_Read("\x01no section", "\x01no key", 7, tempPath().c_str());
    checkLookup(file);
    const ConfigErgebnis& e = Config_Ergebnis();
    if (!e.schluessel.empty() && !(e.sektion == "\x01no section") && !(e.schluessel == "\x01no key"))
        require(e.nummer == 7, "number did not match");
}

void fuzzRoundTrip(std::string_view data) {
    // Plain text up to the first line end or zero byte, at most 12 blocks.
    std::string plain;
    for (char c : data) {
        if (c == '\0' || c == '\n' || c == '\r' || plain.size() == kConfigWertMaxKlar) break;
        plain.push_back(c);
    }
    const std::string hex = Wert_Verschluesseln(plain);
    require(hex.size() % 16 == 0 && hex.size() == (plain.size() + 7) / 8 * 16, "cipher text length");
    for (char c : hex) require((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'), "not upper-case hex");
    require(Blowfish_IsWiped(), "cipher state left after enciphering");

    char out[kConfigWertMaxHex / 2 + 1];
    Wert_Entschluesseln(hex.c_str(), out, "KORVANT");
    require(std::string(out) == plain, "deciphered text differs from the enciphered one");

    // Between a record of another key and one with the same key that comes
    // later, the first matching record in file order wins.
    const std::string file = "hdr;other;\n5;EXTRA;" + Wert_Verschluesseln("zzz") + "\n" + "hdr;db;\n1;PASS;" +
                             hex + "\r\n" + "hdr;db;\n2;PASS;" + Wert_Verschluesseln("second") + "\n";
    writeFile(file);
    Config_Read("", "PASS", 0, tempPath().c_str());
    checkLookup(file);
    require(Config_Ergebnis().wert == std::string_view(plain), "value read back differs");
    require(Config_Ergebnis().nummer == 1, "wrong record");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The path is made before the handler is registered, so that it is
    // still there when the handler runs at exit.
    static const bool cleanUp = !tempPath().empty() && std::atexit(removeTempFile) == 0;
    (void)cleanUp;
    if (size == 0) return 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) fuzzRoundTrip(rest);
    else fuzzFile(rest);
    return 0;
}
