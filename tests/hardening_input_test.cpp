// What the program takes from outside, when it is not what it should be: a
// configuration path naming a device, a FIFO, a directory or an endless
// file; texts from the command line with characters of several bytes; a
// schema name that reads like a path.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "run/Config.hpp"
#include "base/Log.hpp"
#include "run/Main.hpp"
#include "base/Utf8.hpp"
#include "support/DemoCopies.hpp"
#include "support/TestDb.hpp"
#include "support/Workspace.hpp"

namespace {

namespace fs = std::filesystem;
using testdb::TestDb;
using testdb::Workspace;

const std::vector<std::string> kParameter = testdb::RunLine{.plg = "P1"}.args();

// ---- the configuration reader ------------------------------------------------

class ConfigSource : public ::testing::Test {
protected:
    std::string dir = testdb::makeTempDir();
    void TearDown() override { testdb::removeTree(dir); }

    std::string lookup(const std::string& path, const std::string& key = "LOGIN") {
        Config_Read("", key.c_str(), 0, path.c_str());
        return Config_Ergebnis().wert.str();
    }
};

TEST_F(ConfigSource, OnlyARegularFileWithinTheBoundIsRead) {
    const std::string records = Config_Satz(1, "NET8", "svc") + Config_Satz(3, "LOGIN", "planer");
    // At the bound: read. One byte more (a record that would match is at the
    // start): read as empty.
    std::string text = records;
    text.resize(kConfigMaxBytes, '#');
    std::ofstream(dir + "/bound.cfg", std::ios::binary) << text;
    EXPECT_EQ(lookup(dir + "/bound.cfg"), "planer");
    EXPECT_EQ(Config_Ergebnis().datei, ConfigDatei::Gelesen);
    std::ofstream(dir + "/bound.cfg", std::ios::app | std::ios::binary) << "#";
    EXPECT_EQ(lookup(dir + "/bound.cfg"), "");
    EXPECT_EQ(Config_Ergebnis().datei, ConfigDatei::ZuGross);
    EXPECT_EQ(Config_Ergebnis().schluessel.str(), "");

    EXPECT_EQ(lookup(dir + "/absent.cfg"), "");
    EXPECT_EQ(Config_Ergebnis().datei, ConfigDatei::NichtZuOeffnen);
    EXPECT_EQ(Config_Ergebnis().fehlerNummer, ENOENT);

    EXPECT_EQ(lookup(dir), "");
    EXPECT_EQ(Config_Ergebnis().datei, ConfigDatei::KeineRegulaereDatei);

    // A symbolic link to a regular file is that file.
    std::ofstream(dir + "/real.cfg", std::ios::binary) << records;
    ASSERT_EQ(symlink((dir + "/real.cfg").c_str(), (dir + "/link.cfg").c_str()), 0);
    EXPECT_EQ(lookup(dir + "/link.cfg"), "planer");
}

TEST_F(ConfigSource, DeviceAndFifoReadAsEmptyAtOnce) {
    // Each of these would block or never end for a reader of lines: a FIFO
    // without writer blocks the open, /dev/zero is a line without end.
    const std::string fifo = dir + "/cfg.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        Config_Read("", "LOGIN", 0, "/dev/zero");
        bool ok = Config_Ergebnis().wert.empty() && Config_Ergebnis().datei == ConfigDatei::KeineRegulaereDatei;
        Config_Read("", "LOGIN", 0, fifo.c_str());
        ok = ok && Config_Ergebnis().wert.empty() && Config_Ergebnis().datei == ConfigDatei::KeineRegulaereDatei;
        _exit(ok ? 0 : 1);
    }
    EXPECT_EQ(testdb::waitProgram(pid, 20), 0) << "the reader must end, and refuse both";
}

// ---- the program with such a configuration ------------------------------------

// The run ends, the start line is followed by the line that names the file
// and by the refused logon; nothing of the file's content is logged.
void expectUnreadableConfigLogged(Workspace& w, const std::string& grund) {
    const int pid = w.start(kParameter);
    ASSERT_EQ(testdb::waitProgram(pid, 30), 0) << grund;
    const auto log = w.logMessages("");
    ASSERT_EQ(log.size(), 3u) << grund;
    EXPECT_EQ(log[0], "*** Programmstart Dorvelian ***");
    EXPECT_EQ(log[1], "-Fehler: Main()->Config_Read() Konfigurationsdatei nicht lesbar! DATEI: " + w.configPath() +
                          " (" + grund + ")");
    EXPECT_EQ(log[2].rfind("-Fehler: Main()->dbConnect() Fehlerhafter Connect mit der DB! RC: -", 0), 0u) << log[2];
}

