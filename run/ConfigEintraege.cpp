// The records of the configuration file as the run reads them: the run
// settings (records 5 on) by their keys.
#include "base/Laufeinstellungen.hpp"
#include "run/Config.hpp"

void Laufeinstellungen_Lesen(const char* pfad, Laufeinstellungen& e) {
    for (int i = 0; i < kEinstellungen; ++i) {
        e.wahl[i] = 0;
        e.quelle[i] = EinstellungsQuelle::Vorgabe;
        e.unbrauchbar[i].clear();
        Config_Read_Schluessel(Einstellung_Art(i).schluessel, pfad);
        const ConfigErgebnis& r = Config_Ergebnis();
        if (r.schluessel.empty()) continue;  // no record: the default
        const int w = Einstellung_Wort(i, r.wert.view());
        if (w < 0) {
            e.quelle[i] = EinstellungsQuelle::Unbrauchbar;
            e.unbrauchbar[i] = r.wert.str();
        } else {
            e.wahl[i] = w;
            e.quelle[i] = EinstellungsQuelle::Datei;
        }
    }
    Config_Read("", "", 0, "");  // nothing of the file stays in the results
}
