#include "base/Log.hpp"

#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>

#include "base/Laufbilanz.hpp"

namespace {
std::string g_logPfad;
std::string g_bakPfad;
std::FILE* g_log = nullptr;  // open only during one Log_Write
unsigned long g_meldungen = 0;  // messages handed to Log_Write, written or lost

std::string pfadAufPlattform(std::string p) {
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

long dateiGroesse(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    return std::ftell(f);
}

// Several processes of the same schema append to one log. Each holds an
// exclusive lock on the open file from the size check to the close, so that
// only one of them moves a full log to the backup. A process that waited for
// the lock may then hold the file that was just renamed: it is the log only
// while the log path still names the same file.
bool istNochDasLog(std::FILE* f) {
    struct stat offen {};
    struct stat pfad {};
    if (::fstat(fileno(f), &offen) != 0) return true;  // cannot tell: take it
    if (::stat(g_logPfad.c_str(), &pfad) != 0) return false;
    return offen.st_dev == pfad.st_dev && offen.st_ino == pfad.st_ino;
}

void sperren(std::FILE* f) {
    // Without a lock (a file system that has none) the line is still written.
    while (::flock(fileno(f), LOCK_EX) != 0 && errno == EINTR) {
    }
}

// Opens the log path for appending and locks it; retries while another
// process renames the file between the open and the lock.
std::FILE* oeffnenUndSperren() {
    for (int versuch = 0; versuch < 8; ++versuch) {
        std::FILE* f = std::fopen(g_logPfad.c_str(), "a");
        if (!f) return nullptr;
        sperren(f);
        if (istNochDasLog(f)) return f;
        std::fclose(f);
    }
    // The file keeps being replaced: append to whatever the path names now.
    return std::fopen(g_logPfad.c_str(), "a");
}

// Moves the full log to the backup path and opens a fresh log. A missing
// backup is normal, and a failed rename leaves the large file, to which the
// line is then appended (the next line tries again). The old file stays open
// and locked until the fresh one is open, so that no other process rotates
// it a second time.
std::FILE* rotieren(std::FILE* f) {
    std::remove(g_bakPfad.c_str());
    if (std::rename(g_logPfad.c_str(), g_bakPfad.c_str()) != 0) return f;
    std::FILE* neu = oeffnenUndSperren();
    std::fclose(f);
    return neu;
}

// The schema part of the log's file name. A schema the database accepts
// (letters, digits, "_", "$", "#") stands as it is, and so do blanks; every
// other byte becomes "_", so that no schema text ("/", "\\", "..") can lead
// the log out of its folder. Such a schema never logs on; its refusal is
// logged under the cleaned name.
std::string schemaImDateinamen(const char* schema) {
    std::string s(schema ? schema : "");
    for (char& c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool erlaubt = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
                             c == '_' || c == '$' || c == '#' || c == ' ';
        if (!erlaubt) c = '_';
    }
    return s;
}
}  // namespace

void Log_Pfade_Setzen(const char* schema) {
    const std::string name = schemaImDateinamen(schema);
    char log[128];
    char bak[100];
    std::snprintf(log, sizeof log, "..\\zentravis_php\\log\\dorvelian_%s.log", name.c_str());
    std::snprintf(bak, sizeof bak, "..\\zentravis_php\\log\\dorvelian_%s.bak", name.c_str());
    g_logPfad = pfadAufPlattform(log);
    g_bakPfad = pfadAufPlattform(bak);
}

void Log_Pfade_Setzen(const std::string& logPfad, const std::string& bakPfad) {
    g_logPfad = pfadAufPlattform(logPfad);
    g_bakPfad = pfadAufPlattform(bakPfad);
}

const std::string& Log_Pfad() { return g_logPfad; }
const std::string& Log_BakPfad() { return g_bakPfad; }

std::FILE* Log_Open() {
    std::FILE* f = oeffnenUndSperren();
    if (!f) return nullptr;
    if (dateiGroesse(f) > kLogRotationBytes) f = rotieren(f);
    return f;
}

namespace {
// A line the log could not take goes to standard error, so that a scheduler
// that keeps the program's output still has it; standard output stays quiet.
void aufStderr(const char* zeile, std::size_t laenge) {
    std::fwrite(zeile, 1, laenge, stderr);
    std::fflush(stderr);
}
}  // namespace

unsigned long Log_Meldungen() { return g_meldungen; }

void Log_Write(const char* meldung) {
    ++g_meldungen;
    char zeit[32];
    std::time_t jetzt = std::time(nullptr);
    std::tm lokal{};
    localtime_r(&jetzt, &lokal);
    std::strftime(zeit, sizeof zeit, "%Y-%m-%d %H:%M:%S", &lokal);

    // The line is composed in 2500 bytes: time, two blanks, message, line end.
    char zeile[2500];
    std::snprintf(zeile, sizeof zeile, "%s  %s\n", zeit, meldung ? meldung : "");
    std::size_t laenge = std::strlen(zeile);
    if (laenge == sizeof zeile - 1 && zeile[laenge - 1] != '\n') zeile[laenge - 1] = '\n';
    if (meldung && std::strncmp(meldung, "-Fehler", 7) == 0) Laufbilanz_Fehlerzeile();

    g_log = Log_Open();
    if (!g_log) {
        aufStderr(zeile, laenge);
        return;
    }
    // Under the lock nobody else grows the file; this only catches a log
    // that could not be locked.
    if (dateiGroesse(g_log) > kLogRotationBytes) {
        g_log = rotieren(g_log);
        if (!g_log) {
            aufStderr(zeile, laenge);
            return;
        }
    }
    // One line is one write: the stream's buffer is larger than the line.
    std::fwrite(zeile, 1, laenge, g_log);
    std::fclose(g_log);  // also releases the lock
    g_log = nullptr;
}

void Log_Printf(const char* format, ...) {
    // Large enough for the longest message of the program with its values.
    char meldung[2500];
    va_list args;
    va_start(args, format);
    std::vsnprintf(meldung, sizeof meldung, format, args);
    va_end(args);
    Log_Write(meldung);
}
