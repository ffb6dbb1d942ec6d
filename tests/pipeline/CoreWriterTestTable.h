#pragma once
// A target table for the writer tests, in a fresh SQLite file or on the PostgreSQL test server,
// and one writer call with known lists (month names, a country range, one search engine).

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "pipeline/CoreWriter.h"
#include "pipeline/TargetTable.h"
#include "support/RecordingChannel.h"
#include "support/TestSupport.h"
#include "textfiles/LineSource.h"

enum class WriterDriver { Sqlite, Postgres };

inline std::string WriterDriverName(const ::testing::TestParamInfo<WriterDriver>& info) {
    return info.param == WriterDriver::Sqlite ? "SQLite" : "PostgreSQL";
}

class WriterTable {
  public:
    WriterTable(std::string connection, std::string base)
        : connection_(std::move(connection)), base_(std::move(base)) {
        Run("DROP TABLE IF EXISTS " + TargetTableName(base_));
        Run(TargetTableCreateStatement(base_));
    }
    ~WriterTable() {
        try {
            Run("DROP TABLE " + TargetTableName(base_));
        } catch (const CADOException&) {
        }
    }
    WriterTable(const WriterTable&) = delete;
    WriterTable& operator=(const WriterTable&) = delete;

    const std::string& Connection() const { return connection_; }
    const std::string& Base() const { return base_; }

    void Run(const std::string& sql) const {
        CADODatabase db;
        db.Open(connection_);
        CADOCommand(db, sql).Execute();
    }

    // The columns' values of every row in id order; NULL reads as the empty text.
    std::vector<std::vector<std::string>> Rows(const std::vector<std::string>& columns) const {
        std::string select;
        for (const std::string& column : columns) select += (select.empty() ? "" : ", ") + column;
        CADODatabase db;
        db.Open(connection_);
        CADORecordset rows(db);
        rows.Open("Select " + select + " From [" + TargetTableName(base_) + "] Order By id");
        std::vector<std::vector<std::string>> values;
        for (; !rows.IsEof(); rows.MoveNext()) {
            std::vector<std::string>& row = values.emplace_back();
            for (const std::string& column : columns)
                rows.ReadFieldText(column, row.emplace_back());
        }
        return values;
    }

    std::vector<std::string> Column(const std::string& column) const {
        std::vector<std::string> values;
        for (auto& row : Rows({column})) values.push_back(row[0]);
        return values;
    }

    long Count(const std::string& where = "1=1") const {
        return std::stol(Scalar("Count(*)", where));
    }

    std::string Scalar(const std::string& expression, const std::string& where = "1=1") const {
        CADODatabase db;
        db.Open(connection_);
        CADORecordset rows(db);
        rows.Open("Select " + expression + " As v From [" + TargetTableName(base_) + "] Where " +
                  where);
        std::string value;
        rows.ReadFieldText("v", value);
        return value;
    }

  private:
    std::string connection_;
    std::string base_;
};

// A table for one test on the chosen driver. A PostgreSQL table gets a name of its own, since
// several test programs may use the server at once.
#define KP_WRITER_TABLE(table, driver, dir)                                                        \
    std::optional<WriterTable> table;                                                              \
    do {                                                                                           \
        if ((driver) == WriterDriver::Sqlite) {                                                    \
            table.emplace("Provider=SQLite;Data Source=" + (dir).File("export.db"), "Web");        \
        } else {                                                                                   \
            KP_REQUIRE_POSTGRES(pg);                                                               \
            static std::atomic<int> serial{0};                                                     \
            table.emplace(pg,                                                                      \
                          "Export" + std::to_string(::getpid()) + "_" + std::to_string(++serial)); \
        }                                                                                          \
    } while (false)

// One writer call with the lists a dialog would hold.
struct WriterRun {
    RecordingChannel channel;
    std::string includeExts;
    CStringArrayPBEx includeExtList;
    CStringArrayPBEx monthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    CountryRangeList countries;
    SearchEngineList engines{{"google.", "q", "start", 10}};
    bool reset = false;

    bool afterWriteRan = false;
    bool linesFreedBeforePasses = false;
    const CStringArrayPBEx* heldLines = nullptr;
    std::vector<std::string> badLines;
    CoreWriterCounts counts;

    WriterRun() {
        // 1.0.0.0 to 1.255.255.255; the list is not empty, so no file is read.
        countries.Assign({{0x01000000u, 0x01FFFFFFu, "AUS"}});
    }

    bool Write(const WriterTable& table, CStringArrayPBEx& lines) {
        LineListSource source(lines);
        heldLines = &lines;
        return Write(table, source);
    }
    bool Write(const WriterTable& table, LineSource& lines) {
        CoreWriterContext context{.channel = channel,
                                  .connectionString = table.Connection(),
                                  .base = table.Base(),
                                  .resetTable = reset,
                                  .includeExts = includeExts,
                                  .includeExtList = includeExtList,
                                  .monthNames = monthNames,
                                  .countries = countries,
                                  .engines = engines,
                                  .afterWrite = {}};
        context.afterWrite = [&](CADODatabase&, const SpillingLineList& bad) {
            afterWriteRan = true;
            linesFreedBeforePasses =
                heldLines && heldLines->IsEmpty() && heldLines->Items().capacity() == 0;
            badLines = bad.Items();
        };
        return WriteCombinedLog(context, lines, &counts);
    }
    bool Write(const WriterTable& table, std::vector<std::string> lines) {
        CStringArrayPBEx list;
        list.Items() = std::move(lines);
        return Write(table, list);
    }
};

// A well-formed line whose request asks for `path`.
inline std::string LogLine(const std::string& path, const std::string& ip = "1.2.3.4") {
    return ip + " - - [10/Oct/2012:13:55:36 +0100] \"GET " + path +
           " HTTP/1.1\" 200 512 \"-\" \"Agent\"";
}
