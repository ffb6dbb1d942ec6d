#include "passes/SpiderMarking.h"

#include <optional>
#include <string>
#include <vector>

#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "passes/ProgressChannel.h"
#include "passes/SpiderAgentTable.h"
#include "passes/SqlText.h"
#include "passes/SubstringMatcher.h"
#include "textfiles/CStringArrayPBEx.h"

namespace {

constexpr const char* kRobotsUpdate =
    "UPDATE %s_data INNER JOIN %s_data AS %s_data1 ON %s_data.IP = %s_data1.IP SET "
    "%s_data1.IsSpider = 'R'\nWHERE (((%s_data.FileName)='robots') AND "
    "((%s_data.Extension)='txt'));";

// Agents rather than rows: a table holds far fewer distinct agents than hits, so the client
// reads and matches each agent once and the server marks the rows.
constexpr const char* kUnmarkedAgentsQuery =
    "Select Distinct [%s_data].UserAgent\nFrom\n  [%s_data]\nWhere\n  [%s_data].IsSpider Is Null";

constexpr const char* kMarkUnmarked =
    "UPDATE [%s_data] SET IsSpider = 'S'\nWHERE [%s_data].IsSpider Is Null";

struct AgentMatches {
    bool everyAgent = false;
    std::vector<std::string> agents;  // when not everyAgent
};

// Walks the distinct agents of the unmarked rows; nothing when no row is unmarked.
std::optional<AgentMatches> MatchUnmarkedAgents(ProgressChannel& channel, CADODatabase& db,
                                                const std::string& base,
                                                const CStringArrayPBEx& spiders) {
    CADORecordset rows(db);
    if (!rows.Open(FormatWithBase(kUnmarkedAgentsQuery, base))) return std::nullopt;
    const std::int32_t total = rows.RecordCount();
    if (total <= 0) return std::nullopt;

    // Built once per pass: trying every entry against every agent would cost the length of the
    // list for each agent.
    const SubstringMatcher matcher(spiders.Items());
    AgentMatches matches;
    // Only an empty entry occurs in the empty text, and it occurs in every other one as well.
    matches.everyAgent = matcher.OccursIn("");
    std::int64_t done = 0;
    std::string agent;
    for (rows.MoveFirst(); !rows.IsEof(); rows.MoveNext()) {
        agent.clear();
        rows.ReadFieldText("UserAgent", agent);
        if (!matches.everyAgent && matcher.OccursIn(agent)) matches.agents.push_back(agent);
        ++done;
        if (done % 10 == 0) channel.SetProgressPos(static_cast<int>(done * 100 / total));
        channel.PumpMessages();
    }
    return matches;
}

void MarkAgentsInList(ProgressChannel& channel, CADODatabase& db, const std::string& base,
                      const CStringArrayPBEx& spiders) {
    const std::optional<AgentMatches> matches = MatchUnmarkedAgents(channel, db, base, spiders);
    if (!matches) return;
    const std::string markUnmarked = FormatWithBase(kMarkUnmarked, base);
    // Every agent matched, NULL ones included: nothing to send back.
    if (matches->everyAgent) {
        CADORecordset(db).Open(markUnmarked);
        return;
    }
    if (matches->agents.empty()) return;
    // Through the table rather than as literals in the statement: the agents are written the
    // way the table's rows were, so each compares equal to exactly the stored agents it was
    // read from, whatever bytes it holds.
    SpiderAgentTable listed(db, base);
    listed.Fill(matches->agents);
    CADORecordset(db).Open(markUnmarked + " AND " +
                           listed.InCondition(FormatWithBase("[%s_data].UserAgent", base)));
}

}  // namespace

void MarkSpiders(ProgressChannel& channel, CADODatabase& db, const std::string& base,
                 const CStringArrayPBEx& spiders) {
    const ProgressScope hideProgressAtEnd(channel);
    channel.ShowProgress(true);
    channel.ShowStatus(true);
    channel.SetStatusText("Updating IsSpider field...");
    channel.SetProgressRange(1, 100);
    channel.SetProgressPos(1);
    try {
        CADORecordset robots(db);
        robots.Open(FormatWithBase(kRobotsUpdate, base));
        MarkAgentsInList(channel, db, base, spiders);
    } catch (const CADOException& error) {
        channel.MessageBox("SQL Error in Spiders Update:\r\n" + error.ErrorText());
    }
}
