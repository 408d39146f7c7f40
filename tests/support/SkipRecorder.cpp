// Records every skipped case, with the reason it gave, as one line
// "REASON<TAB>CASE" appended to the file named by DORVELIAN_SKIP_LOG (ctest
// sets it for every case; without it nothing is recorded).
// tests/skip_summary.sh turns the lines into the summary printed after the
// run. Each line goes out in one write to a file opened for appending, so
// that cases running side by side do not mix their lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

class SkipRecorder : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& info) override {
        const ::testing::TestResult* result = info.result();
        if (result == nullptr || !result->Skipped()) return;
        const char* path = std::getenv("DORVELIAN_SKIP_LOG");
        if (path == nullptr || *path == '\0') return;
        std::string reason;
        for (int i = 0; i < result->total_part_count(); ++i) {
            const ::testing::TestPartResult& part = result->GetTestPartResult(i);
            if (part.type() == ::testing::TestPartResult::kSkip) {
                reason = part.message();
                break;
            }
        }
        // gtest puts "Skipped" before the case's own message; one line each.
        if (reason.rfind("Skipped\n", 0) == 0) reason.erase(0, 8);
        std::size_t end = reason.find('\n');
        if (end != std::string::npos) reason.erase(end);
        for (char& c : reason)
            if (c == '\t') c = ' ';
        if (reason.empty() || reason == "Skipped") reason = "(no reason given)";
        const std::string line = reason + "\t" + info.test_suite_name() + "." + info.name() + "\n";
        int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) return;
        ssize_t written = ::write(fd, line.data(), line.size());
        (void)written;
        ::close(fd);
    }
};

// Registered before main runs, so that gtest's own main needs no change.
const bool registered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new SkipRecorder);
    return true;
}();

}  // namespace