TEST(UnreadableConfig, DevZeroFifoDirectoryMissingAndOversizedFileEndTheRunWithOneLine) {
    {
        Workspace w;
        ASSERT_EQ(symlink("/dev/zero", w.configPath().c_str()), 0);
        expectUnreadableConfigLogged(w, "keine regulaere Datei");
    }
    {
        Workspace w;
        ASSERT_EQ(mkfifo(w.configPath().c_str(), 0600), 0);
        expectUnreadableConfigLogged(w, "keine regulaere Datei");
    }
    {
        Workspace w;
        fs::create_directory(w.configPath());
        expectUnreadableConfigLogged(w, "keine regulaere Datei");
    }
    {
        Workspace w;
        expectUnreadableConfigLogged(w, "nicht zu oeffnen: " + std::string(std::strerror(ENOENT)));
    }
    {
        Workspace w;
        // Usable records, then more than the bound: not a configuration file.
        w.writeConfig("sqlite:/no/such/dir", "PLAN", "u", "secret-pw");
        std::ofstream(w.configPath(), std::ios::app | std::ios::binary) << std::string(kConfigMaxBytes, '\n');
        expectUnreadableConfigLogged(w, "groesser als 1048576 Bytes");
    }
    {
        // A readable file is not reported, whatever it lacks.
        Workspace w;
        std::ofstream(w.configPath()) << "no records\n";
        ASSERT_EQ(testdb::waitProgram(w.start(kParameter), 30), 0);
        const auto log = w.logMessages("");
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[1].rfind("-Fehler: Main()->dbConnect()", 0), 0u) << log[1];
    }
}

// ---- texts from the command line --------------------------------------------

