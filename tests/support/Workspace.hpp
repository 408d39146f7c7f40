#pragma once
// A working directory laid out as the scheduler runs the program in it:
// ROOT/work is the working directory, ROOT/zentravis_php/log the log folder
// (the log path is relative: one level up, then zentravis_php/log).
#include <string>
#include <vector>

#include "support/Program.hpp"

namespace testdb {

class Workspace {
public:
    Workspace();
    ~Workspace();
    const std::string& root() const { return root_; }
    std::string workDir() const { return root_ + "/work"; }
    std::string logDir() const { return root_ + "/zentravis_php/log"; }
    std::string configPath() const { return root_ + "/work/dorvelian.cfg"; }
    std::string logPath(const std::string& schema) const { return logDir() + "/dorvelian_" + schema + ".log"; }

    // Writes the configuration file; the schema is stored with one trailing
    // character, which the program drops.
    void writeConfig(const std::string& service, const std::string& schema, const std::string& login,
                     const std::string& password);
    // Runs the program with the given parameters (after the configuration
    // path) in the working directory; returns its exit code.
    int run(const std::vector<std::string>& params);
    // The same, keeping what the program wrote to standard output and error.
    int run(const std::vector<std::string>& params, std::string& out, std::string& err);
    // Starts the program the same way without waiting; returns its process id.
    // With fileSizeLimit >= 0 the program runs with RLIMIT_FSIZE set to it and
    // SIGXFSZ ignored, so that a write past the limit fails with EFBIG.
    int start(const std::vector<std::string>& params, long long fileSizeLimit = -1);
    // Waits for a started program: its exit code, -signal when a signal ended
    // it, -1000 when it was still running after 600 seconds and was killed.
    static int wait(int pid);
    // The program's call: the configuration path, then the parameters, in
    // the working directory (for changing the environment, input or bound).
    Call call(const std::vector<std::string>& params) const;
    // The log's message texts, without their time stamps.
    std::vector<std::string> logMessages(const std::string& schema) const;

private:
    std::string root_;
};

}  // namespace testdb
