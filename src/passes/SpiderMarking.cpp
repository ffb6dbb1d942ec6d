#include "passes/SpiderMarking.h"

#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "passes/SqlText.h"
#include "passes/SubstringMatcher.h"
#include "textfiles/CStringArrayPBEx.h"
#include "textfiles/ProgressChannel.h"

namespace {

constexpr const char* kRobotsUpdate =
    "UPDATE %s_data INNER JOIN %s_data AS %s_data1 ON %s_data.IP = %s_data1.IP SET "
    "%s_data1.IsSpider = 'R'\nWHERE (((%s_data.FileName)='robots') AND "
    "((%s_data.Extension)='txt'));";

// Only the columns the rule reads and writes: every column of every unmarked row would be held
// in memory at once, over a gigabyte for a million rows.
constexpr const char* kUnmarkedQuery =
    "Select [%s_data].id, [%s_data].UserAgent, [%s_data].IsSpider\nFrom\n  [%s_data]\nWhere\n"
    "  [%s_data].IsSpider Is Null";

void MarkAgentsInList(ProgressChannel& channel, CADODatabase& db, const std::string& base,
                      const CStringArrayPBEx& spiders) {
    CADORecordset rows(db);
    if (!rows.Open(FormatWithBase(kUnmarkedQuery, base))) return;
    const std::int32_t total = rows.RecordCount();
    if (total <= 0) return;

    // Built once per pass: trying every entry against every agent would cost the length of the
    // list for each row.
    const SubstringMatcher matcher(spiders.Items());
    std::int64_t done = 0;
    std::string agent;
    rows.MoveFirst();
    while (!rows.IsEof()) {
        agent.clear();
        rows.ReadFieldText("UserAgent", agent);
        if (matcher.OccursIn(agent)) {
            rows.Edit();
            rows.WriteFieldText("IsSpider", "S");
            rows.Update();
        }
        rows.MoveNext();
        ++done;
        if (done % 10 == 0) channel.SetProgressPos(static_cast<int>(done * 100 / total));
        channel.PumpMessages();
    }
    // Closing commits the last marks; a failure there must reach the user too.
    rows.Close();
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
