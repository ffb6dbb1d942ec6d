// Connection strings as users type them into the dialog, the settings and --connection. The
// parser may refuse a text only with CADOException; what it accepts must survive being written
// back, as the connection dialog does with every string it edits. A string naming SQLite is
// opened with its file moved into the scratch folder; nothing else is ever opened, so no input
// can make the fuzzer reach out to a server.

#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "app/ConnectionStringBuilder.h"
#include "db/CADOException.h"
#include "db/ConnectionString.h"
#include "db/DbError.h"
#include "db/Driver.h"
#include "db/PostgresConnectionOptions.h"

namespace {

constexpr std::size_t kLongestRefusal = 200;

bool SameKey(std::string_view a, std::string_view b) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

std::string Written(const ConnectionString& parsed) {
    std::string text;
    for (const auto& [key, value] : parsed.Entries())
        text += key + "=" + QuoteConnectionValue(value) + ";";
    return text;
}

void CheckWrittenBack(const ConnectionString& parsed) {
    const ConnectionString again = ConnectionString::Parse(Written(parsed));
    FuzzCheck(again.Entries() == parsed.Entries(), "parsed entries survive being written back");
}

void CheckDialogRoundTrip(const std::string& text) {
    const ConnectionStringModel model = ParseConnectionStringModel(text);
    FuzzCheck(ParseConnectionStringModel(ComposeConnectionString(model)) == model,
              "the connection dialog keeps every setting of a string it writes back");
}

// The same entries with the database file replaced by one in the scratch folder. The file goes
// first: a fuzzed first key such as "postgresql://host" would make the whole text a server URI.
std::string WithScratchDatabase(const ConnectionString& parsed, const std::string& fileName) {
    std::string text = "Data Source=" + QuoteConnectionValue(fileName);
    for (const auto& [key, value] : parsed.Entries())
        if (!SameKey(key, "Data Source")) text += ";" + key + "=" + QuoteConnectionValue(value);
    return text;
}

void OpenIfSqlite(const ConnectionString& parsed) {
    if (!SameKey(parsed.Value("Provider"), "SQLite")) return;
    const std::string fileName = (ScratchFolder() / "fuzz.db").string();
    const std::string text = WithScratchDatabase(parsed, fileName);
    // Checked again on the text actually handed over, so that a fault in writing it back can
    // never send the open elsewhere.
    const ConnectionString handedOver = ConnectionString::Parse(text);
    FuzzCheck(!IsPostgresUri(text) && SameKey(handedOver.Value("Provider"), "SQLite") &&
                  handedOver.Value("Data Source") == fileName,
              "the opened string names SQLite and the scratch file");
    try {
        OpenConnection(text);
    } catch (const DbError&) {
        // A refusal is an answer too; only a crash or another exception is a finding.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(FuzzText(data, size));
    CheckDialogRoundTrip(text);
    ConnectionString parsed;
    try {
        parsed = ConnectionString::Parse(text);
    } catch (const CADOException& error) {
        // The text may hold a password, so the message is one of a few fixed sentences; a long
        // one would be carrying the text.
        FuzzCheck(std::string_view(error.what()).size() < kLongestRefusal,
                  "a refusal does not repeat the connection string");
        return 0;
    }
    FuzzCheck(!parsed.Entries().empty(), "an accepted string has an entry");
    CheckWrittenBack(parsed);
    OpenIfSqlite(parsed);
    return 0;
}
