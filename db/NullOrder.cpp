// Renders the NULL place of every order-by term explicitly (see
// NullOrder.hpp for the rule and which backend needs it).
#include "db/NullOrder.hpp"

#include <cctype>

#include "db/SqlText.hpp"

namespace db {

namespace {

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

// Words after which an order by has no more terms.
bool endsOrderBy(std::string_view w) {
    for (const char* k : {"limit", "offset", "fetch", "for", "union", "intersect", "except"})
        if (equalsNoCase(w, k)) return true;
    return false;
}

}  // namespace

std::string withNullsOrdered(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 64);

    int depth = 0;           // parentheses open at this point
    bool afterOrder = false; // the last word was "order"
    bool inOrderBy = false;
    int orderDepth = 0;      // depth of the order by being rendered
    bool termHasText = false;
    bool termHasNulls = false;
    bool lastWordDesc = false;

    // Ends the current term: its NULL place goes right after its last
    // character, before any blanks that follow it.
    auto endTerm = [&]() {
        if (inOrderBy && termHasText && !termHasNulls) {
            std::size_t cut = out.size();
            while (cut > 0 && (out[cut - 1] == ' ' || out[cut - 1] == '\t' || out[cut - 1] == '\n')) --cut;
            out.insert(cut, lastWordDesc ? " NULLS FIRST" : " NULLS LAST");
        }
        termHasText = termHasNulls = lastWordDesc = false;
    };

    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\'') {
            std::size_t j = i + 1;
            while (j < text.size()) {
                if (text[j] == '\'') {
                    if (j + 1 < text.size() && text[j + 1] == '\'') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const std::size_t end = j < text.size() ? j + 1 : text.size();
            out.append(text.substr(i, end - i));
            i = end;
            afterOrder = false;
            if (inOrderBy) {
                termHasText = true;
                lastWordDesc = false;
            }
            continue;
        }
        if (isWordChar(c)) {
            std::size_t j = i;
            while (j < text.size() && isWordChar(text[j])) ++j;
            const std::string_view w = text.substr(i, j - i);
            if (inOrderBy && depth == orderDepth && endsOrderBy(w)) {
                endTerm();
                inOrderBy = false;
            }
            if (!inOrderBy && afterOrder && equalsNoCase(w, "by")) {
                inOrderBy = true;
                orderDepth = depth;
                termHasText = termHasNulls = lastWordDesc = false;
                afterOrder = false;
            } else if (inOrderBy) {
                if (equalsNoCase(w, "nulls")) termHasNulls = true;
                lastWordDesc = equalsNoCase(w, "desc");
                termHasText = true;
                afterOrder = false;
            } else {
                afterOrder = equalsNoCase(w, "order");
            }
            out.append(w);
            i = j;
            continue;
        }
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
            ++i;
            continue;
        }
        if (c != ' ' && c != '\t' && c != '\n') {
            afterOrder = false;
            if (inOrderBy) {
                termHasText = true;
                lastWordDesc = false;
            }
        }
        out += c;
        ++i;
    }
    endTerm();
    return out;
}

}  // namespace db
