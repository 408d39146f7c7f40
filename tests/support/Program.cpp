// The tests' program runner: fork/exec, streams through files of a
// temporary folder, and a wait that kills the program at its bound.
#include "support/Program.hpp"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/TestDb.hpp"

namespace testdb {

namespace {

std::string programPath(const std::string& program) {
    return program.find('/') != std::string::npos ? program : std::string(DORVELIAN_BIN_DIR) + "/" + program;
}

// In the child: environment, limit, directory, streams, then exec. Never returns.
[[noreturn]] void execChild(const Call& c, const std::string& in, const std::string& out, const std::string& err) {
    for (const auto& [k, v] : c.env) ::setenv(k.c_str(), v.c_str(), 1);
    if (c.fileSizeLimit >= 0) {
        ::signal(SIGXFSZ, SIG_IGN);   // an ignored signal stays ignored across exec
        struct rlimit lim {};
        ::getrlimit(RLIMIT_FSIZE, &lim);
        lim.rlim_cur = static_cast<rlim_t>(c.fileSizeLimit);
        if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(126);
    }
    if (!c.dir.empty() && ::chdir(c.dir.c_str()) != 0) ::_exit(127);
    const int fds[3] = {in.empty() ? -1 : ::open(in.c_str(), O_RDONLY),
                        out.empty() ? -1 : ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
                        err.empty() ? -1 : ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)};
    for (int i = 0; i < 3; ++i)
        if (fds[i] >= 0) ::dup2(fds[i], i);
    const std::string bin = programPath(c.program);
    std::vector<std::string> args = {bin};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(bin.c_str(), argv.data());
    ::_exit(127);
}

}  // namespace

int startProgram(const Call& c) {
    const pid_t pid = ::fork();
    if (pid == 0) execChild(c, "/dev/null", "", "");
    return static_cast<int>(pid);
}

int waitProgram(int pid, int seconds) {
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int st = 0;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        const pid_t r = ::waitpid(static_cast<pid_t>(pid), &st, WNOHANG);
        if (r == pid) break;
        if (r < 0) return -1000;
        if (std::chrono::steady_clock::now() > bound) {
            ::kill(static_cast<pid_t>(pid), SIGKILL);
            ::waitpid(static_cast<pid_t>(pid), &st, 0);
            return -1000;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
    if (WIFEXITED(st)) return WEXITSTATUS(st);
    return WIFSIGNALED(st) ? -WTERMSIG(st) : -1000;
}

Outcome runProgram(const Call& c) {
    const std::string tmp = makeTempDir();
    const std::string in = tmp + "/in", out = tmp + "/out", err = tmp + "/err";
    std::ofstream(in, std::ios::binary) << c.input;
    Outcome o;
    const pid_t pid = ::fork();
    if (pid == 0) execChild(c, in, out, err);
    o.code = waitProgram(static_cast<int>(pid), c.seconds);
    o.out = readFile(out);
    o.err = readFile(err);
    removeTree(tmp);
    return o;
}

std::vector<std::string> RunLine::args() const { return {user, from, to, level, job, key, plg, eso, esa, mode}; }

Call demoRun(const std::string& dir, const RunLine& line) {
    Call c{.program = "dorvelian", .args = line.args(), .dir = dir + "/work"};
    c.args.insert(c.args.begin(), "dorvelian.cfg");
    return c;
}

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

Outcome runDemo(const std::vector<std::string>& options) {
    return runProgram(Call{.program = "dorvelian-demo", .args = options});
}

std::string shellQuote(const std::string& s) {
    std::string o = "'";
    for (char c : s) o += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return o + "'";
}

}  // namespace testdb
