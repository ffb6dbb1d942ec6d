#include "passes/Sessions.h"

#include <cmath>
#include <functional>
#include <limits>
#include <optional>

#include "db/BatchUpdate.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "db/SqlLiteral.h"
#include "passes/ProgressChannel.h"
#include "passes/SqlText.h"
#include "textfiles/CStringArrayPBEx.h"

namespace {

constexpr const char* kNextIdQuery = "Select\nMax([%s_data].SessionID) AS NextID\nFrom\n[%s_data]";

// Rows of one visitor at the same second would be walked in whatever order each database sorts
// ties, and their page times would differ between the drivers: the id settles the order.
constexpr const char* kMainQuery =
    "Select  [%s_data].id,\n  [%s_data].IP,\n  [%s_data].UserAgent,\n  [%s_data].DateTimeValue,\n"
    "  [%s_data].SessionID,\n  [%s_data].PageTimeSecs\nFrom\n  [%s_data]\nWhere\n"
    "  [%s_data].SessionID Is Null%s\nOrder By\n  [%s_data].IP,\n  [%s_data].UserAgent,\n"
    "  [%s_data].DateTimeValue,\n  [%s_data].id";

constexpr double kHalfSecondDays = 0.5 / 86400.0;
constexpr int kSessionTimeoutMinutes = 30;

// The gap rounded to the nearest second (halves away from zero), in `unitsPerDay` units,
// truncated toward zero.
std::int64_t WholeUnits(double gapDays, double unitsPerDay) {
    const double rounded = gapDays < 0 ? gapDays - kHalfSecondDays : gapDays + kHalfSecondDays;
    return static_cast<std::int64_t>(std::trunc(rounded * unitsPerDay));
}

// The column is 16 bits wide. A negative gap only comes from two visitors whose keys run
// together; wrapping it could turn it into a plausible positive time, so it is held at the
// column's limit instead.
std::int16_t PageTimeValue(std::int64_t seconds) {
    constexpr std::int64_t low = std::numeric_limits<std::int16_t>::min();
    constexpr std::int64_t high = std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(seconds < low ? low : (seconds > high ? high : seconds));
}

// An empty entry stands for a request without an extension, which is stored as NULL.
std::string PageHitFilter(const std::string& base, const CStringArrayPBEx& pageHitExtList) {
    const std::string column = "[" + base + "_data].Extension";
    std::string filter;
    for (const std::string& extension : pageHitExtList) {
        if (!filter.empty()) filter += " or ";
        filter += extension.empty() ? column + " Is Null"
                                    : column + "=" + StatementTextLiteral(extension);
    }
    return filter.empty() ? filter : " AND (" + filter + ")";
}

// The pass notes its numbers a batch at a time (see BatchUpdate), so its memory stays bounded
// whatever the table's size, and stores them all at the end, in the table's order. A batch ends
// only where a visitor's rows end: a database that stores each batch as it is handed over
// still leaves no visitor half numbered when the pass stops between batches.
constexpr std::size_t kSessionIdColumn = 0, kPageTimeColumn = 1;

void NumberSessions(ProgressChannel& channel, CADORecordset& rows, std::int32_t sessionNumber,
                    std::uint32_t total, std::size_t rowsPerBatch,
                    const std::function<void()>& beforeStoring) {
    std::uint32_t done = 0;
    std::string previousKey;
    DateTime previousTime;  // the zero of the date scale
    BatchUpdate changes(rows, {"SessionID", "PageTimeSecs"});
    // A row's page time is known only once the next row has been read.
    std::size_t previousChange = 0;
    std::string ip;
    std::string agent;
    rows.MoveFirst();
    while (!rows.IsEof()) {
        ip.clear();
        agent.clear();
        rows.ReadFieldText("IP", ip);
        rows.ReadFieldText("UserAgent", agent);
        DateTime time = previousTime;
        rows.ReadFieldDateTime("DateTimeValue", time);
        // A row without a time counts as occurring at the time of the row before.
        if (time.GetStatus() != DateTime::Status::Valid) time = previousTime;

        std::string key = ip + agent;
        const double gap = time.Days() - previousTime.Days();
        if (key == previousKey && WholeUnits(gap, 1440.0) <= kSessionTimeoutMinutes) {
            if (done > 0)
                changes.Set(previousChange, kPageTimeColumn,
                            FieldValue::Int16(PageTimeValue(WholeUnits(gap, 86400.0))));
        } else {
            if (key != previousKey && changes.Size() >= rowsPerBatch) changes.Stage();
            ++sessionNumber;
            previousKey = std::move(key);
        }
        previousTime = time;
        previousChange = changes.AddCurrentRow();
        changes.Set(previousChange, kSessionIdColumn,
                    FieldValue::UInt32(static_cast<std::uint32_t>(sessionNumber)));

        ++done;
        if (done % 10 == 0) {
            channel.SetProgressPos(static_cast<int>(std::uint64_t{done} * 100 / total));
        }
        channel.PumpMessages();
        rows.MoveNext();
    }
    if (beforeStoring) beforeStoring();
    changes.Store();
}

}  // namespace

void CreateSessionIdAndTime(ProgressChannel& channel, CADODatabase& db, const std::string& base,
                            const CStringArrayPBEx& pageHitExtList, const SessionPassMemory& memory,
                            const std::function<void()>& beforeStoring) {
    const ProgressScope hideProgressAtEnd(channel);
    channel.ShowProgress(true);
    channel.ShowStatus(true);
    channel.SetStatusText(FormatWithBase("Creating Session data in table %s_data..", base));
    channel.SetProgressRange(1, 100);
    channel.SetProgressPos(1);

    std::string statement = FormatWithBase(kNextIdQuery, base);
    try {
        std::int32_t sessionNumber = 0;
        CADORecordset nextId(db);
        if (nextId.Open(statement) && !nextId.IsEof())
            nextId.ReadFieldLong("NextID", sessionNumber);

        const std::string filter = PageHitFilter(base, pageHitExtList);
        // The filter follows "Is Null"; every other place is the base name.
        statement = FormatSql(kMainQuery, {base, base, base, base, base, base, base, base, filter,
                                           base, base, base, base});
        CADORecordset rows(db);
        rows.OpenForwardOnly(statement, memory.rowsPerChunk);
        const std::int32_t total = rows.RecordCount();
        if (total <= 0) return;
        NumberSessions(channel, rows, sessionNumber, static_cast<std::uint32_t>(total),
                       memory.rowsPerBatch, beforeStoring);
        rows.Close();
    } catch (const CADOException& error) {
        channel.MessageBox("SQL Error in CreateSessionIdAndTime process\r\n\r\n" +
                           error.ErrorText() + "\r\n\r\nSQL:\r\n" + statement);
    }
}
