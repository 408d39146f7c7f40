#pragma once
// Where a companion program finds the project's DDL files (the folder with
// sqlite/ and postgresql/): named by its option, else beside the program's
// installation, else beside the program in the build tree. Nothing refers to
// the source tree, so that an installation may move.
#include <string>

// The folder of an installation, relative to the folder of the program
// (bin): "../share/dorvelian/schema" for the usual layout.
#ifndef DORVELIAN_SCHEMA_RELATIVE
#define DORVELIAN_SCHEMA_RELATIVE "../share/dorvelian/schema"
#endif

// Returns the schema folder, or "" with the places looked at in warum.
// option is the folder given on the command line ("" for none); programDir
// the folder of the running program. A folder counts when it holds
// sqlite/schema.sql.
std::string SchemaVerzeichnisSuchen(const std::string& option, const std::string& programDir, std::string& warum);
