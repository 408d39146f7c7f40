// dorvelian-config: writes, updates and shows the enciphered configuration
// file from which the optimiser takes its database logon items and its run
// settings.
//
//   dorvelian-config FILE --service S --schema X --login U --password-stdin
//   dorvelian-config FILE --service S --schema X --login U --password P
//   dorvelian-config FILE --rule-check WORD --person-choice WORD --minimum-pass WORD
//   dorvelian-config --show FILE
//   dorvelian-config --help | --version
//
// Options may stand in any order, before or after FILE, as "--opt value" or
// "--opt=value".
//
// Every record is written with the section "dorvelian" and a number from 1
// to 4: the optimiser asks with an empty section and number 0, and a record
// with an empty section or number 0 would answer for any key. The schema is
// stored with one filler character after it, because the optimiser drops the
// last character of the stored schema. The run settings (base/Laufeinstellungen)
// are records of the same kind with the numbers from 5 on; they may be written
// with the logon items or alone, and a setting not given keeps its record.
//
// The file is written readable by its owner only. An existing file that its
// group or others can read or write is reported on standard error (the
// optimiser keeps reading such a file).
//
// Exit codes: 0 done; 1 file could not be read or written, or --show found
// an item the optimiser would not take; 2 usage error or a refused value.
#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "run/Config.hpp"
#include "base/Laufeinstellungen.hpp"

namespace {

// The logon items, their records and limits are those of run/Config.hpp
// (Anmeldung_Art, kAnmeldeTextMax, kSchemaMax); a stored value holds
// kConfigWertMaxKlar (96) characters of plain text.

constexpr char kUsage[] =
    "usage: dorvelian-config FILE --service S --schema X --login U --password-stdin\n"
    "       dorvelian-config FILE --service S --schema X --login U --password P\n"
    "       dorvelian-config FILE --rule-check WORD --person-choice WORD --minimum-pass WORD\n"
    "       dorvelian-config --show FILE\n"
    "       dorvelian-config --help | --version\n"
    "\n"
    "Writes the enciphered configuration file FILE from which dorvelian takes its\n"
    "database logon and its run settings, readable by its owner only; other records\n"
    "of FILE are kept. The run settings may be given with the logon or alone.\n"
    "\n"
    "  --service S        service: sqlite:DIR or postgresql://... (without user and password)\n"
    "  --schema X         schema: 1 to 20 letters, digits, '_', '$' or '#'\n"
    "  --login U          logon user\n"
    "  --password-stdin   read the password from the first line of standard input\n"
    "  --password P       the password as an argument (visible to other users of the machine)\n"
    "  --rule-check W     after-move (default): the rules judge the person's day without\n"
    "                     the deployment the person would leave; as-before: with it,\n"
    "                     as the earlier program did\n"
    "  --person-choice W  first (default): propose the first person of an overstaffed slot\n"
    "                     for whom a proposal can be written; first-fitting: the first\n"
    "                     whose proposal breaks no rule, else the first as with first;\n"
    "                     fitting-only: only a person whose proposal breaks no rule\n"
    "  --minimum-pass W   off (default); on: after the scans of a day, rows still below\n"
    "                     their minimum take persons from rows above their minimum\n"
    "  --show FILE        print the four items and the run settings as the optimiser takes\n"
    "                     them, password masked\n"
    "  --help             this text\n"
    "  --version          the version\n"
    "\n"
    "Exit codes: 0 done; 1 FILE could not be read or written, or --show found an\n"
    "item the optimiser would not take; 2 usage error or a refused value.\n";

// A usage error: what was wrong, then where the usage is.
int Misuse(const std::string& what) {
    std::fprintf(stderr, "dorvelian-config: %s\n", what.c_str());
    std::fprintf(stderr, "Try 'dorvelian-config --help' for the usage.\n");
    return 2;
}

int Refuse(const char* what, const char* why) {
    std::fprintf(stderr, "dorvelian-config: %s %s\n", what, why);
    return 2;
}

bool HasControl(std::string_view s) {
    for (char c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return true;
    }
    return false;
}

bool IsSchemaChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '$' || c == '#';
}

