// Finds the folder of the DDL files for the companion programs; see
// SchemaDir.hpp.
#include "demoplan/SchemaDir.hpp"

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool HatDdl(const fs::path& dir) {
    std::error_code ec;
    return fs::is_regular_file(dir / "sqlite" / "schema.sql", ec);
}

}  // namespace

std::string SchemaVerzeichnisSuchen(const std::string& option, const std::string& programDir, std::string& warum) {
    warum.clear();
    if (!option.empty()) {
        if (HatDdl(option)) return option;
        warum = "no sqlite/schema.sql in " + option;
        return "";
    }
    // Installed: bin/../share/dorvelian/schema. Build tree: the copy the build
    // puts beside the program.
    const std::vector<fs::path> orte = {fs::path(programDir) / DORVELIAN_SCHEMA_RELATIVE,
                                        fs::path(programDir) / "schema"};
    for (const fs::path& ort : orte) {
        if (HatDdl(ort)) return ort.lexically_normal().string();
    }
    warum = "no schema folder (with sqlite/schema.sql) at " + orte[0].lexically_normal().string() + " or " +
            orte[1].lexically_normal().string() + "; name it with --schema-dir";
    return "";
}
