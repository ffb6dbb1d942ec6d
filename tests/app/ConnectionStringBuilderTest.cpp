#include <gtest/gtest.h>

#include <filesystem>

#include "app/CKestrelportDlg.h"
#include "app/ConnectionStringBuilder.h"
#include "app/SettingsStore.h"
#include "db/ConnectionString.h"
#include "support/RecordingWindowServices.h"
#include "support/TestSupport.h"

namespace {

using Provider = ConnectionStringModel::Provider;

// Also keeps the text each connection dialog started from.
class ConnectionDialogWindow : public RecordingWindowServices {
  public:
    std::vector<std::string> startedFrom;
    std::optional<std::string> RunConnectionDialog(const std::string& current) override {
        startedFrom.push_back(current);
        return RecordingWindowServices::RunConnectionDialog(current);
    }
};

class ConnectionButtonTest : public ::testing::Test {
  protected:
    void TypeIntoField(const std::string& text) { window.At(ControlId::ConnString).text = text; }
    void Press() { EXPECT_TRUE(dialog.OnCommand(ControlId::ConnStringBuilder)); }

    TempDir dir;
    SettingsStore settings{dir.File("Kestrelport.conf")};
    ConnectionDialogWindow window;
    CKestrelportDlg dialog{window, settings};
};

TEST_F(ConnectionButtonTest, CancelOnAnEmptyFieldReportsThatNoStringWasMade) {
    Press();
    EXPECT_EQ(window.messages, std::vector<std::string>{"Prompt for connection failed!"});
    EXPECT_EQ(window.At(ControlId::ConnString).text, "");

    window.connectionDialogAnswers.push_back(std::string());  // a dialog that composed nothing
    Press();
    EXPECT_EQ(window.messages.size(), 2u) << "an empty result is never put into the field";
}

TEST_F(ConnectionButtonTest, CancelOnAFilledFieldKeepsWhatTheFieldShows) {
    TypeIntoField("Provider=SQLite;Data Source=/typed but not yet read.db");
    Press();
    EXPECT_EQ(window.startedFrom,
              std::vector<std::string>{"Provider=SQLite;Data Source=/typed but not yet read.db"})
        << "the dialog starts from the field, not from the last stored value";
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.At(ControlId::ConnString).text,
              "Provider=SQLite;Data Source=/typed but not yet read.db");
}

TEST_F(ConnectionButtonTest, ComposedStringReplacesTheFieldAndLeavesTheOtherFields) {
    TypeIntoField("Provider=SQLite;Data Source=/old.db");
    window.At(ControlId::TableBase).text = "Night";
    window.At(ControlId::AutoDns).checked = true;
    window.connectionDialogAnswers.push_back("Provider=PostgreSQL;Host=db;Database=logs");
    Press();
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.At(ControlId::ConnString).text, "Provider=PostgreSQL;Host=db;Database=logs");
    EXPECT_EQ(window.At(ControlId::TableBase).text, "Night");
    EXPECT_TRUE(window.At(ControlId::AutoDns).checked);
}

// Every value must come back from the layer's own parser exactly as the user typed it.
TEST(ConnectionStringModelTest, ValuesThatNeedQuotingSurviveTheRoundTrip) {
    const std::string awkward[] = {
        "plain", "semi;colon", "a=b", "say \"hi\"", "\"", " padded ", "tab\t", "x;=\"\";y", "",
    };
    for (const std::string& value : awkward) {
        ConnectionStringModel postgres;
        postgres.provider = Provider::PostgreSQL;
        postgres.host = "db.local";
        postgres.database = value.empty() ? "logs" : value;
        postgres.user = "kp";
        postgres.password = value;
        const std::string text = ComposeConnectionString(postgres);
        const ConnectionString parsed = ConnectionString::Parse(text);
        EXPECT_EQ(parsed.Value("Provider"), "PostgreSQL") << text;
        EXPECT_EQ(parsed.Value("Password"), value) << text;
        EXPECT_EQ(ParseConnectionStringModel(text), postgres) << text;

        ConnectionStringModel sqlite;
        sqlite.file = "/data/" + value + ".db";
        const std::string sqliteText = ComposeConnectionString(sqlite);
        EXPECT_EQ(ConnectionString::Parse(sqliteText).Value("Data Source"), sqlite.file);
        EXPECT_EQ(ParseConnectionStringModel(sqliteText), sqlite) << sqliteText;
    }
}

