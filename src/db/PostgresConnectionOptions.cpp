#include "db/PostgresConnectionOptions.h"

#include <libpq-fe.h>

#include <array>
#include <memory>
#include <string_view>

#include "db/ConnectionString.h"
#include "db/DbError.h"
#include "db/PostgresErrorCode.h"
#include "textfiles/AsciiText.h"

namespace {

const char* const kSource = "PostgreSQL connection";

// A down server should fail the open in seconds, not after the system's TCP time-out.
const char* const kDefaultConnectTimeout = "10";

struct KeyAlias {
    std::string_view key;
    std::string_view libpqKeyword;
};

constexpr std::array kAliases{
    KeyAlias{"host", "host"},
    KeyAlias{"server", "host"},
    KeyAlias{"address", "host"},
    KeyAlias{"port", "port"},
    KeyAlias{"database", "dbname"},
    KeyAlias{"initial catalog", "dbname"},
    KeyAlias{"user id", "user"},
    KeyAlias{"uid", "user"},
    KeyAlias{"user", "user"},
    KeyAlias{"user name", "user"},
    KeyAlias{"password", "password"},
    KeyAlias{"pwd", "password"},
    KeyAlias{"ssl mode", "sslmode"},
    KeyAlias{"sslmode", "sslmode"},
    KeyAlias{"connect timeout", "connect_timeout"},
};

std::string_view LibpqKeyword(const std::string& key) {
    const std::string lower = ToLowerAscii(key);
    for (const auto& alias : kAliases)
        if (alias.key == lower) return alias.libpqKeyword;
    return {};
}

struct ConninfoOptionsFree {
    void operator()(PQconninfoOption* options) const { PQconninfoFree(options); }
};

// Checks the URI and returns its password (empty when it has none).
std::string UriPassword(const std::string& uri) {
    char* error = nullptr;
    std::unique_ptr<PQconninfoOption, ConninfoOptionsFree> options(
        PQconninfoParse(uri.c_str(), &error));
    if (!options) {
        std::string why = error ? error : "out of memory";
        PQfreemem(error);
        throw DbError(*PackSqlState(kSqlStateConnectionFailed), kSource,
                      "The postgresql:// connection URI is not valid: " + ScrubSecrets(why, {uri}));
    }
    for (auto* o = options.get(); o->keyword; ++o)
        if (std::string_view(o->keyword) == "password" && o->val) return o->val;
    return {};
}

void AddUri(PostgresConnectionOptions& options, const std::string& uri) {
    options.uriIndex = static_cast<int>(options.keywords.size());
    options.keywords.emplace_back("dbname", uri);
    options.secrets.push_back(uri);
    if (auto password = UriPassword(uri); !password.empty())
        options.secrets.push_back(std::move(password));
}

// Settings the driver relies on, applied after everything the user gave.
void AddFixedSettings(PostgresConnectionOptions& options) {
    // Texts travel as UTF-8 (see PostgresText.h); backslashes in literals are plain characters.
    options.keywords.emplace_back("client_encoding", "UTF8");
    options.keywords.emplace_back("options", "-c standard_conforming_strings=on");
}

}  // namespace

bool IsPostgresUri(const std::string& text) {
    const std::string lower = ToLowerAscii(text.substr(0, 13));
    return lower.starts_with("postgresql://") || lower.starts_with("postgres://");
}

PostgresConnectionOptions MakePostgresConnectionOptions(const ConnectionString& settings) {
    PostgresConnectionOptions options;
    options.keywords.emplace_back("connect_timeout", kDefaultConnectTimeout);
    options.keywords.emplace_back("fallback_application_name", "kestrelport");
    // libpq expands only the first dbname entry, so the URI goes first and the other keys,
    // taken literally, refine it.
    const auto dataSource = settings.Find("Data Source");
    const bool dataSourceIsUri = dataSource && IsPostgresUri(*dataSource);
    if (dataSourceIsUri) AddUri(options, *dataSource);
    for (const auto& [key, value] : settings.Entries()) {
        const bool isDataSource = EqualsIgnoringAsciiCase(key, "data source");
        if (isDataSource && dataSourceIsUri) continue;
        const auto keyword = isDataSource ? std::string_view("host") : LibpqKeyword(key);
        if (keyword.empty()) continue;
        options.keywords.emplace_back(std::string(keyword), value);
        if (keyword == "password" && !value.empty()) options.secrets.push_back(value);
    }
    AddFixedSettings(options);
    return options;
}

PostgresConnectionOptions MakePostgresConnectionOptions(const std::string& uri) {
    PostgresConnectionOptions options;
    options.keywords.emplace_back("connect_timeout", kDefaultConnectTimeout);
    options.keywords.emplace_back("fallback_application_name", "kestrelport");
    AddUri(options, uri);
    AddFixedSettings(options);
    return options;
}

std::string ScrubSecrets(std::string message, const std::vector<std::string>& secrets) {
    for (const auto& secret : secrets) {
        if (secret.empty()) continue;
        for (auto pos = message.find(secret); pos != std::string::npos;
             pos = message.find(secret, pos + 3))
            message.replace(pos, secret.size(), "***");
    }
    return message;
}
