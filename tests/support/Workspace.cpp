#include "support/Workspace.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "run/Config.hpp"
#include "support/TestDb.hpp"

namespace testdb {

Workspace::Workspace() {
    root_ = makeTempDir();
    std::filesystem::create_directories(workDir());
    std::filesystem::create_directories(logDir());
}

Workspace::~Workspace() { removeTree(root_); }

void Workspace::writeConfig(const std::string& service, const std::string& schema, const std::string& login,
                            const std::string& password) {
    std::ofstream(configPath(), std::ios::binary) << Anmeldung_Saetze(service, schema, login, password);
}

Call Workspace::call(const std::vector<std::string>& params) const {
    Call c{.program = "dorvelian", .args = {configPath()}, .dir = workDir()};
    c.args.insert(c.args.end(), params.begin(), params.end());
    return c;
}

int Workspace::run(const std::vector<std::string>& params) { return runProgram(call(params)).code; }

int Workspace::run(const std::vector<std::string>& params, std::string& out, std::string& err) {
    Outcome o = runProgram(call(params));
    out = std::move(o.out);
    err = std::move(o.err);
    return o.code;
}

int Workspace::start(const std::vector<std::string>& params, long long fileSizeLimit) {
    Call c = call(params);
    c.fileSizeLimit = fileSizeLimit;
    return startProgram(c);
}

int Workspace::wait(int pid) { return waitProgram(pid); }

std::vector<std::string> Workspace::logMessages(const std::string& schema) const {
    std::vector<std::string> out;
    std::istringstream in(readFile(logPath(schema)));
    std::string line;
    while (std::getline(in, line)) out.push_back(line.size() > 21 ? line.substr(21) : line);
    return out;
}

}  // namespace testdb
