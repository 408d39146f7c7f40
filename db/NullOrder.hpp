#pragma once
// Where NULL stands in a sorted result. The program was written for a
// database on which NULL counts as larger than every value: in ascending
// order NULLs come after every value (NULLS LAST), in descending order
// before every value (NULLS FIRST). This holds for every term of an order
// by, the statement's own keys and the tie-break columns alike, and it
// decides which row of a cursor comes first when a sort column holds NULL
// (which person of a slot is reviewed first, which row of a person's day is
// read last).
//
// The backends:
//   - PostgreSQL sorts this way by default, for ascending and descending
//     terms alike, so its session sends the order by as written.
//   - SQLite sorts NULL as the smallest value. Its session renders every
//     term of every order by with the explicit clause (withNullsOrdered),
//     except a column the table declares NOT NULL, which sorts the same
//     either way and so keeps the index that serves it.
// Code that orders rows in memory in a cursor's order compares nullable
// values with compareNullsHigh.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// Tells whether a column may hold NULL; false only when the table declares
// it NOT NULL.
using MayBeNull = std::function<bool(std::string_view column)>;

// The statement text with "NULLS LAST" after every ascending term of its
// order by (explicit "asc" or none) and "NULLS FIRST" after every
// descending one. Terms that name their NULL place already stay as they
// are; quoted literals and other clauses are not touched. With mayBeNull, a
// term that is a bare column which cannot hold NULL stays as written too:
// its order is the same either way, and SQLite serves an order by from an
// index only up to the first term whose NULL place differs from its own.
std::string withNullsOrdered(std::string_view text, const MayBeNull& mayBeNull = {});

// The tables named in the statement's first from list ("T" or "SCHEMA.T",
// aliases left out); empty for anything else.
std::vector<std::string> tablesOf(std::string_view text);

// Three-way comparison in ascending order with NULL (an empty optional)
// larger than every value: < 0 when a comes first, > 0 when b does. For a
// descending term compare (b, a).
template <class T>
int compareNullsHigh(const std::optional<T>& a, const std::optional<T>& b) {
    if (!a) return b ? 1 : 0;
    if (!b) return -1;
    if (*a < *b) return -1;
    if (*b < *a) return 1;
    return 0;
}

}  // namespace db
