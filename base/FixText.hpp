#pragma once
// Fixed-width, NUL-terminated text field: a field of N bytes holds at most
// N-1 characters. Every text of a record, the run context and the host
// values is one of these, so that truncation happens in exactly one place.
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

template <std::size_t N>
struct FixText {
    static_assert(N >= 1, "a fixed text needs room for its terminator");
    static constexpr std::size_t capacity = N;  // bytes, terminator included

    char buf[N] = {};

    FixText() = default;
    FixText(const char* s) { assign(s); }          // NOLINT: implicit on purpose
    FixText(std::string_view s) { assign(s); }     // NOLINT
    template <std::size_t M>
    FixText(const FixText<M>& o) { assign(o.view()); }  // NOLINT: widths convert with truncation

    // Takes at most N-1 characters of s (stops at an embedded NUL).
    void assign(std::string_view s) {
        std::size_t n = 0;
        while (n < s.size() && n < N - 1 && s[n] != '\0') {
            buf[n] = s[n];
            ++n;
        }
        std::memset(buf + n, 0, N - n);
    }
    void assign(const char* s) { assign(std::string_view(s ? s : "")); }
    // Takes at most max(0, min(count, N-1)) characters of s.
    void assignPrefix(std::string_view s, std::size_t count) {
        assign(s.substr(0, count < s.size() ? count : s.size()));
    }
    template <std::size_t M>
    void assign(const FixText<M>& o) { assign(o.view()); }

    FixText& operator=(const char* s) { assign(s); return *this; }
    FixText& operator=(std::string_view s) { assign(s); return *this; }
    template <std::size_t M>
    FixText& operator=(const FixText<M>& o) { assign(o.view()); return *this; }

    void clear() { std::memset(buf, 0, N); }
    // Cuts the text at its first blank, as the parameter take-over does.
    void cutAtBlank() {
        char* p = std::strchr(buf, ' ');
        if (p) std::memset(p, 0, N - static_cast<std::size_t>(p - buf));
    }

    const char* c_str() const { return buf; }
    char* data() { return buf; }
    std::size_t size() const { return std::strlen(buf); }
    bool empty() const { return buf[0] == '\0'; }
    std::string_view view() const { return std::string_view(buf, size()); }
    std::string str() const { return std::string(view()); }

    bool operator==(std::string_view s) const { return view() == s; }
    template <std::size_t M>
    bool operator==(const FixText<M>& o) const { return view() == o.view(); }
    int compare(std::string_view s) const { return view().compare(s); }
};
