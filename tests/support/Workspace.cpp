#include "support/Workspace.hpp"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "run/Config.hpp"
#include "support/TestDb.hpp"

namespace testdb {

namespace {
std::string shellQuote(const std::string& s) {
    std::string o = "'";
    for (char c : s) {
        if (c == '\'') o += "'\\''";
        else o += c;
    }
    return o + "'";
}
}  // namespace

Workspace::Workspace() {
    root_ = makeTempDir();
    std::filesystem::create_directories(workDir());
    std::filesystem::create_directories(logDir());
}

Workspace::~Workspace() { removeTree(root_); }

void Workspace::writeConfig(const std::string& service, const std::string& schema, const std::string& login,
                            const std::string& password) {
    std::ofstream f(configPath(), std::ios::binary);
    f << "[dorvelian];dorvelian;\n1;NET8;" << Wert_Verschluesseln(service) << "\n";
    f << "[dorvelian];dorvelian;\n2;SCHEMA;" << Wert_Verschluesseln(schema + ".") << "\n";
    f << "[dorvelian];dorvelian;\n3;LOGIN;" << Wert_Verschluesseln(login) << "\n";
    f << "[dorvelian];dorvelian;\n4;PASS;" << Wert_Verschluesseln(password) << "\n";
}

int Workspace::run(const std::vector<std::string>& params) {
    std::string cmd = "cd " + shellQuote(workDir()) + " && " + shellQuote(std::string(DORVELIAN_BIN_DIR) + "/dorvelian") +
                      " " + shellQuote(configPath());
    for (const std::string& p : params) cmd += " " + shellQuote(p);
    int st = std::system(cmd.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

int Workspace::run(const std::vector<std::string>& params, std::string& out, std::string& err) {
    std::string cmd = "cd " + shellQuote(workDir()) + " && " + shellQuote(std::string(DORVELIAN_BIN_DIR) + "/dorvelian") +
                      " " + shellQuote(configPath());
    for (const std::string& p : params) cmd += " " + shellQuote(p);
    cmd += " >" + shellQuote(root_ + "/stdout.txt") + " 2>" + shellQuote(root_ + "/stderr.txt");
    int st = std::system(cmd.c_str());
    out = readFile(root_ + "/stdout.txt");
    err = readFile(root_ + "/stderr.txt");
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

int Workspace::start(const std::vector<std::string>& params, long long fileSizeLimit) {
    const std::string bin = std::string(DORVELIAN_BIN_DIR) + "/dorvelian";
    std::vector<std::string> args = {bin, configPath()};
    args.insert(args.end(), params.begin(), params.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string dir = workDir();
    pid_t pid = ::fork();
    if (pid == 0) {
        if (fileSizeLimit >= 0) {
            ::signal(SIGXFSZ, SIG_IGN);  // an ignored signal stays ignored across exec
            struct rlimit lim {};
            ::getrlimit(RLIMIT_FSIZE, &lim);
            lim.rlim_cur = static_cast<rlim_t>(fileSizeLimit);
            if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(126);
        }
        if (::chdir(dir.c_str()) == 0) ::execv(bin.c_str(), argv.data());
        ::_exit(127);
    }
    return static_cast<int>(pid);
}

int Workspace::wait(int pid) {
    int st = 0;
    if (::waitpid(static_cast<pid_t>(pid), &st, 0) != pid) return -1000;
    if (WIFEXITED(st)) return WEXITSTATUS(st);
    return WIFSIGNALED(st) ? -WTERMSIG(st) : -1000;
}

std::vector<std::string> Workspace::logMessages(const std::string& schema) const {
    std::vector<std::string> out;
    std::istringstream in(readFile(logPath(schema)));
    std::string line;
    while (std::getline(in, line)) out.push_back(line.size() > 21 ? line.substr(21) : line);
    return out;
}

}  // namespace testdb
