// Well-formedness check for the markup the tools write.
#include "support/XmlCheck.hpp"

#include <cctype>
#include <set>
#include <vector>

namespace testdb {

namespace {

bool NameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ':'; }
bool NameChar(char c) {
    return NameStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.';
}

std::string At(const std::string& what, std::size_t pos) { return what + " at " + std::to_string(pos); }

// Checks a text or attribute value between [from, to): references only.
std::string Zeichen(std::string_view t, std::size_t from, std::size_t to, bool attribut) {
    for (std::size_t i = from; i < to; ++i) {
        if (t[i] == '<') return At("'<' in text", i);
        if (attribut && t[i] == '"') return At("'\"' in attribute value", i);
        if (static_cast<unsigned char>(t[i]) < 0x20 && t[i] != '\n' && t[i] != '\t' && t[i] != '\r')
            return At("control character", i);
        if (t[i] != '&') continue;
        const std::size_t semi = t.find(';', i);
        if (semi == std::string_view::npos || semi >= to) return At("unterminated reference", i);
        const std::string_view ref = t.substr(i + 1, semi - i - 1);
        static const std::set<std::string_view> kNamen = {"amp", "lt", "gt", "quot", "apos"};
        bool ok = kNamen.count(ref) > 0;
        if (!ok && ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string_view ziffern = ref.substr(hex ? 2 : 1);
            ok = !ziffern.empty();
            for (char c : ziffern)
                ok = ok && (hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c)));
        }
        if (!ok) return At("unknown reference &" + std::string(ref) + ";", i);
        i = semi;
    }
    return "";
}

}  // namespace

std::string xmlProblem(std::string_view t) {
    std::size_t i = 0;
    std::vector<std::string> offen;
    int wurzeln = 0;
    if (t.substr(0, 9) == "<!DOCTYPE") {
        i = t.find('>');
        if (i == std::string_view::npos) return "unterminated DOCTYPE";
        ++i;
    }
    while (i < t.size()) {
        const std::size_t lt = t.find('<', i);
        const std::size_t ende = lt == std::string_view::npos ? t.size() : lt;
        if (offen.empty()) {
            for (std::size_t k = i; k < ende; ++k)
                if (!std::isspace(static_cast<unsigned char>(t[k]))) return At("text outside the root element", k);
        } else if (std::string p = Zeichen(t, i, ende, false); !p.empty()) {
            return p;
        }
        if (lt == std::string_view::npos) break;
        i = lt;
        if (t.substr(i, 4) == "<!--") {
            const std::size_t e = t.find("-->", i + 4);
            if (e == std::string_view::npos) return At("unterminated comment", i);
            i = e + 3;
            continue;
        }
        const bool schliessend = i + 1 < t.size() && t[i + 1] == '/';
        std::size_t k = i + (schliessend ? 2 : 1);
        if (k >= t.size() || !NameStart(t[k])) return At("bad tag name", i);
        const std::size_t n0 = k;
        while (k < t.size() && NameChar(t[k])) ++k;
        const std::string name(t.substr(n0, k - n0));
        if (schliessend) {
            while (k < t.size() && std::isspace(static_cast<unsigned char>(t[k]))) ++k;
            if (k >= t.size() || t[k] != '>') return At("bad end tag </" + name, i);
            if (offen.empty() || offen.back() != name)
                return At("end tag </" + name + "> does not close <" + (offen.empty() ? "" : offen.back()) + ">", i);
            offen.pop_back();
            i = k + 1;
            continue;
        }
        std::set<std::string> attribute;
        bool leer = false;
        for (;;) {
            const std::size_t vor = k;
            while (k < t.size() && std::isspace(static_cast<unsigned char>(t[k]))) ++k;
            if (k >= t.size()) return At("unterminated tag <" + name, i);
            if (t[k] == '>') break;
            if (t[k] == '/') {
                if (k + 1 >= t.size() || t[k + 1] != '>') return At("bad '/' in tag <" + name, k);
                leer = true;
                ++k;
                break;
            }
            if (k == vor || !NameStart(t[k])) return At("bad attribute in <" + name, k);
            const std::size_t a0 = k;
            while (k < t.size() && NameChar(t[k])) ++k;
            const std::string attr(t.substr(a0, k - a0));
            if (!attribute.insert(attr).second) return At("repeated attribute " + attr, a0);
            if (k >= t.size() || t[k] != '=') return At("attribute " + attr + " without value", k);
            ++k;
            if (k >= t.size() || (t[k] != '"' && t[k] != '\'')) return At("unquoted attribute " + attr, k);
            const char q = t[k];
            const std::size_t e = t.find(q, k + 1);
            if (e == std::string_view::npos) return At("unterminated attribute " + attr, k);
            if (q == '"') {
                if (std::string p = Zeichen(t, k + 1, e, true); !p.empty()) return p;
            } else if (std::string p = Zeichen(t, k + 1, e, false); !p.empty()) {
                return p;
            }
            k = e + 1;
        }
        if (offen.empty()) {
            if (++wurzeln > 1) return At("second root element <" + name + ">", i);
        }
        if (!leer) offen.push_back(name);
        i = k + 1;
    }
    if (!offen.empty()) return "element <" + offen.back() + "> not closed";
    if (wurzeln != 1) return "no root element";
    return "";
}

}  // namespace testdb
