#include "app/ConnectionStringBuilder.h"

#include <array>
#include <string_view>

#include "app/CKestrelportDlg.h"
#include "app/CKestrelportDlgNormalCursor.h"
#include "app/WindowServices.h"
#include "db/CADODatabase.h"
#include "db/CADOException.h"
#include "db/ConnectionString.h"
#include "db/PostgresConnectionOptions.h"
#include "textfiles/AsciiText.h"
#include "textfiles/QuotedText.h"

namespace {

using Provider = ConnectionStringModel::Provider;

// The keys the drivers accept for each field (see the drivers' connection options); the first
// one of each is the one written.
struct FieldKeys {
    std::string ConnectionStringModel::*field;
    std::array<std::string_view, 4> keys;
};

constexpr FieldKeys kPostgresFields[] = {
    {&ConnectionStringModel::host, {"Host", "Server", "Address"}},
    {&ConnectionStringModel::port, {"Port"}},
    {&ConnectionStringModel::database, {"Database", "Initial Catalog"}},
    {&ConnectionStringModel::user, {"User ID", "UID", "User", "User Name"}},
    {&ConnectionStringModel::password, {"Password", "PWD"}},
};

constexpr std::string_view kProviderKey = "Provider";
constexpr std::string_view kDataSourceKey = "Data Source";

// Finds the field a PostgreSQL key fills. A Data Source that is a URI names the whole connection
// and stays an entry of its own.
std::string* PostgresField(ConnectionStringModel& model, const std::string& key,
                           const std::string& value) {
    if (EqualsIgnoringAsciiCase(key, kDataSourceKey))
        return IsPostgresUri(value) ? nullptr : &model.host;
    for (const FieldKeys& field : kPostgresFields) {
        for (std::string_view alias : field.keys) {
            if (!alias.empty() && EqualsIgnoringAsciiCase(key, alias)) return &(model.*field.field);
        }
    }
    return nullptr;
}

void Append(std::string& text, std::string_view key, const std::string& value) {
    text += ';';
    text += key;
    text += '=';
    text += QuoteConnectionValue(value);
}

}  // namespace

ConnectionStringModel ParseConnectionStringModel(const std::string& text) {
    ConnectionStringModel model;
    // A bare postgresql:// URI names the whole connection; it is kept whole as the Data Source
    // that the driver reads the same way.
    if (const std::string uri(TrimAscii(text, " \t\r\n")); IsPostgresUri(uri)) {
        model.provider = Provider::PostgreSQL;
        model.otherEntries.emplace_back(kDataSourceKey, uri);
        return model;
    }
    ConnectionString parsed;
    try {
        parsed = ConnectionString::Parse(text);
    } catch (const CADOException&) {
        return model;
    }
    if (EqualsIgnoringAsciiCase(parsed.Value(std::string(kProviderKey)), "PostgreSQL"))
        model.provider = Provider::PostgreSQL;
    // Entries go in order, so a key given twice keeps its last value, as in the drivers.
    for (const auto& [key, value] : parsed.Entries()) {
        if (EqualsIgnoringAsciiCase(key, kProviderKey)) continue;
        std::string* field = nullptr;
        if (model.provider == Provider::PostgreSQL)
            field = PostgresField(model, key, value);
        else if (EqualsIgnoringAsciiCase(key, kDataSourceKey))
            field = &model.file;
        if (field)
            *field = value;
        else
            model.otherEntries.emplace_back(key, value);
    }
    return model;
}

std::string ComposeConnectionString(const ConnectionStringModel& model) {
    std::string text(kProviderKey);
    if (model.provider == Provider::SQLite) {
        text += "=SQLite";
        Append(text, kDataSourceKey, model.file);
    } else {
        text += "=PostgreSQL";
        for (const FieldKeys& field : kPostgresFields) {
            const std::string& value = model.*field.field;
            if (!value.empty()) Append(text, field.keys[0], value);
        }
    }
    for (const auto& [key, value] : model.otherEntries) Append(text, key, value);
    return text;
}

std::string QuoteConnectionValue(const std::string& value) {
    const bool needsQuotes =
        value.find_first_of(";=\"") != std::string::npos ||
        (!value.empty() && (IsAsciiWhiteSpace(value.front()) || IsAsciiWhiteSpace(value.back())));
    if (!needsQuotes) return value;
    return QuotedByDoubling(value, '"');
}

ConnectionTestResult TestConnection(const std::string& connectionString) {
    try {
        CADODatabase database;
        database.Open(connectionString);
        return {true, "Connection succeeded."};
    } catch (const CADOException& error) {
        return {false, "Connection failed:\r\n\r\n" + error.ErrorText()};
    }
}

std::string BuildConnectionString(WindowServices& window, const std::string& current) {
    if (std::optional<std::string> composed = window.RunConnectionDialog(current)) return *composed;
    return current;
}

void CKestrelportDlg::OnBuildConnectionString() {
    const std::string current = window_.GetControlText(ControlId::ConnString);
    const std::string built =
        WithNormalCursor([&] { return BuildConnectionString(window_, current); });
    if (built.empty()) {
        MessageBox("Prompt for connection failed!");
        return;
    }
    window_.SetControlText(ControlId::ConnString, built);
}