// Returns 0 when the four items are what the optimiser can log on with,
// else prints why not and returns 2.
int CheckItems(const std::string& service, const std::string& schema, const std::string& login,
               const std::string& password) {
    const struct {
        const char* name;
        const std::string& value;
    } logon[] = {{"service", service}, {"login", login}, {"password", password}};
    for (const auto& item : logon) {
        if (item.value.empty()) return Refuse(item.name, "must not be empty");
        if (item.value.size() > kConfigWertMaxKlar)
            return Refuse(item.name, "is longer than 96 characters");
        if (HasControl(item.value)) return Refuse(item.name, "contains control characters");
    }
    // The logon text is split at the first "/" and the last "@".
    if (login.find('/') != std::string::npos) return Refuse("login", "must not contain '/'");
    if (service.find('@') != std::string::npos) return Refuse("service", "must not contain '@'");
    if (login.size() + 1 + password.size() + 1 + service.size() > kAnmeldeTextMax)
        return Refuse("login, password and service",
                      "together exceed the 99 characters of the logon text login/password@service");

    if (schema.empty()) return Refuse("schema", "must not be empty");
    if (schema.size() > kSchemaMax) return Refuse("schema", "is longer than 20 characters");
    for (char c : schema)
        if (!IsSchemaChar(c))
            return Refuse("schema", "may hold only letters, digits, '_', '$' and '#'");
    return 0;
}

void WipeString(std::string& s) {
    if (!s.empty()) {
        volatile char* p = s.data();
        for (std::size_t i = 0; i < s.size(); ++i) p[i] = 0;
    }
    s.clear();
}

// Reads one line from standard input, without echo when it is a terminal.
bool ReadPasswordFromStdin(std::string& password) {
    const bool tty = isatty(STDIN_FILENO) != 0;
    termios saved{};
    if (tty && tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        std::fprintf(stderr, "Password: ");
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    password.clear();
    bool any = false;
    int c;
    while ((c = std::getchar()) != EOF) {
        any = true;
        if (c == '\n') break;
        password.push_back(static_cast<char>(c));
    }
    if (!password.empty() && password.back() == '\r') password.pop_back();
    if (tty) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fprintf(stderr, "\n");
    }
    return any;
}

bool ReadWholeFile(const std::string& path, std::string& content, bool& exists) {
    content.clear();
    exists = false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return errno == ENOENT;
    exists = true;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) content.append(buf, n);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

// Splits into lines, each with its own line end (the last may have none).
std::vector<std::string> SplitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size() - 1;
        lines.push_back(content.substr(start, end - start + 1));
        start = end + 1;
    }
    return lines;
}

// Key of an entry line ("number;key;value"), empty when the line has no
// two semicolons.
std::string EntryKey(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::size_t a = line.find(';');
    if (a == std::string::npos) return {};
    std::size_t b = line.find(';', a + 1);
    if (b == std::string::npos) return {};
    return line.substr(a + 1, b - a - 1);
}

// One record to write: its key and number, the plain value, and the value
// the optimiser must read back from it.
struct Record {
    std::string key;
    int number = 0;
    std::string plain;
    std::string expected;
};

bool IsKeyOf(const std::string& key, const std::vector<Record>& records) {
    for (const Record& r : records)
        if (key == r.key) return true;
    return false;
}

// The value the optimiser reads back from a record of the file.
std::string ReadBack(const Record& r, const char* path);

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file holds the logon secrets. A file that the group or others may read
// or write is reported; the optimiser itself still reads it (set-ups of the
// scheduler rely on that), and a file written by this tool replaces it with
// one that only its owner can read.
void WarnIfOthersHaveAccess(const std::string& path, bool replacing) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return;
    const mode_t others = st.st_mode & (S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH);
    if (others == 0) return;
    std::fprintf(stderr,
                 "dorvelian-config: warning: %s holds the logon secrets and can be %s by %s (mode %04o)%s\n",
                 path.c_str(),
                 (others & (S_IRGRP | S_IROTH)) && (others & (S_IWGRP | S_IWOTH)) ? "read and written"
                 : (others & (S_IRGRP | S_IROTH))                                 ? "read"
                                                                                  : "written",
                 (others & (S_IRGRP | S_IWGRP)) && (others & (S_IROTH | S_IWOTH)) ? "its group and others"
                 : (others & (S_IRGRP | S_IWGRP))                                 ? "its group"
                                                                                  : "others",
                 static_cast<unsigned>(st.st_mode & 07777),
                 replacing ? "; it is replaced by a file readable by its owner only" : "");
}

