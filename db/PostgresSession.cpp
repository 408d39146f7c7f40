// The server backend is not built in yet: the service is recognised and
// refused with the code of an unknown service.
#include "db/ResultCodes.hpp"
#include "db/Session.hpp"

namespace db {
std::unique_ptr<Session> openPostgresSession(const std::string&, const std::string&, const std::string&,
                                             int32_t& result) {
    result = rc::kUnknownService;
    return nullptr;
}
}  // namespace db
