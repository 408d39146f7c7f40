#pragma once
// The run log: one time-stamped line per message, the file opened and closed
// for every line, rotated to one backup past 5000000 bytes.
#include <cstdio>
#include <string>

// Sets the log and backup paths for a schema. The paths are relative to the
// working directory; backslashes of the configured form become "/".
void Log_Pfade_Setzen(const char* schema);
// Sets the paths directly (tests, tools).
void Log_Pfade_Setzen(const std::string& logPfad, const std::string& bakPfad);
const std::string& Log_Pfad();
const std::string& Log_BakPfad();

// Appends one line; a line the log cannot take (no log folder, no
// permission, a failed reopen after rotation) goes to standard error.
void Log_Write(const char* meldung);
// Opens the log for appending, rotating it first when it is too large.
std::FILE* Log_Open();
// Messages handed to Log_Write since the start, whether or not they reached
// the file: the scan tells by it whether a search wrote a message.
unsigned long Log_Meldungen();
// Composes a message with a printf format and writes it.
void Log_Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

constexpr long kLogRotationBytes = 5000000;
