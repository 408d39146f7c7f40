#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "run/Blowfish.hpp"
#include "run/Config.hpp"
#include "base/Laufeinstellungen.hpp"
#include "support/Program.hpp"

namespace {

namespace fs = std::filesystem;

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/dorvelian_cfg_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    std::string WriteFile(const std::string& content, const std::string& name = "cfg.ini") {
        const std::string path = Path(name);
        std::ofstream out(path, std::ios::binary);
        out << content;
        return path;
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // One record as the tool writes it: non-empty section, given number.
    static std::string Rec(const std::string& section, const std::string& number,
                           const std::string& key, const std::string& plain,
                           const char* eol = "\n") {
        return "hdr;" + section + ";" + eol + number + ";" + key + ";" + Wert_Verschluesseln(plain) +
               eol;
    }

    // The lookup the program makes: empty section, number 0.
    static std::string Lookup(const char* key, const std::string& path) {
        Config_Read("", key, 0, path.c_str());
        return Config_Ergebnis().wert.str();
    }

    std::string dir_;
};

TEST_F(ConfigFileTest, RoundTripThroughTheProgramsLookup) {
    const std::string longest(96, 'p');
    const std::string path = WriteFile(Rec("db", "1", "NET8", "ORCLPROD") +   // one full block
                                       Rec("db", "2", "SCHEMA", "PLAN01.") +  // padded block
                                       Rec("db", "3", "LOGIN", "planner99") +  // 9 characters
                                       Rec("db", "4", "PASS", longest));
    EXPECT_EQ(Lookup("NET8", path), "ORCLPROD");
    EXPECT_EQ(Config_Ergebnis().nummer, 1);
    EXPECT_EQ(Config_Ergebnis().sektion.str(), "db");
    EXPECT_EQ(Config_Ergebnis().schluessel.str(), "NET8");
    EXPECT_EQ(Lookup("SCHEMA", path), "PLAN01.");
    EXPECT_EQ(Lookup("LOGIN", path), "planner99");
    EXPECT_EQ(Lookup("PASS", path), longest);
    EXPECT_EQ(Config_Ergebnis().nummer, 4);

    EXPECT_EQ(Wert_Verschluesseln("ORCLPROD").size(), 16u);
    EXPECT_EQ(Wert_Verschluesseln("planner99").size(), 32u);
    EXPECT_EQ(Wert_Verschluesseln(longest).size(), 192u);
    EXPECT_EQ(Wert_Verschluesseln(""), "");
}

// Each 4-byte half of a stored block is little-endian: the textbook block
// function sees the bytes of each half reversed.
TEST_F(ConfigFileTest, StoredBlocksUseLittleEndianHalves) {
    const unsigned char key[] = {'K', 'O', 'R', 'V', 'A', 'N', 'T'};
    const unsigned char plain[8] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
    auto word = [](const unsigned char* p, bool little) {
        return little ? (uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0])
                      : (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]);
    };
    auto hex = [](uint32_t l, uint32_t r, bool little) {
        char buf[17];
        if (little) {
            l = __builtin_bswap32(l);
            r = __builtin_bswap32(r);
        }
        std::snprintf(buf, sizeof buf, "%08X%08X", l, r);
        return std::string(buf);
    };
    Blowfish_Init(key, sizeof key);
    uint32_t l = word(plain, true), r = word(plain + 4, true);
    Blowfish_Encrypt(l, r);
    const std::string expected = hex(l, r, true);
    l = word(plain, false);
    r = word(plain + 4, false);
    Blowfish_Encrypt(l, r);
    const std::string textbook = hex(l, r, false);
    Blowfish_Wipe();

    EXPECT_EQ(Wert_Verschluesseln("ABCDEFGH"), expected);
    EXPECT_NE(expected, textbook);
}

