// Renders the NULL place of every order-by term explicitly (see
// NullOrder.hpp for the rule and which backend needs it).
#include "db/NullOrder.hpp"

#include <vector>

#include "db/SqlText.hpp"

namespace db {

namespace {

// Words after which an order by has no more terms.
bool endsOrderBy(std::string_view w) {
    for (const char* k : {"limit", "offset", "fetch", "for", "union", "intersect", "except"})
        if (equalsNoCase(w, k)) return true;
    return false;
}

}  // namespace

std::string withNullsOrdered(std::string_view text, const MayBeNull& mayBeNull) {
    std::string out;
    out.reserve(text.size() + 64);

    int depth = 0;           // parentheses open at this point
    bool afterOrder = false; // the last word was "order"
    bool inOrderBy = false;
    int orderDepth = 0;      // depth of the order by being rendered
    bool termHasText = false;
    bool termHasNulls = false;
    bool lastWordDesc = false;
    bool lastDirection = false;  // the last word was asc or desc
    // A bare column term: one word, perhaps followed by asc or desc.
    std::string_view termColumn;
    int termWords = 0;
    bool termOther = false;

    // Ends the current term: its NULL place goes right after its last
    // character, before any blanks that follow it.
    auto endTerm = [&]() {
        const bool bare = !termOther && (termWords == 1 || (termWords == 2 && lastDirection));
        const bool needed = !bare || !mayBeNull || mayBeNull(termColumn);
        if (inOrderBy && termHasText && !termHasNulls && needed) {
            std::size_t cut = out.size();
            while (cut > 0 && (out[cut - 1] == ' ' || out[cut - 1] == '\t' || out[cut - 1] == '\n')) --cut;
            out.insert(cut, lastWordDesc ? " NULLS FIRST" : " NULLS LAST");
        }
        termHasText = termHasNulls = lastWordDesc = lastDirection = termOther = false;
        termWords = 0;
        termColumn = {};
    };

    SqlScanner scanner(text);
    SqlToken t;
    while (scanner.next(t)) {
        if (t.kind == SqlToken::Quoted || t.kind == SqlToken::Placeholder) {
            // A literal or a placeholder is a term's text, never a column.
            out.append(t.text);
            afterOrder = false;
            if (inOrderBy) {
                termHasText = termOther = true;
                lastWordDesc = lastDirection = false;
            }
            continue;
        }
        if (t.kind == SqlToken::Word) {
            const std::string_view w = t.text;
            if (inOrderBy && depth == orderDepth && endsOrderBy(w)) {
                endTerm();
                inOrderBy = false;
            }
            if (!inOrderBy && afterOrder && equalsNoCase(w, "by")) {
                inOrderBy = true;
                orderDepth = depth;
                termHasText = termHasNulls = lastWordDesc = lastDirection = termOther = false;
                termWords = 0;
                termColumn = {};
                afterOrder = false;
            } else if (inOrderBy) {
                if (equalsNoCase(w, "nulls")) termHasNulls = true;
                lastWordDesc = equalsNoCase(w, "desc");
                lastDirection = lastWordDesc || equalsNoCase(w, "asc");
                if (++termWords == 1) termColumn = w;
                termHasText = true;
                afterOrder = false;
            } else {
                afterOrder = equalsNoCase(w, "order");
            }
            out.append(w);
            continue;
        }
        const char c = t.text[0];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (inOrderBy && depth == orderDepth) {
                // The order by of a parenthesised query ends here.
                endTerm();
                inOrderBy = false;
            }
            --depth;
        } else if (c == ',' && inOrderBy && depth == orderDepth) {
            endTerm();
            out += c;
            continue;
        }
        if (c != ' ' && c != '\t' && c != '\n') {
            afterOrder = false;
            if (inOrderBy) {
                termHasText = termOther = true;
                lastWordDesc = lastDirection = false;
            }
        }
        out += c;
    }
    endTerm();
    return out;
}

std::vector<std::string> tablesOf(std::string_view text) {
    std::vector<std::string> out;
    const ParsedSql parsed = parseSql(text);
    bool inFrom = false;
    bool newItem = true;  // the next word starts a table item
    for (std::size_t i = 0; i < parsed.pieces.size(); ++i) {
        const SqlPiece& p = parsed.pieces[i];
        if (p.type == SqlPiece::Word) {
            if (!inFrom) {
                inFrom = equalsNoCase(p.text, "from");
                continue;
            }
            for (const char* k : {"where", "order", "group", "having", "limit", "union"})
                if (equalsNoCase(p.text, k)) return out;
            if (newItem) out.push_back(p.text);
            newItem = false;
        } else if (inFrom && p.type == SqlPiece::Text) {
            // "SCHEMA.T" is one item; a comma starts the next one.
            if (p.text == "." && !out.empty() && i + 1 < parsed.pieces.size() &&
                parsed.pieces[i + 1].type == SqlPiece::Word) {
                out.back() += "." + parsed.pieces[i + 1].text;
                ++i;
            } else if (p.text.find(',') != std::string::npos) {
                newItem = true;
            } else if (p.text.find('(') != std::string::npos) {
                return out;  // a subquery or function: not a plain table list
            }
        }
    }
    return out;
}

}  // namespace db
