#include "pipeline/CoreWriter.h"

#include <cstdlib>
#include <limits>
#include <vector>

#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "db/DbError.h"
#include "passes/ProgressChannel.h"
#include "passes/SqlText.h"
#include "pipeline/AnalysedLine.h"
#include "pipeline/RobotsTxtVisitors.h"
#include "pipeline/TargetTable.h"
#include "textfiles/SpillingLineList.h"

namespace {

constexpr const char* kClearTable = "DELETE FROM %s_data";
constexpr const char* kBiggestId = "Select\n  Max([%s_data].id) As BiggestID\nFrom\n  [%s_data]";
// Moving the bar and draining the window's messages costs more than a row; doing it for every
// line would slow a large export for nothing the user can see.
constexpr CStringArrayPBEx::Index kProgressInterval = 500;

std::string MalformedLineEntry(CStringArrayPBEx::Index index, const std::string& line) {
    return "Line " + std::to_string(index + 1) + " incomplete/improperly formed: \"" + line + "\"";
}

std::string FailureText(const CADOException& error, CStringArrayPBEx::Index processed,
                        CStringArrayPBEx::Index total) {
    return "SQL Error in WriteCombinedLog:\r\n\r\n" + error.ErrorText() + "\r\n\r\nProcessed " +
           std::to_string(processed) + " of " + std::to_string(total) + " records in log file.";
}

std::string ReadFailureText(const LineSourceError& error, CStringArrayPBEx::Index processed,
                            CStringArrayPBEx::Index total) {
    return std::string("The log file could not be read to its end:\r\n\r\n") + error.what() +
           "\r\n\r\nProcessed " + std::to_string(processed) + " of " + std::to_string(total) +
           " records in log file.";
}

// The lines whose rows were handed to the database and not yet confirmed stored. Rows travel in
// batches, so the database may refuse a row only some lines later, and a commit that was only
// sent is confirmed by the next one; the refusal counts back from the last row handed over, and
// the line of the refused row is what the user is told was reached.
class UncommittedLines {
  public:
    void Handed(CStringArrayPBEx::Index line) { sinceSent_.push_back(line); }
    // The rows so far were sent with a commit: those of the commit before are confirmed.
    void Sent() {
        sent_.swap(sinceSent_);
        sinceSent_.clear();
    }
    void Committed() {
        sent_.clear();
        sinceSent_.clear();
    }

    // The line the refused row came from; `current` when the refusal does not say.
    CStringArrayPBEx::Index RefusedLine(const CADOException& error,
                                        CStringArrayPBEx::Index current) const {
        const auto unstored = error.UnstoredRows();
        const std::size_t handed = sent_.size() + sinceSent_.size();
        if (!unstored || *unstored == 0 || *unstored > handed) return current;
        const std::size_t index = handed - *unstored;
        return index < sent_.size() ? sent_[index] : sinceSent_[index - sent_.size()];
    }

  private:
    std::vector<CStringArrayPBEx::Index> sent_;
    std::vector<CStringArrayPBEx::Index> sinceSent_;
};

void HideProgress(ProgressChannel& channel) {
    channel.ShowProgress(false);
    channel.ShowStatus(false);
}

// Read whole, not as 32 bits: ids past the column's range (written by another program into a
// database that does not check them) must not make the numbering start again at 1.
std::int64_t BiggestId(CADODatabase& db, const std::string& base) {
    CADORecordset query(db);
    query.Open(FormatWithBase(kBiggestId, base));
    std::string biggest;
    // An empty table answers NULL, which leaves the counter at 0.
    if (!query.IsEof()) query.ReadFieldText("BiggestID", biggest);
    query.Close();
    return biggest.empty() ? 0 : std::strtoll(biggest.c_str(), nullptr, 10);
}

// The id column is `int`. PostgreSQL refuses a larger id; SQLite would store it, and the table
// would then hold ids no 32-bit reader takes back. Such a row is refused on every driver alike.
void RequireIdInRange(std::int64_t id) {
    constexpr std::int64_t kLargestId = std::numeric_limits<std::int32_t>::max();
    if (id > kLargestId)
        throw CADOException(kErrorUnspecified, "The next id, " + std::to_string(id) +
                                                   ", does not fit the id column (at most " +
                                                   std::to_string(kLargestId) + ").");
}

// The columns of one kept line, in the order the table's writers have always set them.
void SetRowFields(CADORecordset& rows, std::int64_t id, const AnalysedLine& line) {
    const LogRecord& record = line.record;
    rows.WriteFieldValue("id", FieldValue::UInt32(static_cast<std::uint32_t>(id)));
    rows.WriteFieldText("IP", record[kFieldIP]);
    rows.WriteFieldText("Country", line.country);
    rows.WriteFieldText("identd", record[kFieldIdentd]);
    rows.WriteFieldText("UserID", record[kFieldUserID]);
    rows.WriteFieldText("DateTimeTxt", record[kFieldDateTimeTxt]);
    rows.WriteFieldText("Request", record[kFieldRequest]);
    rows.WriteFieldText("FileName", line.file.FileName);
    rows.WriteFieldText("Extension", line.file.Extension);
    rows.WriteFieldValue("Status", FieldValue::Int16(record.StatusValue()));
    rows.WriteFieldValue("Bytes", FieldValue::Int32(record.BytesValue()));
    rows.WriteFieldText("Referrer", record[kFieldReferrer]);
    if (line.search.searchTerm) rows.WriteFieldText("SearchTerm", *line.search.searchTerm);
    if (line.search.resultsPage) rows.WriteFieldShort("ResultsPage", *line.search.resultsPage);
    rows.WriteFieldText("UserAgent", record[kFieldUserAgent]);
    if (line.when.IsValid()) rows.WriteFieldValue("DateTimeValue", FieldValue::Date(line.when));
}

}  // namespace

