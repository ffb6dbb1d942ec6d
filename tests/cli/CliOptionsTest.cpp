#include <gtest/gtest.h>

#include "cli/CliOptions.h"

namespace {

CliOptions Parsed(const std::vector<std::string>& arguments) {
    CliParseResult result = ParseCommandLine(arguments);
    EXPECT_TRUE(result.options) << result.error;
    return result.options.value_or(CliOptions{});
}

std::string Refusal(const std::vector<std::string>& arguments) {
    CliParseResult result = ParseCommandLine(arguments);
    EXPECT_FALSE(result.options);
    return result.error;
}

TEST(CliOptionsTest, ValuesFollowTheirOptionOrAnEqualsSign) {
    CliOptions options =
        Parsed({"export", "--log", "a.log", "--table=--odd", "--include-exts=", "--no-reset",
                "--auto-dns", "--dns-workers", "3", "--quiet"});
    EXPECT_EQ(options.command, CliOptions::Command::Export);
    EXPECT_EQ(options.logFile, "a.log");
    EXPECT_EQ(options.table, "--odd");
    EXPECT_EQ(options.includeExts, "") << "an empty text is a value, not a missing one";
    EXPECT_EQ(options.reset, false);
    EXPECT_EQ(options.autoDns, true);
    EXPECT_EQ(options.dnsWorkers, 3u);
    EXPECT_TRUE(options.quiet);
    EXPECT_FALSE(options.connection);
    EXPECT_FALSE(options.pageHitExts);

    // The last of two contrary switches wins, as with most programs.
    EXPECT_EQ(Parsed({"export", "--reset", "--no-reset", "--reset"}).reset, true);
    // A value may itself look like an option when it follows its option.
    EXPECT_EQ(Parsed({"export", "--connection", "--x"}).connection, "--x");
}

TEST(CliOptionsTest, MistakesAreRefusedWithTheReason) {
    EXPECT_EQ(Refusal({}), "no command given");
    EXPECT_EQ(Refusal({"import"}), "unknown command \"import\"");
    EXPECT_EQ(Refusal({"export", "--tabel", "x"}), "unknown option \"--tabel\" for export");
    EXPECT_EQ(Refusal({"export", "--log"}), "--log needs a value");
    EXPECT_EQ(Refusal({"export", "--reset=yes"}), "--reset takes no value");
    EXPECT_EQ(Refusal({"export", "--dns-workers", "0"}), "invalid value \"0\" for --dns-workers");
    EXPECT_EQ(Refusal({"export", "--dns-workers", "4x"}), "invalid value \"4x\" for --dns-workers");
    // Options of the export mean nothing to the lookups.
    EXPECT_EQ(Refusal({"hostnames", "--log", "a.log"}), "unknown option \"--log\" for hostnames");
    EXPECT_EQ(Refusal({"--version", "export"}), "--version takes no further arguments");
}

}  // namespace
