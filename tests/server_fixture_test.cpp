// How a case finds its database server: DORVELIAN_PG_URI first, else the
// files that ctest's server fixture leaves in DORVELIAN_PG_STATE. A case run
// by ctest that finds neither file was not given the fixture and must not
// skip unseen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

#include "support/TestDb.hpp"

namespace {

// Sets or unsets an environment variable for one case and restores it.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~EnvVar() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override { state_ = testdb::makeTempDir(); }
    void TearDown() override { testdb::removeTree(state_); }
    std::string state_;
};

TEST_F(ServerFixture, TheFixturesFilesNameTheServerOrWhyThereIsNone) {
    EnvVar uri("DORVELIAN_PG_URI", nullptr);
    EnvVar state("DORVELIAN_PG_STATE", state_.c_str());

    // Neither file: the case was not given the fixture.
    EXPECT_THROW(testdb::postgresUri(), std::logic_error);

    writeFile(state_ + "/skip", "no server programs installed\n");
    EXPECT_EQ(testdb::postgresUri(), "");
    EXPECT_TRUE(testdb::serverMissing(testdb::Backend::Postgres));
    EXPECT_FALSE(testdb::serverMissing(testdb::Backend::Sqlite));
    EXPECT_EQ(testdb::skipReason(), "no server programs installed");

    writeFile(state_ + "/uri", "postgresql:///dorvelian?host=/tmp/x\n");
    EXPECT_EQ(testdb::postgresUri(), "postgresql:///dorvelian?host=/tmp/x");
    EXPECT_FALSE(testdb::serverMissing(testdb::Backend::Postgres));
}

TEST_F(ServerFixture, AServerNamedInTheEnvironmentComesFirst) {
    EnvVar uri("DORVELIAN_PG_URI", "postgresql:///site?host=/run/postgresql");
    EnvVar state("DORVELIAN_PG_STATE", state_.c_str());
    writeFile(state_ + "/uri", "postgresql:///dorvelian?host=/tmp/x\n");
    EXPECT_EQ(testdb::postgresUri(), "postgresql:///site?host=/run/postgresql");
}

TEST_F(ServerFixture, OutsideCtestNoServerMeansSkip) {
    EnvVar uri("DORVELIAN_PG_URI", nullptr);
    EnvVar state("DORVELIAN_PG_STATE", nullptr);
    EXPECT_EQ(testdb::postgresUri(), "");
    EXPECT_NE(testdb::skipReason().find("DORVELIAN_PG_URI"), std::string::npos);
}

}  // namespace
