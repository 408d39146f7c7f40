// dorvelian-report: writes the planners' report of a plan after a run as one
// self-contained HTML file (see report/BerichtHtml.hpp). It logs on with the
// optimiser's configuration file, through the same statement runtime, on
// either backend, and only reads.
//
//   dorvelian-report [--plangroup PLG] [--from YYYYMMDD] [--to YYYYMMDD]
//                    [--output FILE] CONFIG
//
// Exit codes: 0 report written; 1 the configuration, the logon, a read or the
// output file failed; 2 usage error.
#include <getopt.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "db/Connect.hpp"
#include "db/Runtime.hpp"
#include "run/Config.hpp"
#include "report/Bericht.hpp"
#include "report/BerichtHtml.hpp"

namespace {

constexpr char kName[] = "dorvelian-report";

void Usage(std::FILE* f) {
    std::fprintf(f,
                 "usage: %s [--plangroup PLG] [--from YYYYMMDD] [--to YYYYMMDD] [--output FILE] CONFIG\n"
                 "  CONFIG              the optimiser's configuration file (logon items)\n"
                 "  -p, --plangroup PLG report this plan group only (default: all, in key order)\n"
                 "  -f, --from DATE     first day, yyyymmdd (default: today)\n"
                 "  -t, --to DATE       last day, yyyymmdd (default: the last day of the staffing matrix)\n"
                 "  -o, --output FILE   write the HTML page to FILE (default: standard output)\n"
                 "  -h, --help          show this help\n"
                 "  -V, --version       show the version\n",
                 kName);
}

int Misuse(const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", kName, why.c_str());
    Usage(stderr);
    return 2;
}

bool Datum_OK(const std::string& d) {
    if (d.size() != 8 || d.find_first_not_of("0123456789") != std::string::npos) return false;
    using namespace std::chrono;
    const year_month_day ymd{year{std::stoi(d.substr(0, 4))}, month{static_cast<unsigned>(std::stoi(d.substr(4, 2)))},
                             day{static_cast<unsigned>(std::stoi(d.substr(6, 2)))}};
    return ymd.ok() && d.substr(0, 4) != "0000";
}

std::string Jetzt(const char* format) {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char b[32];
    std::strftime(b, sizeof b, format, &tm);
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    static const option kOptionen[] = {
        {"plangroup", required_argument, nullptr, 'p'}, {"from", required_argument, nullptr, 'f'},
        {"to", required_argument, nullptr, 't'},        {"output", required_argument, nullptr, 'o'},
        {"help", no_argument, nullptr, 'h'},            {"version", no_argument, nullptr, 'V'},
        {nullptr, 0, nullptr, 0}};
    BerichtFilter filter;
    std::string ausgabe;
    opterr = 0;  // unknown options are named below
    int c;
    while ((c = getopt_long(argc, argv, ":p:f:t:o:hV", kOptionen, nullptr)) != -1) {
        switch (c) {
            case 'p': filter.plg = optarg; break;
            case 'f': filter.von = optarg; break;
            case 't': filter.bis = optarg; break;
            case 'o': ausgabe = optarg; break;
            case 'h': Usage(stdout); return 0;
            case 'V': std::printf("%s %s\n", kName, DORVELIAN_VERSION); return 0;
            case ':': return Misuse(std::string("option ") + argv[optind - 1] + " needs a value");
            default: {
                const std::string name = optopt ? std::string("-") + static_cast<char>(optopt) : argv[optind - 1];
                return Misuse("unknown option " + name.substr(0, name.find('=')));
            }
        }
    }
    if (optind != argc - 1) return Misuse(optind >= argc ? "the configuration file is missing" : "too many arguments");
    const char* pfad = argv[optind];
    if (filter.plg.empty() == false && filter.plg.size() > 5) return Misuse("plan group longer than 5 characters");
    if (filter.von.empty()) filter.von = Jetzt("%Y%m%d");
    if (!Datum_OK(filter.von)) return Misuse("--from needs a date yyyymmdd: " + filter.von);
    if (!filter.bis.empty() && !Datum_OK(filter.bis)) return Misuse("--to needs a date yyyymmdd: " + filter.bis);
    if (!filter.bis.empty() && filter.bis < filter.von) return Misuse("--to lies before --from");

    std::FILE* probe = std::fopen(pfad, "r");
    if (probe == nullptr) {
        std::fprintf(stderr, "%s: cannot read %s: %s\n", kName, pfad, std::strerror(errno));
        return 1;
    }
    std::fclose(probe);
    // The logon items as the optimiser takes them.
    Anmeldedaten anm;
    Anmeldung_Lesen(pfad, anm);
    const std::string schema = anm.schema.str();
    int32_t r = dbConnect(anm.login.c_str(), anm.passwort.c_str(), anm.dienst.c_str(), anm.schema.c_str());
    anm.passwort.clear();
    if (r != 0) {
        std::fprintf(stderr, "%s: logon to schema %s failed: RC %ld %s\n", kName, schema.c_str(),
                     static_cast<long>(r), db::lastErrorText().c_str());
        return 1;
    }

    Bericht bericht;
    bericht.schema = schema;
    bericht.erstellt = Jetzt("%Y-%m-%d %H:%M");
    BerichtFehler fehler;
    r = Bericht_Lesen(filter, bericht, fehler);
    if (r == 1403) {
        std::fprintf(stderr, "%s: plan group %s not found in Dvm701Plg\n", kName, filter.plg.c_str());
        return 1;
    }
    if (r != 0) {
        std::fprintf(stderr, "%s: reading %s failed: RC %ld %s\n", kName, fehler.was.c_str(), static_cast<long>(r),
                     db::lastErrorText().c_str());
        return 1;
    }
    const std::string html = Bericht_Html(bericht);
    if (ausgabe.empty()) {
        if (std::fwrite(html.data(), 1, html.size(), stdout) != html.size() || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "%s: writing to standard output failed\n", kName);
            return 1;
        }
        return 0;
    }
    std::ofstream f(ausgabe, std::ios::binary | std::ios::trunc);
    f.write(html.data(), static_cast<std::streamsize>(html.size()));
    f.close();
    if (!f) {
        std::fprintf(stderr, "%s: cannot write %s\n", kName, ausgabe.c_str());
        return 1;
    }
    return 0;
}