int Show(const char* path) {
    WarnIfOthersHaveAccess(path, false);
    int missing = 0;
    for (int i = 0; i < kAnmeldungen; ++i) {
        const Anmeldung a = static_cast<Anmeldung>(i);
        const char* key = Anmeldung_Art(a).schluessel;
        Config_Read("", key, 0, path);
        // The item as the optimiser's run takes it.
        std::string taken(Anmeldung_Genommen(a, Config_Ergebnis().wert.view()));
        if (taken.empty()) {
            std::printf("%s=\n", key);
            std::fprintf(stderr, "dorvelian-config: %s is missing or not usable in %s\n", key, path);
            ++missing;
        } else {
            std::printf("%s=%s\n", key, a == Anmeldung::Passwort ? "********" : taken.c_str());
        }
        WipeString(taken);
    }
    // A setting without a record is the default; one whose value is none of
    // its words is the default too, and reported.
    for (int i = 0; i < kEinstellungen; ++i) {
        const EinstellungsArt& art = Einstellung_Art(i);
        Config_Read_Schluessel(art.schluessel, path);
        const ConfigErgebnis& r = Config_Ergebnis();
        const int w = r.schluessel.empty() ? -1 : Einstellung_Wort(i, r.wert.view());
        if (w >= 0) {
            std::printf("%s=%s\n", art.schluessel, art.worte[w]);
            continue;
        }
        std::printf("%s=%s (default)\n", art.schluessel, art.worte[0]);
        if (!r.schluessel.empty()) {
            std::fprintf(stderr, "dorvelian-config: %s in %s is not a word of --%s; the optimiser takes %s\n",
                         art.schluessel, path, art.option, art.worte[0]);
            ++missing;
        }
    }
    // The last lookup left the password in the module's results.
    Config_Read("", "", 0, "");
    return missing == 0 ? 0 : 1;
}

std::string ReadBack(const Record& r, const char* path) {
    if (r.number > kAnmeldungen) {
        Config_Read_Schluessel(r.key.c_str(), path);
        return Config_Ergebnis().wert.str();
    }
    Config_Read("", r.key.c_str(), 0, path);
    return std::string(Anmeldung_Genommen(static_cast<Anmeldung>(r.number - 1), Config_Ergebnis().wert.view()));
}

