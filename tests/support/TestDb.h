// Test support: fresh product databases made from the fixture script, and targets for the
// private test server.
#pragma once

#include <string>

namespace rm::test {

// A new empty folder under the system temp dir, unique per call.
std::string MakeTempDir(const std::string& tag);

// Creates a fresh product database (the three tables of the fixture script, dialect 3,
// UTF8) at `path` and runs `extraSql` (statements separated by ";" at line ends) in it.
// Works through the embedded engine. Throws std::runtime_error on failure.
void CreateProductDb(const std::string& path, const std::string& extraSql = "");

// Runs SQL statements (";"-separated) on an existing database, committing at the end.
void ExecSql(const std::string& target, const std::string& sql);

// "localhost/PORT:path" for the private test server (from RATEMEND_TEST_SERVER).
// Empty when the variable is not set.
std::string ServerTarget(const std::string& path);

}  // namespace rm::test