TEST(WholeCharacters, CutAtTheLastWholeUtf8CharacterWithinTheWidth) {
    struct Fall {
        std::string text;
        std::size_t breite, erwartet;
    } faelle[] = {
        {"abc", 5, 3},
        {"abcdef", 5, 5},
        {"abcd\xC3\xBC", 5, 4},          // u-umlaut split after its first byte
        {"abcd\xC3\xBC", 6, 6},          // fits
        {"abc\xE2\x82\xAC", 4, 3},       // euro sign: one of three bytes
        {"abc\xE2\x82\xAC", 5, 3},       // two of three
        {"abc\xE2\x82\xAC" "d", 6, 6},   // whole
        {"a\xF0\x9F\x98\x80", 4, 1},     // four-byte character, three taken
        {"a\xF0\x9F\x98\x80", 2, 1},
        // Bytes that are not UTF-8 are cut where a byte cut cuts them.
        {"abcd\xFC\xFC", 5, 5},          // Latin-1
        {"abcd\x80\x80", 5, 5},          // continuation bytes without lead
        {"abc\xC3\xBC\x80", 5, 5},       // a whole character, then a stray byte
        {"abcd\xC3\x28", 5, 5},          // lead byte without its continuation
        {"abcd\xE0\x80\x80", 5, 5},      // overlong form
        {"abcd\xED\xA0\x80", 6, 6},      // surrogate
        {"\xC3\xBC", 1, 0},
        {"", 3, 0},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(Utf8_Schnitt(f.text, f.breite), f.erwartet) << testing::PrintToString(f.text) << " " << f.breite;
}

TEST(WholeCharacters, ParametersKeepWholeCharacters) {
    // User 50, job stamp 14, job key 32, plan group, unit, workplace 5 bytes.
    std::string usr = "J\xC3\xB6rg" + std::string(44, 'a') + "\xC3\x9F";  // 51 bytes, the last character split at 50
    std::string jbd = "1234567890123\xC3\xA4";                             // 15 bytes
    std::string jbk = std::string(30, 'k') + "\xE2\x82\xAC";               // 33 bytes
    std::string plg = "PG\xC3\xA4\xC3\xB6";                               // 6 bytes
    std::string latin1 = std::string(13, 'x') + "\xE4\xE4";                // Latin-1: the first \xE4 needs 2 bytes
    const char* argv[] = {"dorvelian", "cfg",  usr.c_str(), "00000000", "00000000", "PLG",
                          jbd.c_str(), jbk.c_str(), plg.c_str(), "00000", "00000", "PLAN_OPTIM"};
    Laufkontext lk;
    Parameter_Uebernehmen(12, const_cast<char**>(argv), lk);
    EXPECT_EQ(lk.Usr.str(), "J\xC3\xB6rg" + std::string(44, 'a'));
    EXPECT_EQ(lk.Jbd.str(), "1234567890123");
    EXPECT_EQ(lk.Jbk.str(), std::string(30, 'k'));
    EXPECT_EQ(lk.Plg.str(), "PG\xC3\xA4");
    // Texts that are not UTF-8 are read as Latin-1, then cut as UTF-8 is.
    argv[2] = "m\xFCller x";
    argv[6] = latin1.c_str();
    argv[7] = "\xC3\xBC\xFC";  // UTF-8 u-umlaut, then a Latin-1 one: the whole text is Latin-1
    argv[8] = "P\xC4G";
    Parameter_Uebernehmen(12, const_cast<char**>(argv), lk);
    EXPECT_EQ(lk.Usr.str(), "m\xC3\xBCller");
    EXPECT_EQ(lk.Jbd.str(), std::string(13, 'x'));
    EXPECT_EQ(lk.Jbk.str(), "\xC3\x83\xC2\xBC\xC3\xBC");
    EXPECT_EQ(lk.Plg.str(), "P\xC3\x84G");
}

TEST(WholeCharacters, TextThatIsNotUtf8IsReadAsLatin1) {
    struct Fall {
        std::string text, utf8;
    } faelle[] = {
        {"abc", "abc"},
        {"\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80"},  // UTF-8 stays
        {"\x80\xA0\xFF", "\xC2\x80\xC2\xA0\xC3\xBF"},
        {"ab\xC3", "ab\xC3\x83"},                           // a character cut short
        {"\xE0\x80\x80", "\xC3\xA0\xC2\x80\xC2\x80"},            // overlong form
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},            // surrogate
        {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},  // past U+10FFFF
    };
    for (const Fall& f : faelle) {
        EXPECT_EQ(Utf8_Aus_Latin1(f.text), f.utf8) << testing::PrintToString(f.text);
        EXPECT_EQ(Utf8_Gueltig(f.text), f.text == f.utf8) << testing::PrintToString(f.text);
    }
}

TESTDB_BOTH_BACKENDS(NonAsciiParameters);

TEST_P(NonAsciiParameters, UserJobStampAndKeyAreStoredWhole) {
    TestDb t(backend(), testdb::Layout::Newer, false);
    t.fillCalendar(5, 30);
    t.exec("INSERT INTO Dvm701Plg (PlgPlg, PlgKal, PlgHzt, PlgUsr, PlgFts, PlgOpl) VALUES ('P1', 'K1', 1, 'alt', 3, 1)");
    t.exec("INSERT INTO Dvm725Bsm (BsmBdt, BsmEso, BsmEsa, BsmSzv, BsmSzb, BsmBsz, BsmSol, BsmMin, BsmMax, BsmIst, "
           "BsmPlg, BsmAsw) VALUES (" + testdb::jd(testdb::today()) + ", 'E1', 'A1', 360, 840, 'F', 2, 1, 3, 0, 'P1', 1)");
    Workspace w;
    w.writeConfig(t.service(), t.schema(), t.login(), t.password());
    const std::string usr = "J\xC3\xB6rg" + std::string(44, 'a') + "\xC3\x9F";
    const std::string jbd = "Lauf-\xC3\xA4\xC3\xB6\xC3\xBC-1\xE2\x82\xAC";  // 16 bytes, the euro sign split at 14
    const std::string jbk = std::string(29, 'k') + "\xF0\x9F\x98\x80";     // 33 bytes
    auto p = kParameter;
    p[0] = usr;
    p[4] = jbd;
    p[5] = jbk;
    ASSERT_EQ(w.run(p), 0);
    const auto log = w.logMessages("PLAN");
    ASSERT_EQ(log.size(), 2u) << "no failure line: the start mark took the user, the error row all three";
    EXPECT_EQ(log[1], "*** Programmende Dorvelian ***");
    const auto rows = t.rows("SELECT ErrErf, ErrJbd, ErrJbk FROM Dvm746Err WHERE ErrPlg='P1' AND ErrFnr=1601");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "J\xC3\xB6rg" + std::string(44, 'a'));
    EXPECT_EQ(rows[0][1], "Lauf-\xC3\xA4\xC3\xB6\xC3\xBC-1");
    EXPECT_EQ(rows[0][2], std::string(29, 'k'));
}

