#pragma once
// Helpers shared by the tests: a temporary folder removed at the end, byte-exact file writing,
// and the connection string of the PostgreSQL test server that the test command starts.

#include <filesystem>
#include <optional>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void WriteBytes(const std::string& fileName, const std::string& bytes);
std::string ReadBytes(const std::string& fileName);
// gzip-compresses `bytes` into `fileName` (one member).
void WriteGzip(const std::string& fileName, const std::string& bytes);

// Sets (or with a null value removes) an environment variable for its lifetime and restores
// the previous state afterwards.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

// A real log of the shared test data (`KESTRELPORT_SHARED_DATA`, else the shared folder beside
// the source tree), e.g. SharedLogPath("elastic-apache-2015.log.gz").
std::string SharedLogPath(const std::string& name);
// False in a clone without the shared test data beside it: the real logs are not ours to ship.
bool SharedLogsPresent();

// Use at the top of a test (or its fixture's SetUp) that reads the real logs: skips with a note
// where they are absent.
#define KP_REQUIRE_SHARED_LOGS()                                                                \
    do {                                                                                        \
        if (!SharedLogsPresent())                                                               \
            GTEST_SKIP() << "the real logs are not here (set KESTRELPORT_SHARED_DATA to a folder " \
                            "holding logs/ to run this test)";                                  \
    } while (false)

// The connection string of the loopback PostgreSQL server started by the test command
// (KESTRELPORT_PG_TEST), or nothing. Under CI=true a missing server fails the calling test.
std::optional<std::string> PostgresTestConnection();

// Use at the top of a PostgreSQL test: skips locally without a server, fails in CI.
#define KP_REQUIRE_POSTGRES(var)                                                        \
    auto var##_opt = PostgresTestConnection();                                          \
    if (!var##_opt) {                                                                   \
        if (std::getenv("CI") && std::string(std::getenv("CI")) == "true")              \
            FAIL() << "KESTRELPORT_PG_TEST is not set; CI must run the PostgreSQL tests"; \
        GTEST_SKIP() << "no PostgreSQL test server (scripts/pg-test-server start)";     \
    }                                                                                   \
    const std::string var = *var##_opt
