// The records of the configuration file: the four logon items and the run
// settings, as the run reads them and the tools write them.
#include "base/Laufeinstellungen.hpp"
#include "run/Config.hpp"

namespace {

constexpr AnmeldeArt kAnmeldeArten[kAnmeldungen] = {
    {"NET8", 1, kAnmeldungMax},
    {"SCHEMA", 2, kSchemaGespeichertMax},
    {"LOGIN", 3, kAnmeldungMax},
    {"PASS", 4, kAnmeldungMax},
};

// Takes the item of a into ziel from the last lookup's value.
template <std::size_t N>
void nehmen(FixText<N>& ziel, Anmeldung a) {
    ziel.assign(Anmeldung_Genommen(a, Config_Ergebnis().wert.view()));
}

}  // namespace

const AnmeldeArt& Anmeldung_Art(Anmeldung a) { return kAnmeldeArten[static_cast<int>(a)]; }

std::string_view Anmeldung_Genommen(Anmeldung a, std::string_view wert) {
    const std::size_t n = wert.size();
    if (n < 1 || n > Anmeldung_Art(a).genommenMax) return {};
    return a == Anmeldung::Schema ? wert.substr(0, n - 1) : wert;
}

void Anmeldung_Lesen(const char* pfad, Anmeldedaten& a) {
    a.datei = ConfigDatei::Gelesen;
    a.fehlerNummer = 0;
    for (int i = 0; i < kAnmeldungen; ++i) {
        const Anmeldung art = static_cast<Anmeldung>(i);
        Config_Read("", Anmeldung_Art(art).schluessel, 0, pfad);
        if (Config_Ergebnis().datei != ConfigDatei::Gelesen && a.datei == ConfigDatei::Gelesen) {
            a.datei = Config_Ergebnis().datei;
            a.fehlerNummer = Config_Ergebnis().fehlerNummer;
        }
        switch (art) {
            case Anmeldung::Dienst: nehmen(a.dienst, art); break;
            case Anmeldung::Schema: nehmen(a.schema, art); break;
            case Anmeldung::Login: nehmen(a.login, art); break;
            default: nehmen(a.passwort, art); break;
        }
    }
}

std::string Config_Satz(int32_t nummer, const char* schluessel, std::string_view klartext) {
    std::string satz = kConfigKopfzeile;
    satz += '\n';
    satz += std::to_string(nummer) + ";" + schluessel + ";" + Wert_Verschluesseln(klartext) + "\n";
    return satz;
}

std::string Anmeldung_Saetze(std::string_view dienst, std::string_view schema, std::string_view login,
                             std::string_view passwort) {
    std::string gespeichertesSchema(schema);
    gespeichertesSchema += kSchemaFueller;
    const std::string_view klartext[kAnmeldungen] = {dienst, gespeichertesSchema, login, passwort};
    std::string saetze;
    for (int i = 0; i < kAnmeldungen; ++i) {
        const AnmeldeArt& art = Anmeldung_Art(static_cast<Anmeldung>(i));
        saetze += Config_Satz(art.nummer, art.schluessel, klartext[i]);
    }
    return saetze;
}

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
