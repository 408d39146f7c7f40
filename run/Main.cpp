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

// The one line for a configuration file that could not be read (the first
// of the four lookups that failed: the file is read four times, the failure
// is logged once). It names the file (control characters shown as "?", so
// that the path cannot forge log lines) and why, never anything of its
// contents.
void konfigurationsfehlerMelden(const char* pfad, const Anmeldedaten& anm) {
    if (anm.datei == ConfigDatei::Gelesen) return;
    std::string datei(pfad);
    for (char& c : datei)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    std::string grund = Config_Datei_Grund(anm.datei);
    if (anm.fehlerNummer != 0) grund += std::string(": ") + std::strerror(anm.fehlerNummer);
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

    Anmeldedaten anm;
    const char* pfad = argc > 1 && argv[1] ? argv[1] : "";
    Anmeldung_Lesen(pfad, anm);

    Log_Pfade_Setzen(anm.schema.c_str());
    Log_Write("*** Programmstart Dorvelian ***");
    konfigurationsfehlerMelden(pfad, anm);

    int32_t r = dbConnect(anm.login.c_str(), anm.passwort.c_str(), anm.dienst.c_str(), anm.schema.c_str());
    anm.passwort.clear();
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