int Write(const std::string& path, std::vector<Record>& records) {
    std::string old;
    bool exists = false;
    if (!ReadWholeFile(path, old, exists)) {
        std::fprintf(stderr, "dorvelian-config: cannot read %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return 1;
    }

    if (exists) WarnIfOthersHaveAccess(path, true);

    std::string content;
    for (const Record& r : records) content += Config_Satz(r.number, r.key.c_str(), r.plain);
    // Other records follow unchanged; earlier records of the keys written go.
    if (exists) {
        std::vector<std::string> lines = SplitLines(old);
        std::size_t i = 0;
        for (; i + 1 < lines.size(); i += 2) {
            if (IsKeyOf(EntryKey(lines[i + 1]), records)) continue;
            content += lines[i];
            content += lines[i + 1];
        }
        if (i < lines.size()) content += lines[i];
    }

    std::string tmp = DirectoryOf(path) + "/.dorvelian-config.XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) {
        std::fprintf(stderr, "dorvelian-config: cannot create a file beside %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return 1;
    }
    bool ok = fchmod(fd, 0600) == 0 && WriteAll(fd, content) && fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    WipeString(content);
    if (!ok) {
        std::fprintf(stderr, "dorvelian-config: cannot write %s: %s\n", tmp.c_str(),
                     std::strerror(errno));
        ::unlink(tmp.c_str());
        return 1;
    }

    // Read the new file back the way the optimiser does before it replaces
    // the old one.
    bool same = true;
    for (const Record& r : records) {
        std::string taken = ReadBack(r, tmp.c_str());
        if (taken != r.expected) same = false;
        WipeString(taken);
    }
    Config_Read("", "", 0, "");
    if (!same) {
        std::fprintf(stderr, "dorvelian-config: the written file does not read back; %s left as it was\n",
                     path.c_str());
        ::unlink(tmp.c_str());
        return 1;
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "dorvelian-config: cannot replace %s: %s\n", path.c_str(),
                     std::strerror(errno));
        ::unlink(tmp.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    enum { kService = 1000, kSchema, kLogin, kPassword, kPasswordStdin, kShow, kHelp, kVersion, kSetting };
    std::vector<option> kOptions = {
        {"service", required_argument, nullptr, kService},
        {"schema", required_argument, nullptr, kSchema},
        {"login", required_argument, nullptr, kLogin},
        {"password", required_argument, nullptr, kPassword},
        {"password-stdin", no_argument, nullptr, kPasswordStdin},
        {"show", required_argument, nullptr, kShow},
        {"help", no_argument, nullptr, kHelp},
        {"version", no_argument, nullptr, kVersion},
    };
    // One option per run setting, from the table of settings.
    for (int i = 0; i < kEinstellungen; ++i)
        kOptions.push_back({Einstellung_Art(i).option, required_argument, nullptr, kSetting + i});
    kOptions.push_back({nullptr, 0, nullptr, 0});
    int settings[kEinstellungen];
    for (int& w : settings) w = -1;

    std::string service, schema, login, password, show;
    bool haveService = false, haveSchema = false, haveLogin = false, haveShow = false;
    bool passwordArg = false, passwordStdin = false;
    opterr = 0;  // the messages below name the option
    int opt;
    while ((opt = getopt_long(argc, argv, ":h", kOptions.data(), nullptr)) != -1) {
        if (opt >= kSetting && opt < kSetting + kEinstellungen) {
            const int i = opt - kSetting;
            settings[i] = Einstellung_Wort(i, optarg);
            if (settings[i] < 0) {
                std::string words;
                for (const char* const* w = Einstellung_Art(i).worte; *w != nullptr; ++w)
                    words += std::string(words.empty() ? "" : " or ") + *w;
                return Misuse(std::string("--") + Einstellung_Art(i).option + " takes " + words);
            }
            continue;
        }
        switch (opt) {
            case kService: service = optarg; haveService = true; break;
            case kSchema: schema = optarg; haveSchema = true; break;
            case kLogin: login = optarg; haveLogin = true; break;
            case kPassword:
                if (passwordArg) return Misuse("--password given twice");
                password = optarg;
                passwordArg = true;
                break;
            case kPasswordStdin: passwordStdin = true; break;
            case kShow: show = optarg; haveShow = true; break;
            case 'h':
            case kHelp: std::fputs(kUsage, stdout); return 0;
            case kVersion: std::printf("dorvelian-config %s\n", DORVELIAN_VERSION); return 0;
            case ':': return Misuse(std::string("option ") + argv[optind - 1] + " needs a value");
            default: {
                std::string name = optopt != 0 ? std::string("-") + static_cast<char>(optopt) : argv[optind - 1];
                return Misuse("unknown option " + name.substr(0, name.find('=')));
            }
        }
    }
    const int files = argc - optind;

    bool anySetting = false;
    for (int w : settings) anySetting = anySetting || w >= 0;
    const bool anyLogon = haveService || haveSchema || haveLogin || passwordArg || passwordStdin;

    if (haveShow) {
        if (files != 0 || anyLogon || anySetting) return Misuse("--show takes only the file");
        return Show(show.c_str());
    }
    if (files == 0) return Misuse("no configuration file given");
    if (files > 1) return Misuse(std::string("one configuration file only; also given: ") + argv[optind + 1]);
    // Without a run setting the logon is what is written; with one, the logon
    // may be left out.
    if (anyLogon || !anySetting) {
        if (!haveService || !haveSchema || !haveLogin)
            return Misuse("--service, --schema and --login are all needed");
        if (passwordArg == passwordStdin) return Misuse("give either --password or --password-stdin");
    }

    const std::string path = argv[optind];
    if (passwordStdin && !ReadPasswordFromStdin(password))
        return Refuse("password", "was not given on standard input");

    int rc = anyLogon ? CheckItems(service, schema, login, password) : 0;
    if (rc == 0) {
        std::vector<Record> records;
        if (anyLogon) {
            const std::string plain[kAnmeldungen] = {service, schema + kSchemaFueller, login, password};
            const std::string expected[kAnmeldungen] = {service, schema, login, password};
            for (int i = 0; i < kAnmeldungen; ++i) {
                const AnmeldeArt& art = Anmeldung_Art(static_cast<Anmeldung>(i));
                records.push_back({art.schluessel, art.nummer, plain[i], expected[i]});
            }
        }
        for (int i = 0; i < kEinstellungen; ++i) {
            if (settings[i] < 0) continue;
            const EinstellungsArt& art = Einstellung_Art(i);
            records.push_back({art.schluessel, art.nummer, art.worte[settings[i]], art.worte[settings[i]]});
        }
        rc = Write(path, records);
        for (Record& r : records) {
            WipeString(r.plain);
            WipeString(r.expected);
        }
    }
    WipeString(password);
    return rc;
}
