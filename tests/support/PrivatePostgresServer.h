#pragma once
// A PostgreSQL server of the test's own, made with scripts/pg-test-server: tests that stop a
// server mid-work must never touch the shared test server. Its commits are durable, so that a
// stopped server keeps every commit it answered, and a row lost is the program's fault.
// Start() answers the reason when no server could be made; without PostgreSQL's server binaries
// that is a reason to skip (CI has them), anything else a failure.

#include <optional>
#include <string>

class PrivatePostgresServer {
  public:
    PrivatePostgresServer();
    // Stops the server and removes its files.
    ~PrivatePostgresServer();
    PrivatePostgresServer(const PrivatePostgresServer&) = delete;
    PrivatePostgresServer& operator=(const PrivatePostgresServer&) = delete;

    struct StartFailure {
        bool binariesMissing = false;
        std::string text;
    };
    // Nothing when the server runs; Connection() then names it.
    std::optional<StartFailure> Start();
    const std::string& Connection() const { return connection_; }

    // Stops the server at once, as a crash would: connections are cut mid-statement.
    bool Kill();
    // Starts it again after Kill, with its data and on the same port.
    bool Resume();

  private:
    // The script's exit status; its output in `out`.
    int Script(const std::string& command, std::string* out = nullptr,
               const std::string& option = "") const;

    std::string dir_;
    std::string connection_;
};
