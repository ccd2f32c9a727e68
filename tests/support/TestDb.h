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

// Creates an empty UTF8 database of the given SQL dialect at `target` (a local path or a
// server target) without the fixture tables. Throws std::runtime_error on failure.
void CreateEmptyDb(const std::string& target, int dialect = 3);

// Runs SQL statements (";"-separated) on an existing database, committing at the end.
// A statement that itself holds ";" (EXECUTE BLOCK) must not end a line with it.
void ExecSql(const std::string& target, const std::string& sql);

// "localhost/PORT:path" for the private test server (from RATEMEND_TEST_SERVER).
// Empty when the variable is not set.
std::string ServerTarget(const std::string& path);

// Makes a plain "host:path" target (default port) reach the private test server: points the
// client library of this process at the server's client configuration (env FIREBIRD).
// Must be called before the process loads the client library (before any connection or
// database of this file is made). Returns false when RATEMEND_TEST_SERVER_DIR is not set.
bool UseServerPortForDefault();

// The path of the fixture script (RATEMEND_FIXTURE_SQL, or the source tree's copy).
std::string FixtureSqlPath();

}  // namespace rm::test
