#include <cstdio>
#include <cstdlib>

#include "db/Runtime.hpp"
#include "run/Main.hpp"

int main(int argc, char** argv) {
    int r = Main(argc, argv);
    // DORVELIAN_STATS=FILE: after the run, write how many statements the run
    // executed and how many cursor rows it fetched, for the benchmark script.
    // Without the variable nothing is written.
    if (const char* path = std::getenv("DORVELIAN_STATS"); path && *path) {
        if (std::FILE* f = std::fopen(path, "w")) {
            std::fprintf(f, "statements %llu\nfetches %llu\n",
                         static_cast<unsigned long long>(db::statementCount()),
                         static_cast<unsigned long long>(db::fetchCount()));
            std::fclose(f);
        }
    }
    return r;
}
