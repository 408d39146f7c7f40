#pragma once
// A database of its own on the test server (postgresUri()), made one way for
// every case that needs one: created empty or as a copy of a template,
// dropped WITH (FORCE) when the object goes; and the connection the tests
// open to the server (dorvelian/dorvelian, notices off).
#include <string>

struct pg_conn;

namespace testdb {

// Connects to a database URI as dorvelian/dorvelian with notices off; a
// failed connection is a test failure (the connection is returned anyway).
pg_conn* serverConnect(const std::string& uri);

class ServerDb {
public:
    // Creates "<prefix>_<pid>_<n>" (dropped first if a crashed run left it),
    // empty or as a copy of templateDb.
    explicit ServerDb(const std::string& prefix, const std::string& templateDb = "");
    ~ServerDb();
    ServerDb(const ServerDb&) = delete;
    ServerDb& operator=(const ServerDb&) = delete;
    const std::string& name() const { return name_; }
    const std::string& uri() const { return uri_; }
    // False (after a test failure) when the server refused the database.
    bool ok() const { return ok_; }

private:
    std::string name_, uri_;
    bool ok_ = false;
};

}  // namespace testdb
