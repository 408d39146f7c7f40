#include "run/Main.hpp"

#include <unistd.h>

#include <cstring>
#include <ctime>
#include <string>

#include "db/Connect.hpp"
#include "db/Err.hpp"
#include "db/Plg.hpp"
#include "optim/Scan.hpp"
#include "run/Config.hpp"
#include "run/Einsatzplan.hpp"
#include "base/Laufbilanz.hpp"
#include "base/Log.hpp"
#include "base/Zufall.hpp"

namespace {
Dvm746Err g_fehlersatz;

// The first lookup that could not read the configuration file, kept until
// the run log is set up: the file is read four times, the failure is logged
// once.
struct Konfigurationsfehler {
    ConfigDatei datei = ConfigDatei::Gelesen;
    int fehlerNummer = 0;
} g_konfigurationsfehler;

// Takes a deciphered configuration value when it is not empty and has at
// most maxLaenge characters; the schema drops its last character.
template <std::size_t N>
void konfigurationsWert(FixText<N>& ziel, const char* schluessel, const char* pfad, std::size_t maxLaenge,
                        bool letztesZeichenWeg) {
    ziel.clear();
    Config_Read("", schluessel, 0, pfad);
    if (Config_Ergebnis().datei != ConfigDatei::Gelesen && g_konfigurationsfehler.datei == ConfigDatei::Gelesen) {
        g_konfigurationsfehler.datei = Config_Ergebnis().datei;
        g_konfigurationsfehler.fehlerNummer = Config_Ergebnis().fehlerNummer;
    }
    const FixText<201>& wert = Config_Ergebnis().wert;
    std::size_t n = wert.size();
    if (n < 1 || n > maxLaenge) return;
    ziel.assignPrefix(wert.view(), letztesZeichenWeg ? n - 1 : n);
}

// The one line for a configuration file that could not be read. It names the
// file (control characters shown as "?", so that the path cannot forge log
// lines) and why, never anything of its contents.
void konfigurationsfehlerMelden(const char* pfad) {
    if (g_konfigurationsfehler.datei == ConfigDatei::Gelesen) return;
    std::string datei(pfad);
    for (char& c : datei)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    std::string grund = Config_Datei_Grund(g_konfigurationsfehler.datei);
    if (g_konfigurationsfehler.fehlerNummer != 0)
        grund += std::string(": ") + std::strerror(g_konfigurationsfehler.fehlerNummer);
    Log_Printf("-Fehler: Main()->Config_Read() Konfigurationsdatei nicht lesbar! DATEI: %s (%s)", datei.c_str(),
               grund.c_str());
}
// One line per run-setting record whose value is none of the setting's
// words; the run goes on with the default. The value is shown as in the
// file's deciphered text, control characters as "?".
void einstellungenMelden(const Laufeinstellungen& e) {
    for (int i = 0; i < kEinstellungen; ++i) {
        if (e.quelle[i] != EinstellungsQuelle::Unbrauchbar) continue;
        std::string wert = e.unbrauchbar[i];
        for (char& c : wert)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
        const EinstellungsArt& art = Einstellung_Art(i);
        Log_Printf("-Fehler: Main()->Config_Read() Einstellung unbekannt! SCHLUESSEL: %s WERT: %s (es gilt %s)",
                   art.schluessel, wert.c_str(), art.worte[0]);
    }
}
}  // namespace

Dvm746Err& Fehlersatz() { return g_fehlersatz; }

int Main(int argc, char** argv) {
    Laufbilanz_Start();
    // The time in seconds alone would give two runs started in the same
    // second (a restart after a crash, two plan groups started together) the
    // same sequence of proposal keys; the process id tells them apart.
    Zufall_Seed(static_cast<uint32_t>(std::time(nullptr)) ^
                (static_cast<uint32_t>(::getpid()) * 2654435761u));

    Scan_Weg_Aus_Umgebung();

    FixText<200> dienst;
    FixText<21> schema;
    FixText<200> login;
    FixText<200> passwort;
    const char* pfad = argc > 1 && argv[1] ? argv[1] : "";
    konfigurationsWert(dienst, "NET8", pfad, 199, false);
    konfigurationsWert(schema, "SCHEMA", pfad, 21, true);
    konfigurationsWert(login, "LOGIN", pfad, 199, false);
    konfigurationsWert(passwort, "PASS", pfad, 199, false);

    Log_Pfade_Setzen(schema.c_str());
    Log_Write("*** Programmstart Dorvelian ***");
    konfigurationsfehlerMelden(pfad);

    int32_t r = dbConnect(login.c_str(), passwort.c_str(), dienst.c_str(), schema.c_str());
    passwort.clear();
    if (r != 0) {
        Log_Printf("-Fehler: Main()->dbConnect() Fehlerhafter Connect mit der DB! RC: %ld", static_cast<long>(r));
        return 0;
    }
    if (argc < 12) {
        Log_Printf("-Fehler: Main() Mindestanzahl Parameter(12) unterschritten! Anzahl uebergeben: %ld.",
                   static_cast<long>(argc));
        return 0;
    }

    Laufkontext& lk = Lauf();
    Parameter_Uebernehmen(argc, argv, lk);
    // The run settings join the parameters in the run context.
    Laufeinstellungen_Lesen(pfad, lk.Einstellungen);
    einstellungenMelden(lk.Einstellungen);
    if (!Planzeitraum_OK(lk)) {
        Log_Write("-Fehler: Main()->Planzeitraum_OK(): Planbeginn/-Ende unzulaessig!");
    } else if (!lk.Plg.empty()) {
        Einsatzplan_Optimieren(lk, lk.Plg.c_str(), lk.Eso.c_str(), lk.Esa.c_str(), Fehlersatz());
    } else {
        Plangruppen_Ermitteln();
    }
    Log_Write("*** Programmende Dorvelian ***");
    return 0;
}

void Plangruppen_Ermitteln() {
    Laufkontext& lk = Lauf();
    Plg_Cur_Open();
    Dvm701Plg plg;
    int32_t r;
    while ((r = Plg_Cur_Read(plg)) == 0) {
        // The plan group's own key is copied: the run below reads and writes
        // the plan-group row through the same statements.
        FixText<6> schluessel = plg.PlgPlg;
        Einsatzplan_Optimieren(lk, schluessel.c_str(), "", "", Fehlersatz());
    }
    Plg_Cur_Close();
    if (r != 0 && r != 1403)
        Log_Printf("-Fehler: Plangruppen_Ermitteln()->Plg_Cur_Read() RC: %ld!", static_cast<long>(r));
}
