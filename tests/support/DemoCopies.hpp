#pragma once
// A generated demo plan on either backend, and fresh copies of it for runs of
// the program binary: SQLite copies are folders with PLAN.db and DVMASTER.db,
// server copies are databases made from a template database that holds the
// plan (schema plan) and the calendar (schema dvmaster); and the end state of
// a run, read through PlanRows, as texts that compare across backends.
#include <memory>
#include <string>
#include <vector>

#include "support/PlanRows.hpp"
#include "support/ServerDb.hpp"
#include "support/TestDb.hpp"

namespace testdb {

class DemoCopies {
public:
    // Generates the demo plan (dorvelian-demo with the options) with a
    // horizon of three weeks per plan group. ok() tells whether it worked.
    DemoCopies(Backend backend, const std::string& options);
    ~DemoCopies();
    DemoCopies(const DemoCopies&) = delete;
    DemoCopies& operator=(const DemoCopies&) = delete;
    bool ok() const { return ok_; }
    Backend backend() const { return backend_; }
    // Makes copy NAME (a short word of letters and digits) and answers its
    // service for the configuration; "" when the copy failed.
    std::string copy(const std::string& name);
    // The logon of the copies' service.
    std::string login() const;
    std::string password() const;

private:
    Backend backend_;
    bool ok_ = false;
    std::string root_;     // temporary folder: the demo and the SQLite copies
    std::vector<std::unique_ptr<ServerDb>> databases_;  // server: the template database, then the copies
};

}  // namespace testdb

namespace testdb {

// What a run leaves, as sorted row texts without random keys, time stamps
// and job stamps: the proposals, every matrix row, the error rows, and the
// plan groups still marked in work.
struct EndState {
    std::vector<std::string> proposals, matrix, errors, inWork;
};
EndState endState(PlanRows& db);
// Matrix rows (other than those of slot kinds 3 and 4) whose counts,
// proposal counts or deviation disagree with the deployments and the open
// proposals of their slot.
std::vector<std::string> disagreeingRows(PlanRows& db);
// The rows of a that are missing from b, counted with multiplicity (both
// sorted).
std::vector<std::string> missingRows(const std::vector<std::string>& a, const std::vector<std::string>& b);

}  // namespace testdb