// A record matches by an empty section or number 0 (any key), by its
// section alone or its number alone (leading blanks and sign taken, trailing
// text cut), else by its key; texts compare exactly. nullptr and -1 mark
// the result fields a row does not check.
TEST_F(ConfigFileTest, LookupsBySectionNumberOrKey) {
    const std::string pw = Rec("db", "4", "PASS", "pw");
    const std::string vier = Rec("alpha", "5", "K1", "one") + Rec("beta", " +7", "K2", "two") +
                             Rec("gamma", "-3", "K3", "three") + Rec("delta", "12abc", "K4", "four");
    const struct {
        std::string records;
        const char* section;
        const char* key;
        int32_t number;
        const char* wert;
        const char* sektion;
        const char* schluessel;
        int32_t nummer;
    } faelle[] = {
        {Rec("", "1", "NET8", "svc") + pw, "", "PASS", 0, "svc", nullptr, nullptr, -1},
        {Rec("db", "0", "NET8", "svc") + pw, "", "PASS", 0, "svc", nullptr, nullptr, -1},
        {Rec("db", "x1", "NET8", "svc") + pw, "", "PASS", 0, "svc", nullptr, "NET8", 0},
        // With non-empty sections and non-zero numbers only the key decides.
        {Rec("db", "1", "NET8", "svc") + pw, "", "PASS", 0, "pw", nullptr, nullptr, -1},
        {vier, "beta", "none", 99, "two", nullptr, nullptr, -1},
        {vier, "none", "none", 7, "two", nullptr, nullptr, -1},
        {vier, "none", "none", -3, "three", nullptr, nullptr, -1},
        {vier, "none", "none", 12, "four", "delta", nullptr, -1},
        {vier, "ALPHA", "k1", 99, "", nullptr, "", 0},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(std::string(f.section) + "/" + f.key + "/" + std::to_string(f.number) + " in " + f.records);
        Config_Read(f.section, f.key, f.number, WriteFile(f.records).c_str());
        EXPECT_EQ(Config_Ergebnis().wert.str(), f.wert);
        if (f.sektion) { EXPECT_EQ(Config_Ergebnis().sektion.str(), f.sektion); }
        if (f.schluessel) { EXPECT_EQ(Config_Ergebnis().schluessel.str(), f.schluessel); }
        if (f.nummer >= 0) { EXPECT_EQ(Config_Ergebnis().nummer, f.nummer); }
    }
}

TEST_F(ConfigFileTest, FirstMatchingRecordWins) {
    const std::string path =
        WriteFile(Rec("db", "1", "NET8", "first") + Rec("db", "2", "NET8", "second"));
    EXPECT_EQ(Lookup("NET8", path), "first");
    EXPECT_EQ(Config_Ergebnis().nummer, 1);
}

TEST_F(ConfigFileTest, MissingFileAndUnknownKeyLeaveEmptyResults) {
    const std::string path = WriteFile(Rec("db", "1", "NET8", "svc"));
    EXPECT_EQ(Lookup("NET8", path), "svc");
    EXPECT_EQ(Lookup("NET8", Path("absent.ini")), "");
    EXPECT_TRUE(Config_Ergebnis().schluessel.empty());
    EXPECT_TRUE(Config_Ergebnis().sektion.empty());
    EXPECT_EQ(Lookup("NET8", path), "svc");
    EXPECT_EQ(Lookup("LOGIN", path), "");
    EXPECT_TRUE(Config_Ergebnis().schluessel.empty());
    EXPECT_EQ(Config_Ergebnis().nummer, 0);
}

TEST_F(ConfigFileTest, LineEndsAndTheLastLine) {
    // CR LF line ends read as plain line ends.
    const std::string crlf = WriteFile(Rec("db", "1", "NET8", "svc", "\r\n") +
                                       Rec("db", "2", "PASS", "secret", "\r\n"), "crlf.ini");
    EXPECT_EQ(Lookup("NET8", crlf), "svc");
    EXPECT_EQ(Lookup("PASS", crlf), "secret");
    EXPECT_EQ(Config_Ergebnis().schluessel.str(), "PASS");

    // An odd line count: the last line is never read as an entry.
    const std::string odd = WriteFile(Rec("db", "1", "NET8", "svc") + "2;LOGIN;" +
                                      Wert_Verschluesseln("user") + "\n", "odd.ini");
    EXPECT_EQ(Lookup("NET8", odd), "svc");
    EXPECT_EQ(Lookup("LOGIN", odd), "");
    EXPECT_TRUE(Config_Ergebnis().schluessel.empty());

    // An entry without line end is found but has no value.
    std::string cut = Rec("db", "1", "NET8", "svc");
    cut.pop_back();
    const std::string cutPath = WriteFile(cut, "cut.ini");
    EXPECT_EQ(Lookup("NET8", cutPath), "");
    EXPECT_EQ(Config_Ergebnis().schluessel.str(), "NET8");

    // An empty stored value deciphers to an empty text.
    EXPECT_EQ(Lookup("NET8", WriteFile("hdr;db;\n1;NET8;\n", "empty.ini")), "");
    EXPECT_EQ(Config_Ergebnis().nummer, 1);
    EXPECT_EQ(Config_Ergebnis().schluessel.str(), "NET8");
}

