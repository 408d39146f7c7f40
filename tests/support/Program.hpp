#pragma once
// The one way the tests run a program: fork and exec with the arguments as
// they are (no shell, so nothing to quote), in a working directory, with
// extra environment, standard input, a bounded wait and optionally a file
// size limit; standard output and error come back as texts. RunLine builds
// the optimiser's ten parameters after the configuration path once.
#include <string>
#include <utility>
#include <vector>

namespace testdb {

// Every member has a default, so that a call names only what differs.
struct Call {
    std::string program{};           // a name in DORVELIAN_BIN_DIR ("dorvelian", ...), or a path (with a '/')
    std::vector<std::string> args{};  // as they are: no shell, no quoting
    std::string dir{};               // working directory; "" = the test's own
    std::vector<std::pair<std::string, std::string>> env{};   // set in the child only
    std::string input{};             // standard input
    int seconds = 600;               // bounded wait: killed (SIGKILL) after it
    long long fileSizeLimit = -1;    // >= 0: RLIMIT_FSIZE with SIGXFSZ ignored, so a write past it fails with EFBIG
};

struct Outcome {
    int code = -1000;   // exit code; -signal when a signal ended it; -1000 when killed at the bound
    std::string out, err;
};

// Runs the program to its end (or the bound) and keeps both streams.
Outcome runProgram(const Call& c);
// Starts the program without waiting (standard streams inherited, input
// ignored); returns its process id.
int startProgram(const Call& c);
// Waits at most `seconds` for a started program: its exit code, -signal when
// a signal ended it, -1000 when it was killed at the bound.
int waitProgram(int pid, int seconds = 600);

// The optimiser's ten parameters after the configuration path; designated
// initialisers change what differs.
struct RunLine {
    std::string user = "planer", from = "00000000", to = "00000000", level = "PLG", job = "JOB", key = "KEY",
                plg = "00000", eso = "00000", esa = "00000", mode = "PLAN_OPTIM";
    std::vector<std::string> args() const;
};

// The run of the optimiser on a demo plan that dorvelian-demo wrote into
// `dir`: its configuration DIR/work/dorvelian.cfg, in DIR/work.
Call demoRun(const std::string& dir, const RunLine& line = {.user = "demo", .job = "JOB0001", .key = "KEY0001"});

// dorvelian-demo with the options; code 0 when it wrote the plan.
Outcome runDemo(const std::vector<std::string>& options);

// The words of an option list written as one text, split at blanks.
std::vector<std::string> words(const std::string& text);

// Single quotes for the few commands that stay shell text.
std::string shellQuote(const std::string& s);

}  // namespace testdb