bool WriteCombinedLog(CoreWriterContext& context, LineSource& source, CoreWriterCounts* counts) {
    ProgressChannel& channel = context.channel;
    const CStringArrayPBEx::Index total = source.TotalLines();
    CStringArrayPBEx::Index i = 0;
    CoreWriterCounts done;
    CADODatabase db;
    CADORecordset rows;
    SpillingLineList badLines;
    UncommittedLines uncommitted;
    const auto stop = [&](const std::string& message, std::int64_t unstored) {
        channel.MessageBox(message);
        HideProgress(channel);
        // Counted when handed over: the refused row and those after it were not stored.
        done.rowsWritten -= unstored;
        if (counts) *counts = done;
        return false;
    };
    const auto refused = [&](const CADOException& error) {
        return stop(FailureText(error, uncommitted.RefusedLine(error, i), total),
                    static_cast<std::int64_t>(error.UnstoredRows().value_or(0)));
    };
    try {
        if (!db.Open(context.connectionString)) {
            channel.MessageBox("Unable to open database with connection string provided!");
            return false;
        }
        rows = CADORecordset(db);
        if (context.resetTable) rows.Open(FormatWithBase(kClearTable, context.base));
        std::int64_t id = BiggestId(db, context.base);
        rows.Open(TargetTableName(context.base));
        LoadIpToCountry(context.countries, channel);

        channel.ShowProgress(true);
        channel.ShowStatus(true);
        channel.SetStatusText("Writing core data to SQL table..");
        channel.SetProgressRange(1, 100);
        channel.SetProgressPos(1);

        RobotsTxtVisitors robotsVisitors;
        // A table the user made without the column is left to fail in the spider pass, as before.
        const bool marksRobots = rows.HasField("IsSpider");
        const LineAnalysisLists lists{context.includeExts, context.includeExtList,
                                      context.monthNames, context.countries, context.engines};
        {  // The analysis reads the source on its own thread; it ends here, before the passes.
            LineAnalysisAhead analysed(source, lists);
            for (i = 0; i < total; ++i) {
                const AnalysedLine& line = analysed.At(i);
                if (line.included) {
                    RequireIdInRange(id + 1);
                    uncommitted.Handed(i);
                    ++done.rowsWritten;
                    rows.AddNew();
                    SetRowFields(rows, ++id, line);
                    if (marksRobots && robotsVisitors.Marks(line))
                        rows.WriteFieldText("IsSpider", "R");
                    rows.Update();
                    if (!line.record.IsComplete() || !line.when.IsValid()) {
                        badLines.Add(MalformedLineEntry(i, analysed.Text(i)));
                    }
                }
                if (i % kProgressInterval == 0) {
                    // Rows stored so far reach the database at every progress step, so a crash or a
                    // Quit in the middle keeps them.
                    db.SendPendingRows();
                    uncommitted.Sent();
                    channel.SetProgressPos(static_cast<int>(i * 100 / total));
                    channel.PumpMessages();
                }
            }
        }
        // The last rows are refused here, if at all, and reported as the writer's failure.
        db.CommitPendingRows();
        uncommitted.Committed();
        db.RefreshStatistics(TargetTableName(context.base));
        HideProgress(channel);
    } catch (const LineSourceError& error) {
        // The rows of the lines before the unreadable one are a prefix of the log: they stay.
        try {
            db.CommitPendingRows();
        } catch (const CADOException& commitError) {
            return refused(commitError);
        }
        return stop(ReadFailureText(error, i, total), 0);
    } catch (const CADOException& error) {
        return refused(error);
    }

    done.malformedLines = badLines.GetSize();
    if (counts) *counts = done;
    if (context.afterWrite) context.afterWrite(db, badLines);

    try {
        rows.Close();
        db.Close();
    } catch (const CADOException& error) {
        // The passes commit what they change, so this can only be the last rows of the log.
        channel.MessageBox(FailureText(error, total, total));
        return false;
    }
    return true;
}

bool WriteCombinedLog(CoreWriterContext& context, CStringArrayPBEx& lines,
                      CoreWriterCounts* counts) {
    LineListSource source(lines);
    return WriteCombinedLog(context, source, counts);
}
