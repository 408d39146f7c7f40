#pragma once
// Result codes of the statement runtime, in the numbering of the database the
// program was first written for, so that the run log reads the same on every
// backend.
//
//      0  success
//   1403  no (more) rows; also an update or delete that touched no row
//     -1  unique key violated
//    -54  resource busy (a lock that the busy timeout did not wait out)
//   -600  any other engine error (its text is kept in db::lastErrorText())
//   -900  statement text the backend cannot parse
//   -904  invalid column (drives the schema-variant fallback)
//   -911  schema name with a character other than letters, digits, _ $ #
//   -922  empty schema name
//   -942  table missing
//  -1001  fetch or close of a cursor that is not open
//  -1007  output list does not match the statement's select or INTO list
//  -1008  a placeholder of the statement has no input value
//  -1012  no session (not logged on, or no schema switched to)
//  -1017  logon refused (empty user, or the server refused user and password)
//  -1115  I/O error of the database file
//  -1400  NULL into a column that must have a value
//  -1405  NULL fetched into an output without indicator
//  -1406  text fetched into an output without indicator was truncated
//  -1422  single-row select found more than one row
//  -1435  schema does not exist (no DIR/SCHEMA.db, or no DVMASTER.db)
//  -1455  integer value out of the 32-bit range
//  -1578  database file corrupt or not a database
//  -1653  disk or database full
//  -1722  value is not a number
//  -1830 .. -1858  date text not valid for its format (TO_DATE)
//  -2290  check constraint violated
//  -2291  other constraint violated
//  -3113  connection to the server lost
//  -4030  out of memory
// -12154  unknown service (neither "sqlite:DIR" with an existing DIR, nor
//         "postgresql://...")
// -16000  database is read-only
#include <cstdint>

namespace db::rc {
constexpr int32_t kOk = 0;
constexpr int32_t kNotFound = 1403;
constexpr int32_t kUnique = -1;
constexpr int32_t kBusy = -54;
constexpr int32_t kInternal = -600;
constexpr int32_t kSyntax = -900;
constexpr int32_t kInvalidColumn = -904;
constexpr int32_t kInvalidCharacter = -911;
constexpr int32_t kMissingOption = -922;
constexpr int32_t kNoTable = -942;
constexpr int32_t kInvalidCursor = -1001;
constexpr int32_t kSelectListMismatch = -1007;
constexpr int32_t kNotAllBound = -1008;
constexpr int32_t kNotLoggedOn = -1012;
constexpr int32_t kLogonDenied = -1017;
constexpr int32_t kIoError = -1115;
constexpr int32_t kNullInsert = -1400;
constexpr int32_t kNullFetch = -1405;
constexpr int32_t kTruncated = -1406;
constexpr int32_t kTooManyRows = -1422;
constexpr int32_t kNoSchema = -1435;
constexpr int32_t kIntOverflow = -1455;
constexpr int32_t kCorrupt = -1578;
constexpr int32_t kFull = -1653;
constexpr int32_t kInvalidNumber = -1722;
constexpr int32_t kCheck = -2290;
constexpr int32_t kConstraint = -2291;
constexpr int32_t kConnectionLost = -3113;
constexpr int32_t kNoMemory = -4030;
constexpr int32_t kUnknownService = -12154;
constexpr int32_t kReadOnly = -16000;
}  // namespace db::rc
