#pragma once
// What every backend does with a fetched value and its output, whatever the
// value's form on the wire: a NULL, and a text against the output's
// capacity. The number conversions stay with each backend, since their
// forms differ (see the sessions).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "db/ResultCodes.hpp"
#include "db/Runtime.hpp"

namespace db {

// NULL: with indicator the output gets 0, 0.0 or "" and the result is
// rc::kOk; without, rc::kNullFetch and the output is left untouched.
inline int32_t putNull(const HostVar& o) {
    if (!o.ind) return rc::kNullFetch;
    switch (o.type) {
        case HostType::Int32: *static_cast<int32_t*>(o.ptr) = 0; break;
        case HostType::Double: *static_cast<double*>(o.ptr) = 0.0; break;
        case HostType::Text: static_cast<char*>(o.ptr)[0] = '\0'; break;
    }
    return rc::kOk;
}

// A text of len bytes into a text output: cut to the output's capacity
// (terminator included) when it has an indicator; without indicator a
// longer text gives rc::kTruncated and leaves the output untouched.
inline int32_t putText(const HostVar& o, const char* s, std::size_t len) {
    const std::size_t room = o.cap ? o.cap - 1 : 0;
    if (len > room) {
        if (!o.ind) return rc::kTruncated;
        len = room;
    }
    char* dst = static_cast<char*>(o.ptr);
    std::memcpy(dst, s, len);
    dst[len] = '\0';
    return rc::kOk;
}

// The session's error text for a code of putNull or putText at output
// number `output` (from 0).
std::string outputFailure(int32_t code, std::size_t output);

}  // namespace db
