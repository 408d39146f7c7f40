#pragma once
// Plans for the tests that run the program binary on a generated demo plan:
// a pristine copy to start every case from (read them with PlanRows).
#include <string>

namespace testdb {

// Generates a demo plan into DIR/db (dorvelian-demo with the given options)
// and widens each plan group's horizon so that the run's period covers every
// day of the plan. Returns false when the generator failed.
bool makeDemoPlan(const std::string& dir, const std::string& options);
// Copies the schema directory FROM (PLAN.db and DVMASTER.db) to a fresh TO.
bool copyPlan(const std::string& from, const std::string& to);

}  // namespace testdb
