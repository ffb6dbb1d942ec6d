#pragma once
// How a connection string becomes libpq's keyword/value arrays. Values are handed over as they
// stand, never pasted into a conninfo text, so no quote, space or '=' in a host name, database
// name or password can change the meaning of another setting.

#include <string>
#include <utility>
#include <vector>

class ConnectionString;

struct PostgresConnectionOptions {
    // In the order libpq should apply them.
    std::vector<std::pair<std::string, std::string>> keywords;
    // Index of the entry that holds a postgresql:// URI to be expanded by libpq, or -1.
    int uriIndex = -1;
    // Texts that must never appear in an error message (the password, the URI).
    std::vector<std::string> secrets;
};

// True for "postgresql://..." and "postgres://..." texts.
bool IsPostgresUri(const std::string& text);

// Accepted keys (any letter case): Host/Server/Address, Port, Database/Initial Catalog,
// User ID/UID/User/User Name, Password/PWD, SSL Mode, Connect Timeout, and Data Source (a host
// name, or a postgresql:// URI that names the whole connection). Other keys, such as Provider,
// are not the server's business and are left out. Throws DbError for a URI libpq cannot read.
PostgresConnectionOptions MakePostgresConnectionOptions(const ConnectionString& settings);
// The same for a whole connection string that is a URI.
PostgresConnectionOptions MakePostgresConnectionOptions(const std::string& uri);

// `message` with every secret replaced by "***".
std::string ScrubSecrets(std::string message, const std::vector<std::string>& secrets);