TEST_P(NonAsciiParameters, Latin1FromTheSchedulerIsStoredAsUtf8) {
    testdb::DemoCopies plans(backend(), "--days 3");
    ASSERT_TRUE(plans.ok());
    const std::string service = plans.copy("latin");
    ASSERT_FALSE(service.empty());
    Workspace w;
    w.writeConfig(service, "PLAN", plans.login(), plans.password());
    ASSERT_EQ(w.run(testdb::RunLine{.user = "m\xFCller", .job = "J\xE4" "B", .key = "K\xF6Y"}.args()), 0);
    for (const std::string& zeile : w.logMessages("PLAN")) EXPECT_NE(zeile.rfind("-Fehler", 0), 0u) << zeile;
    testdb::PlanRows db(backend(), service);
    EXPECT_EQ(db.rows("SELECT DISTINCT ErrErf, ErrJbd, ErrJbk FROM Dvm746Err"),
              std::vector<std::string>{"m\xC3\xBCller|J\xC3\xA4" "B|K\xC3\xB6Y"});
    // Every optimised plan group got its start mark (its begin of work) and
    // had the in-work mark cleared again.
    EXPECT_EQ(db.scalar("SELECT count(*) FROM Dvm701Plg WHERE PlgOpl > 0 AND PlgBeg IS NULL"), "0");
    EXPECT_NE(db.scalar("SELECT count(*) FROM Dvm701Plg WHERE PlgOpl > 0"), "0");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM Dvm701Plg WHERE PlgUsr IS NOT NULL AND PlgUsr <> ''"), "0");
}

// ---- the schema in the log path ---------------------------------------------

TEST(LogPath, SchemaCannotLeadTheLogOutOfItsFolder) {
    Log_Pfade_Setzen("PLAN_1$#");
    EXPECT_EQ(Log_Pfad(), "../zentravis_php/log/dorvelian_PLAN_1$#.log");
    EXPECT_EQ(Log_BakPfad(), "../zentravis_php/log/dorvelian_PLAN_1$#.bak");
    Log_Pfade_Setzen("x/../..\\ESC");
    EXPECT_EQ(Log_Pfad(), "../zentravis_php/log/dorvelian_x_______ESC.log");
    EXPECT_EQ(Log_BakPfad(), "../zentravis_php/log/dorvelian_x_______ESC.bak");

    struct Fall {
        std::string schema, datei;
    } faelle[] = {{"x/../../../ESC", "dorvelian_x__________ESC.log"}, {"..", "dorvelian___.log"}, {"/", "dorvelian__.log"}};
    for (const Fall& f : faelle) {
        Workspace w;
        // Folders that would let a path built from the raw schema resolve.
        fs::create_directories(w.logDir() + "/dorvelian_x");
        fs::create_directories(w.logDir() + "/dorvelian_");
        w.writeConfig("sqlite:" + w.root(), f.schema, "u", "p");
        ASSERT_EQ(w.run(kParameter), 0);
        const auto log = testdb::logMessages(w.logDir() + "/" + f.datei);
        ASSERT_EQ(log.size(), 2u) << f.schema;
        EXPECT_EQ(log[1], "-Fehler: Main()->dbConnect() Fehlerhafter Connect mit der DB! RC: -911") << f.schema;
        // Nothing else was written anywhere in the tree.
        std::vector<std::string> dateien;
        for (const auto& e : fs::recursive_directory_iterator(w.root()))
            if (e.is_regular_file()) dateien.push_back(e.path().lexically_relative(w.root()).string());
        std::sort(dateien.begin(), dateien.end());
        EXPECT_EQ(dateien, (std::vector<std::string>{"work/dorvelian.cfg", "zentravis_php/log/" + f.datei})) << f.schema;
    }
}

}  // namespace
