// The run summary: counters of the run and the file they are written to.
#include "base/Laufbilanz.hpp"

#include <time.h>

#include <cstdio>
#include <map>

namespace {
struct Bilanz {
    timespec start{};
    timespec cpuStart{};
    bool gestartet = false;
    uint64_t plangruppen = 0;
    uint64_t vorschlaege = 0;
    uint64_t mindestvorschlaege = 0;
    long long nsScans = 0;
    long long nsMindest = 0;
    std::map<int32_t, uint64_t> fehlersaetze;  // error number -> rows written
    uint64_t fehlerzeilen = 0;
} g_bilanz;

long long millisekunden(const timespec& t) {
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}
}  // namespace

void Laufbilanz_Start() {
    // Wall and processor time are both taken from here, so that they cover
    // the same span (the loader's and sanitizers' start-up work stays out).
    clock_gettime(CLOCK_MONOTONIC, &g_bilanz.start);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &g_bilanz.cpuStart);
    g_bilanz.gestartet = true;
}

void Laufbilanz_Plangruppe() { ++g_bilanz.plangruppen; }
void Laufbilanz_Vorschlag() { ++g_bilanz.vorschlaege; }
void Laufbilanz_Mindestvorschlag() { ++g_bilanz.mindestvorschlaege; }

long long Laufbilanz_Marke() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

void Laufbilanz_Zeit(Laufteil teil, long long marke) {
    (teil == Laufteil::Scans ? g_bilanz.nsScans : g_bilanz.nsMindest) += Laufbilanz_Marke() - marke;
}

void Laufbilanz_Fehlersatz(int32_t fehlerNr) { ++g_bilanz.fehlersaetze[fehlerNr]; }
void Laufbilanz_Fehlerzeile() { ++g_bilanz.fehlerzeilen; }

bool Laufbilanz_Schreiben(const char* pfad, uint64_t statements, uint64_t fetches, uint64_t roundtrips) {
    timespec jetzt{};
    timespec cpu{};
    clock_gettime(CLOCK_MONOTONIC, &jetzt);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const long long wand = g_bilanz.gestartet ? millisekunden(jetzt) - millisekunden(g_bilanz.start) : 0;
    const long long prozessor = millisekunden(cpu) - (g_bilanz.gestartet ? millisekunden(g_bilanz.cpuStart) : 0);

    std::FILE* f = std::fopen(pfad, "w");
    if (!f) return false;
    uint64_t fehlersaetze = 0;
    for (const auto& [nr, n] : g_bilanz.fehlersaetze) fehlersaetze += n;
    std::fprintf(f, "statements %llu\nfetches %llu\n", static_cast<unsigned long long>(statements),
                 static_cast<unsigned long long>(fetches));
    // Exchanges with a database server that the run waited for (a batch sent
    // together is one; none on the embedded database).
    std::fprintf(f, "roundtrips %llu\n", static_cast<unsigned long long>(roundtrips));
    std::fprintf(f, "plangroups %llu\nproposals %llu\nerror_rows %llu\n",
                 static_cast<unsigned long long>(g_bilanz.plangruppen),
                 static_cast<unsigned long long>(g_bilanz.vorschlaege),
                 static_cast<unsigned long long>(fehlersaetze));
    for (const auto& [nr, n] : g_bilanz.fehlersaetze)
        std::fprintf(f, "error_rows_%ld %llu\n", static_cast<long>(nr), static_cast<unsigned long long>(n));
    std::fprintf(f, "failure_lines %llu\nwall_ms %lld\ncpu_ms %lld\n",
                 static_cast<unsigned long long>(g_bilanz.fehlerzeilen), wand, prozessor);
    std::fprintf(f, "proposals_minimum_pass %llu\ncpu_ms_scans %lld\ncpu_ms_minimum_pass %lld\n",
                 static_cast<unsigned long long>(g_bilanz.mindestvorschlaege), g_bilanz.nsScans / 1000000,
                 g_bilanz.nsMindest / 1000000);
    return std::fclose(f) == 0;
}
