#include "db/SqlText.hpp"

#include <cctype>

namespace db {

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

namespace {

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

// Splits the text into words, placeholders and the rest; quoted literals stay
// plain text so that nothing inside them is rewritten.
std::vector<SqlPiece> tokenize(std::string_view s) {
    std::vector<SqlPiece> out;
    auto addText = [&](std::string_view t) {
        if (t.empty()) return;
        if (!out.empty() && out.back().type == SqlPiece::Text)
            out.back().text.append(t);
        else
            out.push_back({SqlPiece::Text, std::string(t)});
    };
    SqlScanner scanner(s);
    SqlToken t;
    while (scanner.next(t)) {
        switch (t.kind) {
            case SqlToken::Placeholder: out.push_back({SqlPiece::Placeholder, {}, t.n}); break;
            case SqlToken::Word: out.push_back({SqlPiece::Word, std::string(t.text)}); break;
            case SqlToken::Quoted:
            case SqlToken::Char: addText(t.text); break;
        }
    }
    return out;
}

}  // namespace

bool SqlScanner::next(SqlToken& t) {
    const std::string_view s = s_;
    const std::size_t i = i_;
    if (i >= s.size()) return false;
    const char c = s[i];
    std::size_t j = i + 1;
    t.n = -1;
    if (c == '\'') {
        while (j < s.size()) {
            if (s[j] == '\'') {
                if (j + 1 < s.size() && s[j + 1] == '\'') {
                    j += 2;
                    continue;
                }
                break;
            }
            ++j;
        }
        j = j < s.size() ? j + 1 : s.size();
        t.kind = SqlToken::Quoted;
    } else if (c == ':' && i + 2 < s.size() && (s[i + 1] == 'b' || s[i + 1] == 'B') &&
               std::isdigit(static_cast<unsigned char>(s[i + 2]))) {
        j = i + 2;
        int n = 0;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
            n = n * 10 + (s[j] - '0');
            ++j;
        }
        t.kind = SqlToken::Placeholder;
        t.n = n;
    } else if (isWordChar(c)) {
        while (j < s.size() && isWordChar(s[j])) ++j;
        t.kind = SqlToken::Word;
    } else {
        t.kind = SqlToken::Char;
    }
    t.text = s.substr(i, j - i);
    i_ = j;
    return true;
}

namespace {

bool isBlankText(const SqlPiece& p) {
    if (p.type != SqlPiece::Text) return false;
    for (char c : p.text)
        if (c != ' ' && c != ',' && c != '\t' && c != '\n') return false;
    return true;
}

}  // namespace

ParsedSql parseSql(std::string_view text) {
    ParsedSql r;
    std::vector<SqlPiece> pieces = tokenize(text);

    // Kind from the first word.
    for (const SqlPiece& p : pieces) {
        if (p.type != SqlPiece::Word) continue;
        if (equalsNoCase(p.text, "select")) r.kind = SqlKind::Select;
        else if (equalsNoCase(p.text, "insert")) r.kind = SqlKind::Insert;
        else if (equalsNoCase(p.text, "update")) r.kind = SqlKind::Update;
        else if (equalsNoCase(p.text, "delete")) r.kind = SqlKind::Delete;
        else if (equalsNoCase(p.text, "savepoint")) r.kind = SqlKind::Savepoint;
        else if (equalsNoCase(p.text, "rollback")) r.kind = SqlKind::Rollback;
        else if (equalsNoCase(p.text, "commit")) r.kind = SqlKind::Commit;
        break;
    }

    // The INTO list of a select: "into :b0,:b1:b2 ... from". The targets are
    // host outputs, not part of the statement the engine runs.
    if (r.kind == SqlKind::Select) {
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (pieces[i].type != SqlPiece::Word || !equalsNoCase(pieces[i].text, "into")) continue;
            std::size_t j = i + 1;
            std::vector<IntoTarget> targets;
            bool ok = true;
            while (j < pieces.size()) {
                const SqlPiece& p = pieces[j];
                if (p.type == SqlPiece::Word && equalsNoCase(p.text, "from")) break;
                if (p.type == SqlPiece::Placeholder) {
                    // A placeholder directly after another one is its indicator.
                    if (j > i + 1 && pieces[j - 1].type == SqlPiece::Placeholder &&
                        !targets.empty() && !targets.back().indicator) {
                        targets.back().indicator = true;
                    } else {
                        targets.push_back({p.n, false});
                    }
                } else if (!isBlankText(p)) {
                    ok = false;
                    break;
                }
                ++j;
            }
            if (ok && j < pieces.size()) {
                r.kind = SqlKind::SelectInto;
                r.into = std::move(targets);
                pieces.erase(pieces.begin() + static_cast<long>(i), pieces.begin() + static_cast<long>(j));
                // Keep one blank between the select list and "from".
                pieces.insert(pieces.begin() + static_cast<long>(i), SqlPiece{SqlPiece::Text, " "});
            }
            break;
        }
    }

    for (const SqlPiece& p : pieces) {
        if (p.type != SqlPiece::Placeholder) continue;
        bool seen = false;
        for (int n : r.placeholders) seen = seen || n == p.n;
        if (!seen) r.placeholders.push_back(p.n);
        if (p.n < 64) r.placeholderMask |= (uint64_t{1} << p.n);
    }
    r.pieces = std::move(pieces);
    return r;
}

std::string renderSql(const ParsedSql& p, const std::function<std::string(int)>& mapPlaceholder,
                      const std::function<std::string(const std::string&)>& mapWord) {
    std::string out;
    for (const SqlPiece& piece : p.pieces) {
        switch (piece.type) {
            case SqlPiece::Text: out += piece.text; break;
            case SqlPiece::Placeholder: out += mapPlaceholder(piece.n); break;
            case SqlPiece::Word: out += mapWord(piece.text); break;
        }
    }
    return out;
}

std::string withTieBreak(std::string_view text, const char* tieBreak) {
    std::string out(text);
    if (tieBreak == nullptr || *tieBreak == '\0') return out;
    // "order by" as two words outside quoted text.
    bool hasOrderBy = false;
    const ParsedSql parsed = parseSql(text);
    const SqlPiece* previous = nullptr;
    for (const SqlPiece& piece : parsed.pieces) {
        if (piece.type != SqlPiece::Word) continue;
        if (previous && equalsNoCase(previous->text, "order") && equalsNoCase(piece.text, "by")) hasOrderBy = true;
        previous = &piece;
    }
    out += hasOrderBy ? "," : " order by ";
    out += tieBreak;
    return out;
}

}  // namespace db
