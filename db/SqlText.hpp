#pragma once
// Reads the program's embedded SQL texts: the kind of statement, the INTO
// target list of a single-row select (taken out of the text) and the ":bN"
// placeholders. A backend renders the rest in its own dialect.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace db {

enum class SqlKind { Select, SelectInto, Insert, Update, Delete, Savepoint, Rollback, Commit,
                     Other };

struct IntoTarget {
    int n;            // placeholder number of the target
    bool indicator;   // ":bN:bM": with indicator
};

// One piece of the statement after the INTO list is removed: either plain
// text, a placeholder, or a word (identifier or keyword) outside quotes.
struct SqlPiece {
    enum Type { Text, Placeholder, Word } type;
    std::string text;  // Text / Word
    int n = -1;        // Placeholder
};

struct ParsedSql {
    SqlKind kind = SqlKind::Other;
    std::vector<IntoTarget> into;
    std::vector<SqlPiece> pieces;
    std::vector<int> placeholders;  // distinct numbers, in first-appearance order
    uint64_t placeholderMask = 0;   // bit n set for every placeholder n < 64
};

ParsedSql parseSql(std::string_view text);

// Renders the pieces: words go through mapWord (return the word itself to
// keep it), placeholders through mapPlaceholder.
std::string renderSql(const ParsedSql& p, const std::function<std::string(int)>& mapPlaceholder,
                      const std::function<std::string(const std::string&)>& mapWord);

bool equalsNoCase(std::string_view a, std::string_view b);

// One lexical piece of an embedded SQL text: a quoted literal with its
// quotes (an unclosed one runs to the end), a ":bN" placeholder, a word
// (letters, digits, '_', '$', '#') or any other single character. The texts
// of all tokens, put together, give the statement back byte for byte.
struct SqlToken {
    enum Kind { Quoted, Placeholder, Word, Char } kind = Char;
    std::string_view text;
    int n = -1;  // Placeholder: its number
};
class SqlScanner {
public:
    explicit SqlScanner(std::string_view text) : s_(text) {}
    bool next(SqlToken& t);  // false at the end
private:
    std::string_view s_;
    std::size_t i_ = 0;
};

// The text with the tie-break columns appended to its order by, or given as
// its order by when it has none; the text itself when tieBreak is empty.
std::string withTieBreak(std::string_view text, const char* tieBreak);

}  // namespace db