TEST_F(ConfigFileTest, OverlongLinesAreReadInPiecesAndShiftThePairing) {
    // 198 characters before the line end still fit the header buffer.
    const std::string header198 = "hdr;db;" + std::string(191, 'x');
    ASSERT_EQ(header198.size(), 198u);
    const std::string entry = "1;NET8;" + Wert_Verschluesseln("svc") + "\n";
    EXPECT_EQ(Lookup("NET8", WriteFile(header198 + "\n" + entry, "fits.ini")), "svc");

    // One more character and the line end becomes an empty entry line of its
    // own; the NET8 line turns into a header and pairs with the next line.
    const std::string header199 = header198 + "x";
    const std::string shifted =
        WriteFile(header199 + "\n" + entry + "hdr;t;\n2;LOGIN;" + Wert_Verschluesseln("u") + "\n",
                  "shift.ini");
    EXPECT_EQ(Lookup("NET8", shifted), "");
    // The header line "hdr;t;" was read as an entry: number 0, key "t".
    EXPECT_EQ(Config_Ergebnis().schluessel.str(), "t");
    EXPECT_EQ(Config_Ergebnis().sektion.str(), "NET8");

    // An entry longer than 398 characters: its first piece has no line end
    // and no value, the rest becomes the next header.
    const std::string longEntry = "1;NET8;" + std::string(420, 'A') + "\n";
    const std::string longPath = WriteFile("hdr;db;\n" + longEntry + entry, "longentry.ini");
    EXPECT_EQ(Lookup("NET8", longPath), "");
    EXPECT_EQ(Config_Ergebnis().schluessel.str(), "NET8");
    EXPECT_EQ(Config_Ergebnis().nummer, 1);
}

TEST_F(ConfigFileTest, MalformedRecordsNeverMatch) {
    // Each of these would match the program's lookup if it were read as a
    // record with an empty section or number 0.
    const std::string path = WriteFile(std::string("[dorvelian]\n0;NET8;") + Wert_Verschluesseln("bad1") +
                                       "\n" + "only;one\n0;NET8;" + Wert_Verschluesseln("bad2") + "\n" +
                                       "hdr;db;\n0;NET8\n" + "hdr;db;\ngarbage\n" + "\n\n" +
                                       Rec("db", "1", "NET8", "good"));
    EXPECT_EQ(Lookup("NET8", path), "good");
    EXPECT_EQ(Config_Ergebnis().nummer, 1);
}

TEST_F(ConfigFileTest, StoredValueLengthRules) {
    const std::string block3 = Wert_Verschluesseln("0123456789ABCDEFxyz");  // 48 hex
    // Not a whole number of blocks: no value.
    EXPECT_EQ(Lookup("NET8", WriteFile("hdr;db;\n1;NET8;" + block3.substr(0, 40) + "\n", "a.ini")), "");
    EXPECT_EQ(Config_Ergebnis().schluessel.str(), "NET8");
    EXPECT_EQ(Lookup("NET8", WriteFile("hdr;db;\n1;NET8;" + block3 + "0\n", "b.ini")), "");
    // 13 blocks exceed the value buffer: no value rather than a cut-off one.
    const std::string plain104(104, 'q');
    EXPECT_EQ(Lookup("NET8", WriteFile(Rec("db", "1", "NET8", plain104), "c.ini")), "");
    EXPECT_EQ(Lookup("NET8", WriteFile(Rec("db", "1", "NET8", plain104.substr(0, 96)), "d.ini")),
              plain104.substr(0, 96));
}

