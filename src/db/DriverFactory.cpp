#include <cctype>
#include <string>

#include "db/ConnectionString.h"
#include "db/DbError.h"
#include "db/Driver.h"
#include "db/PostgresConnectionOptions.h"

namespace {

struct DriverEntry {
    const char* provider;
    std::unique_ptr<DbConnection> (*open)(const ConnectionString&);
    std::string (*codeMessage)(std::int32_t);
};

const DriverEntry kDrivers[] = {
    {"sqlite", OpenSqliteConnection, SqliteCodeMessage},
    {"postgresql", OpenPostgresConnection, PostgresCodeMessage},
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

std::unique_ptr<DbConnection> OpenConnection(const std::string& connectionString) {
    // A URI holds '=' and ':' of its own, so it is recognised before any Key=Value parsing.
    if (const std::string uri = Trim(connectionString); IsPostgresUri(uri)) {
        return OpenPostgresUri(uri);
    }
    const ConnectionString settings = ConnectionString::Parse(connectionString);
    const std::optional<std::string> provider = settings.Find("Provider");
    if (!provider || provider->empty()) {
        throw DbError(kErrorUnspecified, "Connection string",
                      "The connection string names no Provider (use SQLite or PostgreSQL).");
    }
    for (const DriverEntry& driver : kDrivers) {
        if (Lower(*provider) == driver.provider) return driver.open(settings);
    }
    // The provider's value is not repeated: a missing ';' could have put a password into it.
    throw DbError(kErrorUnspecified, "Connection string",
                  "The connection string names an unknown Provider (use SQLite or PostgreSQL).");
}

std::string DriverCodeMessage(std::int32_t code) {
    for (const DriverEntry& driver : kDrivers) {
        std::string message = driver.codeMessage(code);
        if (!message.empty()) return message;
    }
    return std::string();
}