TEST(ConnectionStringModelTest, ComposedTextsAreTheOnesAUserWouldType) {
    ConnectionStringModel sqlite;
    sqlite.file = "/home/ann/web.db";
    EXPECT_EQ(ComposeConnectionString(sqlite), "Provider=SQLite;Data Source=/home/ann/web.db");

    ConnectionStringModel postgres;
    postgres.provider = Provider::PostgreSQL;
    postgres.host = "db.local";
    postgres.database = "logs";
    EXPECT_EQ(ComposeConnectionString(postgres), "Provider=PostgreSQL;Host=db.local;Database=logs")
        << "empty fields are left to the server's defaults";
    postgres.port = "5433";
    postgres.user = "kp";
    postgres.password = "p;w";
    EXPECT_EQ(ComposeConnectionString(postgres),
              "Provider=PostgreSQL;Host=db.local;Port=5433;Database=logs;User ID=kp;"
              "Password=\"p;w\"");
}

TEST(ConnectionStringModelTest, ParsingFollowsTheDriversKeysAndKeepsTheRest) {
    const ConnectionStringModel postgres = ParseConnectionStringModel(
        "provider=postgresql; Server=a ;Initial Catalog=logs;UID=kp;PWD=s;SSL Mode=require;"
        "Host=b");
    EXPECT_EQ(postgres.provider, Provider::PostgreSQL);
    EXPECT_EQ(postgres.host, "b") << "a key given twice keeps its last value";
    EXPECT_EQ(postgres.database, "logs");
    EXPECT_EQ(postgres.user, "kp");
    EXPECT_EQ(postgres.password, "s");
    EXPECT_EQ(ComposeConnectionString(postgres),
              "Provider=PostgreSQL;Host=b;Database=logs;User ID=kp;Password=s;SSL Mode=require");

    const ConnectionStringModel uri = ParseConnectionStringModel(
        "Provider=PostgreSQL;Data Source=postgresql://kp@db/logs;Password=s");
    EXPECT_EQ(uri.host, "") << "a URI is no host name";
    EXPECT_EQ(ComposeConnectionString(uri),
              "Provider=PostgreSQL;Password=s;Data Source=postgresql://kp@db/logs");

    const ConnectionStringModel bareUri =
        ParseConnectionStringModel(" postgresql://kp:s@db/logs?sslmode=require\r\n");
    EXPECT_EQ(bareUri.provider, Provider::PostgreSQL);
    EXPECT_EQ(ComposeConnectionString(bareUri),
              "Provider=PostgreSQL;Data Source=\"postgresql://kp:s@db/logs?sslmode=require\"");

    const ConnectionStringModel noProvider = ParseConnectionStringModel("Data Source=/x.db");
    EXPECT_EQ(noProvider.provider, Provider::SQLite);
    EXPECT_EQ(noProvider.file, "/x.db");

    EXPECT_EQ(ParseConnectionStringModel(""), ConnectionStringModel{});
    EXPECT_EQ(ParseConnectionStringModel("no pairs at all"), ConnectionStringModel{});
    EXPECT_EQ(ParseConnectionStringModel("Provider=SQLite;Data Source=\"open"),
              ConnectionStringModel{});
}

TEST(ConnectionTestTest, ReportsSuccessAndFailureWithoutThePassword) {
    TempDir dir;
    const std::string file = dir.File("new.db");
    const ConnectionTestResult sqlite = TestConnection("Provider=SQLite;Data Source=" + file);
    EXPECT_TRUE(sqlite.succeeded) << sqlite.message;
    EXPECT_EQ(sqlite.message, "Connection succeeded.");

    // Nothing listens on port 1 of the loopback address, so this fails at once.
    const ConnectionTestResult refused =
        TestConnection("Provider=PostgreSQL;Host=127.0.0.1;Port=1;Password=hunter2secret");
    EXPECT_FALSE(refused.succeeded);
    EXPECT_TRUE(refused.message.starts_with("Connection failed:")) << refused.message;
    EXPECT_EQ(refused.message.find("hunter2secret"), std::string::npos) << refused.message;

    EXPECT_FALSE(TestConnection("no pairs at all").succeeded);
}

}  // namespace