TEST_F(ConfigFileTest, LowerCaseAndNonHexCharactersDecipherToOtherBytes) {
    std::string lower = Wert_Verschluesseln("password");
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ASSERT_NE(lower, Wert_Verschluesseln("password"));  // there is a letter to lower
    const std::string got = Lookup("PASS", WriteFile("hdr;db;\n1;PASS;" + lower + "\n", "l.ini"));
    EXPECT_NE(got, "password");
    EXPECT_LE(got.size(), 8u);
    EXPECT_EQ(Config_Ergebnis().schluessel.str(), "PASS");

    const std::string junk = Lookup("PASS", WriteFile("hdr;db;\n1;PASS;Zz#~ !GHIJKL\xff\x80xq\n", "j.ini"));
    EXPECT_LE(junk.size(), 8u);
    EXPECT_EQ(Config_Ergebnis().schluessel.str(), "PASS");
}

TEST(HexDecode, DigitsUpperCaseAndOtherCharacters) {
    unsigned char out[4] = {0, 0, 0, 0};
    Hex_Decode("00FF9A7e", 8, out);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(out[1], 0xFF);
    EXPECT_EQ(out[2], 0x9A);
    EXPECT_EQ(out[3], (7 * 16 + ('e' - 48)) % 256);
    unsigned char one[2] = {0x55, 0x55};
    Hex_Decode("0aFf", 4, one);
    EXPECT_EQ(one[0], 49);  // 'a' counts 97 - 48
    EXPECT_EQ(one[1], (15 * 16 + 54) % 256);
}

TEST(WertEntschluesseln, DecipherOnlyWholeBlocksAndWipeTheState) {
    const std::string plain = "abcdefghijklmnop";  // two blocks, no padding
    const std::string hex = Wert_Verschluesseln(plain) + "0123456789";
    char out[32];
    std::memset(out, 'Z', sizeof out);
    EXPECT_TRUE(Wert_Entschluesseln(hex.c_str(), out, "KORVANT"));
    EXPECT_EQ(std::string(out), plain);
    EXPECT_EQ(out[hex.size() / 2 + 1], 'Z');  // nothing written past the contract
    EXPECT_TRUE(Blowfish_IsWiped());

    char other[32];
    Wert_Entschluesseln(Wert_Verschluesseln(plain).c_str(), other, "KORVANS");
    EXPECT_NE(std::string(other, 16), plain);
}

TEST_F(ConfigFileTest, CipherStateIsWipedAfterALookup) {
    EXPECT_EQ(Lookup("NET8", WriteFile(Rec("db", "1", "NET8", "svc"))), "svc");
    EXPECT_TRUE(Blowfish_IsWiped());
    Wert_Verschluesseln("x");
    EXPECT_TRUE(Blowfish_IsWiped());
}

// ---- the companion tool ----------------------------------------------------

class ConfigToolTest : public ConfigFileTest {
protected:
    void SetUp() override {
        ConfigFileTest::SetUp();
#ifdef DORVELIAN_BIN_DIR
        tool_ = std::string(DORVELIAN_BIN_DIR) + "/dorvelian-config";
#endif
        if (tool_.empty() || !fs::exists(tool_)) GTEST_SKIP() << "dorvelian-config not built";
    }

    // Runs the tool with the arguments and the given standard input; keeps
    // its output in out_ and err_.
    int Run(const std::vector<std::string>& args, const std::string& input = "") {
        testdb::Outcome o = testdb::runProgram({.program = tool_, .args = args, .input = input});
        out_ = std::move(o.out);
        err_ = std::move(o.err);
        return o.code;
    }

    // The file, the three logon items as options, then `more`.
    static std::vector<std::string> Items(const std::string& file, const std::string& service,
                                          const std::string& schema, const std::string& login,
                                          std::vector<std::string> more = {}) {
        more.insert(more.begin(), {file, "--service", service, "--schema", schema, "--login", login});
        return more;
    }

    std::string tool_;
    std::string out_, err_;
};

