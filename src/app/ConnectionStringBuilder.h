#pragma once
// Composing the database connection string in a dialog instead of typing it. The dialog edits a
// model of what our two drivers need; the model is read from the field's current string and
// written back as one, so that a round trip through the dialog keeps every setting.

#include <string>
#include <utility>
#include <vector>

class WindowServices;

struct ConnectionStringModel {
    enum class Provider { SQLite, PostgreSQL };

    Provider provider = Provider::SQLite;
    std::string file;  // SQLite: the database file; the driver creates it when missing
    std::string host;  // PostgreSQL: empty fields are left to the server's defaults
    std::string port;
    std::string database;
    std::string user;
    std::string password;
    // Entries the dialog has no field for (SSL Mode, Connect Timeout, a postgresql:// URI),
    // carried through unchanged so that editing the fields never drops them.
    std::vector<std::pair<std::string, std::string>> otherEntries;

    bool operator==(const ConnectionStringModel&) const = default;
};

// The model of `text`. An empty text or one that is no `Key=Value;` list gives the defaults: a
// new SQLite database without a file.
ConnectionStringModel ParseConnectionStringModel(const std::string& text);
// "Provider=...;Key=Value;..." that the connection string parser reads back as `model`.
std::string ComposeConnectionString(const ConnectionStringModel& model);
// The value as written into a connection string: in double quotes, with inner quotes doubled,
// when the parser would otherwise end it early, split it or trim it.
std::string QuoteConnectionValue(const std::string& value);

struct ConnectionTestResult {
    bool succeeded = false;
    std::string message;
};
// Opens and closes the database; the message is for the user and never holds the password.
ConnectionTestResult TestConnection(const std::string& connectionString);

// The connection string the user composed in the connection dialog, which starts from
// `current`. Cancelling keeps `current`, so the result is empty only when the user cancelled
// without having a string.
std::string BuildConnectionString(WindowServices& window, const std::string& current);
