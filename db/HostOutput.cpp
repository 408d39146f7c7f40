// The error texts of the output rules shared by the backends.
#include "db/HostOutput.hpp"

namespace db {

std::string outputFailure(int32_t code, std::size_t output) {
    if (code == rc::kNullFetch) return "NULL fetched into output " + std::to_string(output) + " without indicator";
    return "text of output " + std::to_string(output) + " truncated";
}

}  // namespace db