TEST_F(ConfigToolTest, WritesAFileTheProgramReadsBack) {
    const std::string file = Path("dorvelian.cfg");
    ASSERT_EQ(Run(Items(file, "ORCL", "PLAN01", "planer", {"--password-stdin"}),
                  "Geheim-42\n"),
              0)
        << err_;
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(out_.find("Geheim-42"), std::string::npos);
    EXPECT_EQ(err_.find("Geheim-42"), std::string::npos);

    EXPECT_EQ(Lookup("NET8", file), "ORCL");
    const std::string schema = Lookup("SCHEMA", file);
    ASSERT_FALSE(schema.empty());
    EXPECT_EQ(schema.substr(0, schema.size() - 1), "PLAN01");  // the run drops the last character
    EXPECT_EQ(Lookup("LOGIN", file), "planer");
    EXPECT_EQ(Lookup("PASS", file), "Geheim-42");
    // Every record answers only for its own key.
    EXPECT_NE(Config_Ergebnis().nummer, 0);
    EXPECT_FALSE(Config_Ergebnis().sektion.empty());
    EXPECT_EQ(ReadFile(file).find("Geheim"), std::string::npos);

    // The password may also come as an argument; CR LF on stdin is cut off.
    ASSERT_EQ(Run(Items(file, "ORCL", "PLAN01", "planer", {"--password", "p@ss/w2"})), 0) << err_;
    EXPECT_EQ(Lookup("PASS", file), "p@ss/w2");
    ASSERT_EQ(Run(Items(file, "ORCL", "PLAN01", "planer", {"--password-stdin"}), "pw3\r\n"),
              0);
    EXPECT_EQ(Lookup("PASS", file), "pw3");
}

