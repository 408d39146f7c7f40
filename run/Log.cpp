#include "run/Log.hpp"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <ctime>

namespace {
std::string g_logPfad;
std::string g_bakPfad;
std::FILE* g_log = nullptr;  // open only during one Log_Write

std::string pfadAufPlattform(std::string p) {
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

long dateiGroesse(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    return std::ftell(f);
}

// Moves the full log to the backup path and opens a fresh log. The results
// of remove and rename are not checked: a missing backup is normal, and a
// failed rename leaves the large file, to which the line is then appended.
std::FILE* rotieren(std::FILE* f) {
    std::fclose(f);
    std::remove(g_bakPfad.c_str());
    std::rename(g_logPfad.c_str(), g_bakPfad.c_str());
    return std::fopen(g_logPfad.c_str(), "a");
}
}  // namespace

void Log_Pfade_Setzen(const char* schema) {
    char log[128];
    char bak[100];
    std::snprintf(log, sizeof log, "..\\zentravis_php\\log\\dorvelian_%s.log", schema);
    std::snprintf(bak, sizeof bak, "..\\zentravis_php\\log\\dorvelian_%s.bak", schema);
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
    std::FILE* f = std::fopen(g_logPfad.c_str(), "a");
    if (!f) return nullptr;
    if (dateiGroesse(f) > kLogRotationBytes) f = rotieren(f);
    return f;
}

void Log_Write(const char* meldung) {
    g_log = Log_Open();
    if (!g_log) return;

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

    // Another process may have grown the file since it was opened.
    if (dateiGroesse(g_log) > kLogRotationBytes) {
        g_log = rotieren(g_log);
        if (!g_log) return;
    }
    std::fwrite(zeile, 1, laenge, g_log);
    std::fclose(g_log);
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
