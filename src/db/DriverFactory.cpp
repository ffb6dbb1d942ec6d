#include <string>

#include "db/CADOException.h"
#include "db/ConnectionString.h"
#include "db/DbError.h"
#include "db/Driver.h"
#include "db/PostgresConnectionOptions.h"
#include "textfiles/AsciiText.h"

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

// The parser's refusal is the layer's public exception, since the program's dialogs parse too;
// here, below the classes that translate every failure, it is a driver failure like the others.
ConnectionString ParseSettings(const std::string& connectionString) {
    try {
        return ConnectionString::Parse(connectionString);
    } catch (const CADOException& refusal) {
        throw DbError(refusal.ErrorCode(), "Connection string", refusal.ErrorText());
    }
}

}  // namespace

std::unique_ptr<DbConnection> OpenConnection(const std::string& connectionString) {
    // A URI holds '=' and ':' of its own, so it is recognised before any Key=Value parsing.
    if (const std::string uri(TrimAscii(connectionString, " \t\r\n")); IsPostgresUri(uri)) {
        return OpenPostgresUri(uri);
    }
    const ConnectionString settings = ParseSettings(connectionString);
    const std::optional<std::string> provider = settings.Find("Provider");
    if (!provider || provider->empty()) {
        throw DbError(kErrorUnspecified, "Connection string",
                      "The connection string names no Provider (use SQLite or PostgreSQL).");
    }
    for (const DriverEntry& driver : kDrivers) {
        if (EqualsIgnoringAsciiCase(*provider, driver.provider)) return driver.open(settings);
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