TEST_F(ConfigToolTest, UpdateKeepsOtherRecordsAndReplacesTheFourKeys) {
    const std::string file = WriteFile(Rec("old", "9", "NET8", "OLDSVC") + Rec("other", "7", "EXTRA", "keep") +
                                       Rec("old", "8", "PASS", "oldpw") + "trailing line\n",
                                       "upd.cfg");
    ASSERT_EQ(Run(Items(file, "NEWSVC", "S2", "u2", {"--password-stdin"}), "newpw"), 0)
        << err_;
    EXPECT_EQ(Lookup("NET8", file), "NEWSVC");
    EXPECT_EQ(Lookup("PASS", file), "newpw");
    EXPECT_EQ(Lookup("EXTRA", file), "keep");
    const std::string text = ReadFile(file);
    std::size_t count = 0;
    for (std::size_t p = text.find(";NET8;"); p != std::string::npos; p = text.find(";NET8;", p + 1)) ++count;
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(text.find("old;"), std::string::npos);
    EXPECT_NE(text.find("trailing line\n"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ConfigToolTest, RefusesValuesTheProgramCannotUse) {
    const std::string file = Path("refused.cfg");
    const std::vector<std::string> cases[] = {
        Items(file, "ORCL", "S", "", {"--password", "p"}),                           // empty login
        Items(file, "ORCL", "S", "u", {"--password", ""}),                           // empty password
        Items(file, "ORCL", "", "u", {"--password", "p"}),                           // empty schema
        Items(file, "ORCL", std::string(21, 'S'), "u", {"--password", "p"}),         // schema too long
        Items(file, "ORCL", "S", "u", {"--password", std::string(97, 'p')}),         // over 12 blocks
        Items(file, std::string(18, 's'), "S", std::string(40, 'u'),
              {"--password", std::string(40, 'p')}),                                 // logon text of 100
        Items(file, "ORCL", "S", "u/x", {"--password", "p"}),                        // breaks the logon text
        Items(file, "db@host", "S", "u", {"--password", "p"}),                       // so does this
        Items(file, "ORCL", "S", "u", {"--password-stdin", "--password", "p"}),      // two passwords
        Items(file, "ORCL", "S", "u"),                                               // no password
    };
    for (const std::vector<std::string>& args : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        EXPECT_EQ(Run(args), 2);
        EXPECT_FALSE(err_.empty());
        EXPECT_FALSE(fs::exists(file));
    }
    EXPECT_EQ(Run(Items(file, "ORCL", "S", "u", {"--password-stdin"}), ""), 2);
    // At the limits the values are taken.
    EXPECT_EQ(Run(Items(file, std::string(17, 's'), std::string(20, 'S'), std::string(40, 'u'),
                        {"--password", std::string(40, 'p')})),
              0)
        << err_;
    const std::string schema = Lookup("SCHEMA", file);
    EXPECT_EQ(schema.size(), 21u);
}

TEST_F(ConfigToolTest, FilesOthersCanReadOrWriteAreReportedAndReplacedPrivate) {
    const std::string file = Path("open.cfg");
    const std::vector<std::string> items = Items(file, "ORCL", "PLAN01", "planer", {"--password-stdin"});
    ASSERT_EQ(Run(items, "first"), 0) << err_;
    EXPECT_EQ(err_, "");
    EXPECT_EQ(Run({"--show", file}), 0);
    EXPECT_EQ(err_, "");  // a private file is not reported

    for (mode_t mode : {0644, 0640, 0602, 0660}) {
        ASSERT_EQ(chmod(file.c_str(), mode), 0);
        // The program's reader takes such a file as before, silently.
        EXPECT_EQ(Lookup("LOGIN", file), "planer") << std::oct << mode;

        EXPECT_EQ(Run({"--show", file}), 0) << std::oct << mode;
        EXPECT_NE(err_.find("warning"), std::string::npos) << std::oct << mode << ": " << err_;
        EXPECT_NE(err_.find(file), std::string::npos) << err_;
        EXPECT_EQ(out_, "NET8=ORCL\nSCHEMA=PLAN01\nLOGIN=planer\nPASS=********\n" "RULE-CHECK=after-move (default)\nPERSON-CHOICE=first (default)\nMINIMUM-PASS=off (default)\n");
        struct stat st {};
        ASSERT_EQ(stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, mode) << "--show changes nothing";

        ASSERT_EQ(Run(items, "second"), 0) << err_;
        EXPECT_NE(err_.find("warning"), std::string::npos) << std::oct << mode << ": " << err_;
        EXPECT_EQ(err_.find("second"), std::string::npos);
        ASSERT_EQ(stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << std::oct << mode;
        EXPECT_EQ(Lookup("PASS", file), "second");
    }
}

TEST_F(ConfigToolTest, ShowPrintsTheItemsWithTheProgramsRulesAndMasksThePassword) {
    const std::string file = Path("show.cfg");
    ASSERT_EQ(Run(Items(file, "ORCL", "PLAN01", "planer", {"--password-stdin"}), "TopSecret"), 0);
    EXPECT_EQ(Run({"--show", file}), 0) << err_;
    EXPECT_EQ(out_, "NET8=ORCL\nSCHEMA=PLAN01\nLOGIN=planer\nPASS=********\n" "RULE-CHECK=after-move (default)\nPERSON-CHOICE=first (default)\nMINIMUM-PASS=off (default)\n");
    EXPECT_EQ(err_.find("TopSecret"), std::string::npos);

    EXPECT_EQ(Run({"--show", Path("absent.cfg")}), 1);
    EXPECT_EQ(out_, "NET8=\nSCHEMA=\nLOGIN=\nPASS=\n" "RULE-CHECK=after-move (default)\nPERSON-CHOICE=first (default)\nMINIMUM-PASS=off (default)\n");
    EXPECT_FALSE(err_.empty());
}

}  // namespace

namespace {

// The run settings as the program reads them: by key alone, the default
// without a record, and an unusable value noted and taken as the default.
TEST_F(ConfigFileTest, RunSettingsAreReadByKeyWithDefaults) {
    const std::string logon = Rec("db", "1", "NET8", "svc") + Rec("db", "4", "PASS", "pw");
    struct Fall {
        const char* was;
        std::string datei;
        int regel, person;
        EinstellungsQuelle quelleRegel, quellePerson;
    } faelle[] = {
        {"older file", logon, kNachUmzug, kErste, EinstellungsQuelle::Vorgabe, EinstellungsQuelle::Vorgabe},
        {"both", logon + Rec("db", "5", "RULE-CHECK", "as-before") + Rec("db", "6", "PERSON-CHOICE", "first-fitting"),
         kWieFrueher, kErstePassende, EinstellungsQuelle::Datei, EinstellungsQuelle::Datei},
        // A logon record with an empty section or number 0 answers for any
        // key in the logon lookup, but not for a setting.
        {"catch-all records", Rec("", "0", "NET8", "as-before") + Rec("db", "6", "PERSON-CHOICE", "first"), kNachUmzug,
         kErste, EinstellungsQuelle::Vorgabe, EinstellungsQuelle::Datei},
        {"unusable", logon + Rec("db", "5", "RULE-CHECK", "As-Before"), kNachUmzug, kErste,
         EinstellungsQuelle::Unbrauchbar, EinstellungsQuelle::Vorgabe},
        {"first record wins", Rec("db", "5", "RULE-CHECK", "as-before") + Rec("db", "5", "RULE-CHECK", "after-move"),
         kWieFrueher, kErste, EinstellungsQuelle::Datei, EinstellungsQuelle::Vorgabe},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Laufeinstellungen e;
        e.wahl[0] = e.wahl[1] = 7;  // every field is set by the reading
        Laufeinstellungen_Lesen(WriteFile(f.datei).c_str(), e);
        EXPECT_EQ(e.wahl[static_cast<int>(Einstellung::Regelpruefung)], f.regel);
        EXPECT_EQ(e.wahl[static_cast<int>(Einstellung::Personenwahl)], f.person);
        EXPECT_EQ(e.quelle[static_cast<int>(Einstellung::Regelpruefung)], f.quelleRegel);
        EXPECT_EQ(e.quelle[static_cast<int>(Einstellung::Personenwahl)], f.quellePerson);
        EXPECT_TRUE(Config_Ergebnis().wert.empty());  // nothing of the file stays behind
    }
}

// Settings written alone keep the logon, a later logon keeps the settings,
// --show prints them, and a word that is none of the setting's is refused.
TEST_F(ConfigToolTest, RunSettingsAreWrittenAloneOrWithTheLogonAndShown) {
    const std::string file = Path("settings.cfg");
    const std::vector<std::string> logon = Items(file, "ORCL", "PLAN01", "planer", {"--password", "pw"});
    const std::string items = "NET8=ORCL\nSCHEMA=PLAN01\nLOGIN=planer\nPASS=********\n";
    ASSERT_EQ(Run(logon), 0) << err_;
    struct Schritt {
        std::vector<std::string> args;
        int rc;
        std::string show;
    } schritte[] = {
        {{file, "--rule-check", "as-before"}, 0,
         items + "RULE-CHECK=as-before\nPERSON-CHOICE=first (default)\nMINIMUM-PASS=off (default)\n"},
        {{file, "--person-choice=first-fitting"}, 0, items + "RULE-CHECK=as-before\nPERSON-CHOICE=first-fitting\nMINIMUM-PASS=off (default)\n"},
        {logon, 0, items + "RULE-CHECK=as-before\nPERSON-CHOICE=first-fitting\nMINIMUM-PASS=off (default)\n"},
        {{file, "--rule-check", "after-move", "--person-choice", "first"}, 0,
         items + "RULE-CHECK=after-move\nPERSON-CHOICE=first\nMINIMUM-PASS=off (default)\n"},
        {{file, "--rule-check", "before"}, 2, items + "RULE-CHECK=after-move\nPERSON-CHOICE=first\nMINIMUM-PASS=off (default)\n"},
        {{file, "--rule-check", "as-before", "--login", "x"}, 2, items + "RULE-CHECK=after-move\nPERSON-CHOICE=first\nMINIMUM-PASS=off (default)\n"},
        {{file, "--minimum-pass", "on", "--person-choice", "fitting-only"}, 0,
         items + "RULE-CHECK=after-move\nPERSON-CHOICE=fitting-only\nMINIMUM-PASS=on\n"},
        {{file, "--minimum-pass", "yes"}, 2, items + "RULE-CHECK=after-move\nPERSON-CHOICE=fitting-only\nMINIMUM-PASS=on\n"},
        {{file, "--minimum-pass=off"}, 0, items + "RULE-CHECK=after-move\nPERSON-CHOICE=fitting-only\nMINIMUM-PASS=off\n"},
    };
    for (const Schritt& s : schritte) {
        SCOPED_TRACE(testing::PrintToString(s.args));
        EXPECT_EQ(Run(s.args), s.rc) << err_;
        EXPECT_EQ(Run({"--show", file}), 0) << err_;
        EXPECT_EQ(out_, s.show);
    }
    EXPECT_EQ(Lookup("PASS", file), "pw");

    // A record the program cannot use: --show says so and fails.
    std::ofstream(Path("other.cfg")) << "hdr;dorvelian;\n6;PERSON-CHOICE;" + Wert_Verschluesseln("best") + "\n";
    EXPECT_EQ(Run({"--show", Path("other.cfg")}), 1);
    EXPECT_NE(out_.find("PERSON-CHOICE=first (default)\n"), std::string::npos) << out_;
    EXPECT_NE(err_.find("PERSON-CHOICE"), std::string::npos) << err_;
}

}  // namespace
